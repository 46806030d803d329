// Our PCM conversion against ffmpeg's conversion of the same sound, byte for
// byte, and the stereo-to-mono and half-rate steps on worked values.
#include <gtest/gtest.h>

#include "decode/pcm_conversion.h"
#include "tests/common/test_paths.h"
#include "tests/media/media_test_support.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// ffmpeg's raw output of a one-second tone in the given sample format.
std::vector<uint8_t> FfmpegTone(const std::string& format, int channels, const std::string& source) {
  const std::string path = ScratchPath("tone_" + format + std::to_string(channels) + ".raw");
  const std::string command = "ffmpeg -v error -nostdin -y " + source + " -ac " +
                              std::to_string(channels) + " -c:a pcm_" + format + " -f " + format +
                              " " + path;
  if (std::system(command.c_str()) != 0) return {};
  return ReadFileBytes(path);
}

std::vector<uint8_t> Convert(PcmShape from, PcmShape to, bool halfRate, const std::vector<uint8_t>& in) {
  PcmConverter converter(from, to, halfRate);
  std::vector<uint8_t> out(static_cast<size_t>(converter.MaxOutputBytes(static_cast<int32_t>(in.size()))));
  out.resize(static_cast<size_t>(converter.Convert(in.data(), static_cast<int32_t>(in.size()), out.data())));
  return out;
}

}  // namespace

TEST(PcmConversionTest, BitDepthsMatchFfmpegByteForByte) {
  const std::string tone = "-f lavfi -i sine=frequency=997:sample_rate=11025:duration=1";
  struct Case {
    const char* from;
    const char* to;
    int channels;
  };
  for (const Case& c : {Case{"u8", "s16le", 1}, Case{"u8", "s16le", 2}, Case{"s16le", "u8", 1},
                        Case{"s16le", "u8", 2}}) {
    SCOPED_TRACE(std::string(c.from) + " to " + c.to + ", channels " + std::to_string(c.channels));
    const std::vector<uint8_t> source = FfmpegTone(c.from, c.channels, tone);
    // ffmpeg converts the file it wrote, so both start from the same bytes.
    const std::string sourcePath = ScratchPath("tone_" + std::string(c.from) + std::to_string(c.channels) + ".raw");
    const std::vector<uint8_t> reference = FfmpegTone(
        c.to, c.channels, std::string("-f ") + c.from + " -ar 11025 -ac " + std::to_string(c.channels) +
                              " -i " + sourcePath);
    ASSERT_FALSE(source.empty());
    ASSERT_FALSE(reference.empty());
    PcmShape from{c.channels, std::string(c.from) == "s16le"};
    PcmShape to{c.channels, std::string(c.to) == "s16le"};
    EXPECT_EQ(Convert(from, to, false, source), reference);
  }
}

TEST(PcmConversionTest, StereoToMonoAndHalfRate) {
  // Frames (L, R) as 16-bit: (100, 301), (-3, 0), (-32768, 32767), (7, 7).
  const std::vector<uint8_t> stereo = {100, 0, 45, 1, 0xFD, 0xFF, 0, 0, 0, 0x80, 0xFF, 0x7F, 7, 0, 7, 0};
  // Means truncated toward minus infinity: 200, -2, -1, 7.
  EXPECT_EQ(Convert({2, true}, {1, true}, false, stereo),
            (std::vector<uint8_t>{200, 0, 0xFE, 0xFF, 0xFF, 0xFF, 7, 0}));
  // Every other frame, the phase carried across calls: frames 0 and 2.
  PcmConverter converter({2, true}, {1, true}, true);
  std::vector<uint8_t> out(16);
  int32_t written = converter.Convert(stereo.data(), 4, out.data());
  written += converter.Convert(stereo.data() + 4, 12, out.data() + written);
  out.resize(static_cast<size_t>(written));
  EXPECT_EQ(out, (std::vector<uint8_t>{200, 0, 0xFF, 0xFF}));
  // More channels out than in, or more than two, is not converted.
  EXPECT_FALSE(PcmConverter::CanConvert({1, false}, {2, true}));
  EXPECT_FALSE(PcmConverter::CanConvert({6, true}, {2, true}));
}
