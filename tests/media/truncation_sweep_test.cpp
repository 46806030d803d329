// Every prefix of three ffmpeg-made clips, cut at each 4 KiB, opened in
// memory with and without the index: the file is refused with one of the
// opening messages, or it opens and reads the whole file's frames and sound
// up to some point and nothing after it, never other bytes.
#include <gtest/gtest.h>

#include "media/avi_file.h"
#include "tests/common/test_paths.h"
#include "tests/media/media_test_support.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Reads {
  std::vector<std::vector<uint8_t>> frames;  // up to the first frame that fails
  std::vector<uint8_t> sound;                // read through until a read fails
};

Reads ReadThrough(AviFile* file) {
  Reads reads;
  for (int32_t f = 0;; ++f) {
    bool ok;
    std::vector<uint8_t> frame = ReadFrame(file, f, &ok);
    if (!ok) break;
    reads.frames.push_back(std::move(frame));
  }
  std::vector<uint8_t> buffer(1 << 20);
  for (int32_t position = 0;;) {
    int32_t count = 256;
    uint32_t bytes = static_cast<uint32_t>(buffer.size());
    if (!file->ReadAudio(buffer.data(), position, &count, &bytes)) break;
    reads.sound.insert(reads.sound.end(), buffer.begin(), buffer.begin() + bytes);
    position += count;
  }
  return reads;
}

bool IsPrefix(const std::vector<uint8_t>& part, const std::vector<uint8_t>& whole) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

void SweepPrefixes(const std::string& clip) {
  if (!ClipExists(clip)) {
    GTEST_SKIP() << clip << " was not made";
  }
  const std::vector<uint8_t> bytes = ReadFileBytes(ClipPath(clip));
  for (const bool index : {true, false}) {
    AviFile whole;
    ASSERT_TRUE(whole.Open(bytes.data(), bytes.size(), nullptr, false, 2, index)) << clip;
    const Reads all = ReadThrough(&whole);
    ASSERT_GT(all.frames.size(), 10u) << clip;
    size_t framesBefore = 0;
    std::vector<size_t> cuts;
    for (size_t cut = 0; cut < bytes.size(); cut += 4096) cuts.push_back(cut);
    cuts.push_back(bytes.size());
    for (const size_t cut : cuts) {
      const std::string what = clip + " cut at " + std::to_string(cut) + (index ? "" : " without index");
      AviFile file;
      std::string messages;
      if (!file.Open(bytes.data(), cut, &messages, false, 2, index)) {
        EXPECT_TRUE(messages == "Unknown format, Velmora supports AVI (RIFF) formats only\n" ||
                    messages == "Can't load indispensable index table\n") << what << ": " << messages;
        continue;
      }
      EXPECT_EQ(messages, "") << what;
      const Reads got = ReadThrough(&file);
      ASSERT_LE(got.frames.size(), all.frames.size()) << what;
      for (size_t f = 0; f < got.frames.size(); ++f) ASSERT_EQ(got.frames[f], all.frames[f]) << what << " frame " << f;
      EXPECT_TRUE(IsPrefix(got.sound, all.sound)) << what << ": " << got.sound.size() << " sound bytes";
      EXPECT_GE(got.frames.size(), framesBefore) << what << ": a longer prefix reads fewer frames";
      framesBefore = got.frames.size();
      if (cut == bytes.size()) {
        EXPECT_EQ(got.sound.size(), all.sound.size()) << what;
      }
    }
    EXPECT_EQ(framesBefore, all.frames.size()) << clip;
  }
}

TEST(TruncationSweep, CinepakAndPcm) { SweepPrefixes("cinepak_pcm16.avi"); }
TEST(TruncationSweep, RawAndMp3) { SweepPrefixes("raw_mp3.avi"); }
TEST(TruncationSweep, MsVideo1AndAdpcm) { SweepPrefixes("msvc_ima.avi"); }

}  // namespace
