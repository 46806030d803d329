// Every prefix of three ffmpeg-made clips, cut at each 4 KiB, opened in
// memory with and without the index: the file is refused with one of the
// opening messages, or it opens and reads the whole file's frames and sound
// up to some point and nothing after it, never other bytes. (Exact cuts of
// our own clips: damaged_file_test.)
#include <gtest/gtest.h>

#include "media/avi_file.h"
#include "tests/common/test_paths.h"
#include "tests/media/media_test_support.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The frames up to the first that fails.
std::vector<std::vector<uint8_t>> ReadFrames(AviFile* file) {
  std::vector<std::vector<uint8_t>> frames;
  for (bool ok = true; ok;) frames.push_back(ReadFrame(file, static_cast<int32_t>(frames.size()), &ok));
  frames.pop_back();
  return frames;
}

TEST(TruncationSweep, EveryPrefixReadsAPrefixOfTheWholeFile) {
  for (const std::string clip : {"cinepak_pcm16.avi", "raw_mp3.avi", "msvc_ima.avi"}) {
    if (!ClipExists(clip)) {
      ADD_FAILURE() << clip << " is missing: tools/make_clips.sh makes it";
      continue;
    }
    const std::vector<uint8_t> bytes = ReadFileBytes(ClipPath(clip));
    for (const bool index : {true, false}) {
      AviFile whole;
      ASSERT_TRUE(whole.Open(bytes.data(), bytes.size(), nullptr, false, 2, index)) << clip;
      const std::vector<std::vector<uint8_t>> allFrames = ReadFrames(&whole);
      const std::vector<uint8_t> allSound = ReadAllSound(&whole, 256);
      ASSERT_GT(allFrames.size(), 10u) << clip;
      size_t framesBefore = 0;
      for (size_t cut = 0;; cut = std::min(cut + 4096, bytes.size())) {
        const std::string what = clip + " cut at " + std::to_string(cut) + (index ? "" : " without index");
        AviFile file;
        std::string messages;
        if (!file.Open(bytes.data(), cut, &messages, false, 2, index)) {
          EXPECT_TRUE(messages == kUnknownFormat || messages == kNoIndex) << what << ": " << messages;
        } else {
          EXPECT_EQ(messages, "") << what;
          const std::vector<std::vector<uint8_t>> frames = ReadFrames(&file);
          const std::vector<uint8_t> sound = ReadAllSound(&file, 256);
          ASSERT_LE(frames.size(), allFrames.size()) << what;
          ASSERT_TRUE(std::equal(frames.begin(), frames.end(), allFrames.begin())) << what;
          EXPECT_TRUE(sound.size() <= allSound.size() && std::equal(sound.begin(), sound.end(), allSound.begin()))
              << what << ": " << sound.size() << " sound bytes";
          EXPECT_GE(frames.size(), framesBefore) << what << ": a longer prefix reads fewer frames";
          framesBefore = frames.size();
          if (cut == bytes.size()) {
            EXPECT_EQ(sound.size(), allSound.size()) << what;
          }
        }
        if (cut == bytes.size()) break;
      }
      EXPECT_EQ(framesBefore, allFrames.size()) << clip;
    }
  }
}

}  // namespace
