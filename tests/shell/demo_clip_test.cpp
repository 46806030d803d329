// The demo clip tool's files, decoded by ffmpeg as an independent reader:
// the pictures are the ones drawn, the sound is the tone or the clicks.
#include <gtest/gtest.h>

#include "tests/common/test_paths.h"
#include "tools/demo_clip/demo_clip.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Runs a command and returns its standard output.
std::vector<uint8_t> CommandOutput(const std::string& command) {
  std::vector<uint8_t> bytes;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return bytes;
  uint8_t buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  pclose(pipe);
  return bytes;
}

std::string MakeClip(const std::string& name, const std::string& options) {
  const std::string path = ScratchPath(name);
  const std::string command = std::string(VELMORA_DEMO_CLIP_TOOL) + " " + path + " " + options +
                              " > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return path;
}

// Frame n as ffmpeg decodes it: top-down rows of red, green, blue.
std::vector<uint8_t> DecodedFrame(const std::string& path, int frame) {
  return CommandOutput("ffmpeg -v error -i " + path + " -vf \"select=eq(n\\," +
                       std::to_string(frame) + ")\" -vframes 1 -f rawvideo -pix_fmt rgb24 -");
}

std::vector<int16_t> DecodedLeftChannel(const std::string& path) {
  const std::vector<uint8_t> bytes =
      CommandOutput("ffmpeg -v error -i " + path + " -f s16le -ac 2 -");
  std::vector<int16_t> left;
  for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
    left.push_back(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return left;
}

// Compares ffmpeg's top-down RGB with the tool's bottom-up BGR frame.
int CountDifferentPixels(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& bgr,
                         const DemoClipSettings& s) {
  const int stride = FrameBytes(s) / s.height;
  int different = 0;
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* drawn = bgr.data() + static_cast<size_t>(s.height - 1 - y) * stride;
    for (int x = 0; x < s.width; ++x) {
      const uint8_t* decoded = rgb.data() + (static_cast<size_t>(y) * s.width + x) * 3;
      if (decoded[0] != drawn[3 * x + 2] || decoded[1] != drawn[3 * x + 1] ||
          decoded[2] != drawn[3 * x]) {
        ++different;
      }
    }
  }
  return different;
}

// Frames as drawn for the settings, in a 202-pixel clip (rows of 606 bytes,
// padded to 608) and in the flash clip, whose bottom-right pixel is white
// exactly on the first frame of a second.
TEST(DemoClipTool, PicturesDecodeAsDrawn) {
  DemoClipSettings plain, flash;
  plain.width = 202, plain.height = 150, plain.seconds = 2;
  flash.width = 64, flash.height = 48, flash.seconds = 3, flash.flashAndClick = true;
  const struct {
    const DemoClipSettings& settings;
    std::string path;
    std::vector<int> frames;
  } clips[] = {{plain, MakeClip("demo.avi", "--size 202x150 --seconds 2"), {0, 37, 49}},
               {flash, MakeClip("sync.avi", "--flash --size 64x48 --seconds 3"), {0, 1, 24, 25, 26, 50}}};
  for (const auto& clip : clips) {
    const DemoClipSettings& s = clip.settings;
    for (int frame : clip.frames) {
      const std::vector<uint8_t> decoded = DecodedFrame(clip.path, frame);
      ASSERT_EQ(decoded.size(), static_cast<size_t>(s.width * s.height * 3)) << "frame " << frame;
      EXPECT_EQ(CountDifferentPixels(decoded, DrawFrame(s, frame), s), 0) << "frame " << frame;
      if (s.flashAndClick) {
        EXPECT_EQ(decoded[decoded.size() - 3] == 255, frame % 25 == 0) << frame;
      }
    }
  }
  // Consecutive frames differ (the picture moves).
  EXPECT_GT(CountDifferentPixels(DecodedFrame(clips[0].path, 10), DrawFrame(plain, 11), plain), 1000);
}

TEST(DemoClipTool, ToneHasItsFrequency) {
  const std::string path = MakeClip("tone.avi", "--size 32x32 --seconds 2 --tone 440");
  const std::vector<int16_t> left = DecodedLeftChannel(path);
  ASSERT_EQ(left.size(), 88200u);  // two seconds at 44,100 Hz, all frames' shares together
  int risingCrossings = 0;
  for (size_t i = 1; i < left.size(); ++i) {
    if (left[i - 1] < 0 && left[i] >= 0) ++risingCrossings;
  }
  EXPECT_NEAR(risingCrossings, 880, 2);
  int16_t peak = 0;
  for (int16_t v : left) peak = std::max<int16_t>(peak, v);
  EXPECT_NEAR(peak, 16384, 50);  // half scale
}

TEST(DemoClipTool, SyncClipClicksOnTheFlash) {
  const std::string path = MakeClip("sync.avi", "--flash --size 64x48 --seconds 3");
  // Sound only in the first 10 ms of each second: 441 samples.
  const std::vector<int16_t> left = DecodedLeftChannel(path);
  ASSERT_EQ(left.size(), 3u * 44100u);
  for (int second = 0; second < 3; ++second) {
    int loudFirst = 0;
    int loudRest = 0;
    for (int n = 0; n < 44100; ++n) {
      const bool loud = std::abs(left[second * 44100 + n]) > 1000;
      (n < 441 ? loudFirst : loudRest) += loud ? 1 : 0;
    }
    EXPECT_GT(loudFirst, 300) << "second " << second;
    EXPECT_EQ(loudRest, 0) << "second " << second;
  }
}

}  // namespace
