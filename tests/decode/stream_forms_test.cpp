// The stream formats as the decoder reads them for its own conversions: the
// picture form of a "strf", and the rates a file leaves out. (What a sound
// chain delivers is judged on real chains by the decoding suite's ADPCM rows.)
#include "decode/picture_format.h"
#include "decode/stream_format_check.h"
#include "media/avi_file.h"
#include "tools/avi_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> Strf(uint32_t headerSize, int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                          std::vector<uint32_t> after = {}, uint32_t coloursUsed = 0) {
  std::vector<uint8_t> bytes(headerSize);
  const uint32_t words[] = {headerSize, static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
  std::memcpy(bytes.data(), words, sizeof words);
  std::memcpy(&bytes[14], &bits, 2);
  std::memcpy(&bytes[16], &compression, 4);
  std::memcpy(&bytes[32], &coloursUsed, 4);
  for (uint32_t word : after) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(word >> (8 * i)));
  }
  return bytes;
}

}  // namespace

// Which form each header names; masks after a 40-byte header or inside a
// larger one; palettes of biClrUsed entries, black where the format ends.
TEST(StreamForms, PictureFormOfTheFormat) {
  const uint32_t yuy2 = 0x32797579;  // "yuy2"
  struct Case { std::vector<uint8_t> strf; bool accepted; PictureForm form; };
  std::vector<uint8_t> v4 = Strf(108, 8, -2, 32, 3);
  const uint32_t v4Masks[] = {0xFF0000, 0xFF00, 0xFF};
  std::memcpy(&v4[40], v4Masks, sizeof v4Masks);
  const Case cases[] = {
      {Strf(40, 8, 2, 16, 0), true, PictureForm::kRgb555},      {Strf(40, 8, 2, 32, 0), true, PictureForm::kRgb32},
      {Strf(40, 8, 2, 16, 3, {0xF800, 0x07E0, 0x001F}), true, PictureForm::kRgb565},
      {Strf(40, 8, 2, 16, 3, {0x0F00, 0x00F0, 0x000F}), true, PictureForm::kBitfields16},
      {v4, true, PictureForm::kRgb32},                          {Strf(40, 8, 2, 4, 0), true, PictureForm::kPalette4},
      {Strf(40, 8, 2, 32, 3, {0xFF, 0xFF00, 0xFF0000}), true, PictureForm::kBitfields32},
      {Strf(40, 8, 2, 16, yuy2), true, PictureForm::kYuy2},     {Strf(40, 8, 2, 12, 0), false, PictureForm::kRgb24},
      {Strf(40, 8, 2, 16, 3, {0xF800, 0x0FE0, 0x001F}), false, PictureForm::kRgb24},  // overlapping
      {Strf(40, 8, 2, 16, 3, {0xF800, 0x0520, 0x001F}), false, PictureForm::kRgb24},  // not one run
      {Strf(40, 8, 2, 16, 3, {0xF800, 0x07E0}), false, PictureForm::kRgb24},          // masks cut short
      {Strf(40, 8, 2, 16, 3, {0x1F0000, 0x07E0, 0x001F}), false, PictureForm::kRgb24},  // past 16 bits
      {Strf(40, 8, 2, 24, 0x47504A4D), false, PictureForm::kRgb24},  // MJPG
      {Strf(40, 0, 2, 24, 0), false, PictureForm::kRgb24},
  };
  for (const Case& c : cases) {
    PictureLayout layout;
    uint32_t palette[256];
    EXPECT_EQ(DescribePicture(c.strf.data(), static_cast<uint32_t>(c.strf.size()), &layout, palette), c.accepted)
        << "bits " << int{c.strf[14]} << " compression " << (c.strf[16] | c.strf[17] << 8);
    EXPECT_TRUE(!c.accepted || (layout.form == c.form && layout.width == 8)) << static_cast<int>(layout.form);
  }
  // Two colours used, the second cut short: the rest black.
  const std::vector<uint8_t> strf = Strf(40, 8, -2, 8, 0, {0x00102030, 0x00405060}, 3);
  PictureLayout layout;
  uint32_t palette[256];
  std::memset(palette, 0xEE, sizeof palette);
  ASSERT_TRUE(DescribePicture(strf.data(), static_cast<uint32_t>(strf.size()) - 1, &layout, palette));
  EXPECT_EQ(layout.biHeight, -2);
  EXPECT_EQ(std::vector<uint32_t>({palette[0], palette[1], palette[255]}), std::vector<uint32_t>({0x00102030u, 0, 0}));
}

// A video rate of 0 or above 1,000 frames a second comes from avih; a sound
// rate of 0 from the format (16-bit stereo PCM, 4-byte samples), a sample
// rate of 0 from the sound's header; false where neither answers.
TEST(StreamForms, SenselessRatesComeFromTheOtherHeader) {
  struct Video { int32_t rate, scale; uint32_t microSecPerFrame; bool ok; int32_t wantRate, wantScale; };
  for (const Video& c : {Video{0, 0, 100000, true, 1000000, 100000}, Video{2000, 1, 40000, true, 1000000, 40000},
                         Video{25, 1, 0, true, 25, 1}, Video{0, 0, 0, false, 0, 0}, Video{1, 0, 500, false, 1, 0}}) {
    int32_t rate = c.rate, scale = c.scale;
    EXPECT_EQ(RepairVideoRate(c.microSecPerFrame, &rate, &scale), c.ok) << c.rate << "/" << c.scale;
    EXPECT_EQ(std::vector<int32_t>({rate, scale}), std::vector<int32_t>({c.wantRate, c.wantScale}));
  }
  struct Sound { int32_t rate, scale; uint32_t samplesPerSec, avgBytesPerSec; bool ok; std::vector<int32_t> want; };
  const Sound sounds[] = {{0, 0, 22050, 88200, true, {88200, 4, 22050}}, {0, 1, 22050, 0, true, {88200, 4, 22050}},
                          {44100, 2, 0, 0, true, {44100, 2, 22050}}, {0, 0, 0, 0, false, {}}};
  for (const Sound& c : sounds) {
    std::vector<uint8_t> format = WaveFormatBytes(1, 2, c.samplesPerSec, c.avgBytesPerSec, 4, 16);
    AudioStreamInfo audio = {c.rate, c.scale, 0, format.data(), static_cast<uint32_t>(format.size()), 0, 4, 0};
    EXPECT_EQ(RepairSoundRates(&audio), c.ok) << c.rate << "/" << c.scale << " " << c.samplesPerSec;
    if (c.ok) { EXPECT_EQ(std::vector<int32_t>({audio.rate, audio.scale, format[4] | format[5] << 8}), c.want); }
  }
}
