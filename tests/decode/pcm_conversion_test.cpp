// Our PCM conversion against ffmpeg's conversion of the same sound (its
// swresample: the same down-mix and roundings), and the format reading.
#include <gtest/gtest.h>

#include "decode/pcm_conversion.h"
#include "tests/common/test_paths.h"
#include "tests/media/media_test_support.h"
#include "tools/avi_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Ffmpeg(const std::string& arguments, const std::string& output) {
  const std::string path = ScratchPath(output);
  const bool made = std::system(("ffmpeg -v error -nostdin -y " + arguments + " " + path).c_str()) == 0;
  return made ? ReadFileBytes(path) : std::vector<uint8_t>();
}

std::vector<uint8_t> Convert(PcmShape from, PcmShape to, bool halfRate, const std::vector<uint8_t>& in) {
  PcmConverter converter(from, to, halfRate);
  std::vector<uint8_t> out(static_cast<size_t>(converter.MaxOutputBytes(static_cast<int32_t>(in.size()))));
  out.resize(static_cast<size_t>(converter.Convert(in.data(), static_cast<int32_t>(in.size()), out.data())));
  return out;
}

// The largest difference of two runs of samples (16-bit when sixteen).
int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, bool sixteen) {
  int largest = 0;
  for (size_t i = 0, step = sixteen ? 2 : 1; i + step <= std::min(a.size(), b.size()); i += step) {
    const auto sample = [&](const std::vector<uint8_t>& s) { return sixteen ? int16_t(s[i] | s[i + 1] << 8) : s[i]; };
    largest = std::max(largest, std::abs(sample(a) - sample(b)));
  }
  return largest;
}

}  // namespace

// Each channel a tone of its own at half of full scale (so that a wrong
// matrix shows); ffmpeg writes it in the input format and converts what it
// wrote, so both start from the same bytes. 8- and 16-bit sound comes out
// identical; within one step of the last bit from wider integers and floats
// (whose mix ffmpeg computes in floating point) and in mono mixes of more
// than two channels (ffmpeg rounds its own mono coefficients, equal to ours
// before rounding).
TEST(PcmConversionTest, MatchesFfmpegsConversion) {
  // ffmpeg's names of the input samples and of the standard layout of the
  // channel count; 16-bit output, else 8-bit.
  struct Case { std::string format; int channels; const char* layout; int outChannels, sixteen, tolerance; };
  const Case cases[] = {
      {"u8", 2, "stereo", 2, true, 0},     {"s16le", 1, "mono", 1, false, 0},   {"s16le", 2, "stereo", 1, true, 0},
      {"s16le", 2, "stereo", 1, false, 0}, {"s24le", 2, "stereo", 2, true, 0},  {"s24le", 2, "stereo", 1, false, 1},
      {"s32le", 1, "mono", 1, true, 0},    {"f32le", 2, "stereo", 2, true, 0},  {"f32le", 2, "stereo", 2, false, 0},
      {"f64le", 1, "mono", 1, true, 0},    {"s16le", 3, "3.0", 2, true, 0},     {"u8", 4, "quad", 2, true, 0},
      {"s16le", 5, "5.0", 1, true, 1},     {"s16le", 6, "5.1", 2, true, 0},     {"s16le", 6, "5.1", 1, false, 1},
      {"f32le", 6, "5.1", 2, true, 1},     {"s16le", 7, "6.1", 2, true, 0},     {"s24le", 8, "7.1", 2, true, 1},
  };
  const std::map<std::string, SampleType> types = {
      {"u8", SampleType::kUnsigned8}, {"s16le", SampleType::kSigned16}, {"s24le", SampleType::kSigned24},
      {"s32le", SampleType::kSigned32}, {"f32le", SampleType::kFloat32}, {"f64le", SampleType::kFloat64}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format + " " + c.layout + " to " + std::to_string(c.outChannels) + (c.sixteen ? " s16" : " u8"));
    std::string tones;
    for (int i = 0; i < c.channels; ++i) tones += (i ? "|" : "") + ("0.5*sin(2*PI*" + std::to_string(300 + 110 * i) + "*t)");
    const std::string raw = " -f " + c.format + " ";
    const std::vector<uint8_t> source = Ffmpeg("-f lavfi -i \"aevalsrc=exprs='" + tones + "':s=11025:c=" +
                                                   c.layout + ":d=1\" -c:a pcm_" + c.format + raw,
                                               "pcm_source.raw");
    const char* out = c.sixteen ? "s16le" : "u8";
    const std::vector<uint8_t> reference =
        Ffmpeg(raw + "-ar 11025 -ch_layout " + c.layout + " -i " + ScratchPath("pcm_source.raw") + " -ac " +
                   std::to_string(c.outChannels) + " -c:a pcm_" + out + " -f " + out,
               "pcm_reference.raw");
    ASSERT_FALSE(source.empty() || reference.empty());
    const PcmShape from{c.channels, types.at(c.format), 0}, to{c.outChannels, types.at(out), 0};
    ASSERT_TRUE(PcmConverter::CanConvert(from, to));
    const std::vector<uint8_t> ours = Convert(from, to, false, source);
    ASSERT_EQ(ours.size(), reference.size());
    EXPECT_LE(LargestDifference(ours, reference, c.sixteen), c.tolerance);
  }
}

// Floats out of range, tiny and not a number, which no tone of ffmpeg's
// carries.
TEST(PcmConversionTest, FloatsAreClampedAndRoundedToEven) {
  // Floats clamped, then rounded to even; NaN the lowest value. Twice over,
  // so that both the vector loop and the rest of the run see them.
  const float floats[] = {1.0f, -1.0f, 0.5f / 32768, 1.5f / 32768, NAN, 1e10f, -0.25f};
  const auto* floatBytes = reinterpret_cast<const uint8_t*>(floats);
  std::vector<uint8_t> bytes(floatBytes, floatBytes + sizeof floats);
  bytes.insert(bytes.end(), floatBytes, floatBytes + sizeof floats);
  const std::vector<uint8_t> s16 = {0xFF, 0x7F, 0, 0x80, 0, 0, 2, 0, 0, 0x80, 0xFF, 0x7F, 0, 0xE0};
  const std::vector<uint8_t> u8 = {255, 0, 128, 128, 0, 255, 96};
  for (const bool sixteen : {true, false}) {
    const std::vector<uint8_t>& once = sixteen ? s16 : u8;
    std::vector<uint8_t> expected = once;
    expected.insert(expected.end(), once.begin(), once.end());
    EXPECT_EQ(Convert({1, SampleType::kFloat32, 0}, {1, sixteen ? SampleType::kSigned16 : SampleType::kUnsigned8, 0},
                      false, bytes),
              expected);
  }
  // More channels out than in is not converted.
  EXPECT_FALSE(PcmConverter::CanConvert({1, SampleType::kUnsigned8, 0}, {2, SampleType::kSigned16, 0}));
}

// Formats as files carry them: plain PCM and float tags, extensible ones
// with their sub-format, valid bits and speakers; anything else refused.
TEST(PcmConversionTest, DescribesPlainAndExtensibleFormats) {
  auto extensible = [](uint16_t channels, uint16_t align, uint16_t bits, uint8_t subTag, uint32_t mask) {
    const std::vector<uint8_t> extra = {static_cast<uint8_t>(bits), 0, static_cast<uint8_t>(mask), static_cast<uint8_t>(mask >> 8), 0, 0,
                                        subTag, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    return WaveFormatBytes(0xFFFE, channels, 44100, 0, align, bits, extra);
  };
  struct Case { std::vector<uint8_t> bytes; int channels; SampleType type; };  // channels 0: refused
  const Case cases[] = {
      {WaveFormatBytes(1, 2, 44100, 0, 6, 24), 2, SampleType::kSigned24},
      {WaveFormatBytes(1, 1, 44100, 0, 3, 20), 1, SampleType::kSigned24},  // 20 valid bits in 3 bytes
      {WaveFormatBytes(3, 2, 44100, 0, 8, 32), 2, SampleType::kFloat32},
      {extensible(6, 12, 16, 1, 0x3F), 6, SampleType::kSigned16},
      {extensible(1, 8, 64, 3, 4), 1, SampleType::kFloat64},
      {extensible(2, 4, 16, 2, 3), 0, SampleType::kSigned16},        // another sub-format
      {WaveFormatBytes(1, 2, 44100, 0, 5, 16), 0, SampleType::kSigned16},  // block align of no frame
      {WaveFormatBytes(1, 9, 44100, 0, 18, 16), 0, SampleType::kSigned16},
      {WaveFormatBytes(3, 1, 44100, 0, 2, 16), 0, SampleType::kSigned16},  // 16-bit floats
      {WaveFormatBytes(0x55, 2, 44100, 0, 1, 0), 0, SampleType::kSigned16},
  };
  for (const Case& c : cases) {
    PcmShape shape;
    ASSERT_EQ(DescribePcm(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), &shape), c.channels > 0)
        << "tag " << (c.bytes[0] | c.bytes[1] << 8) << " bits " << int{c.bytes[14]};
    EXPECT_TRUE(c.channels == 0 || (shape.type == c.type && shape.channels == c.channels));
  }
  PcmShape shape;
  ASSERT_TRUE(DescribePcm(cases[3].bytes.data(), 40, &shape));
  EXPECT_EQ(shape.channelMask, 0x3Fu);
  EXPECT_FALSE(DescribePcm(cases[3].bytes.data(), 39, &shape)) << "cut short";
}
