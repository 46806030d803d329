#include "video/picture_to_yuy2.h"

#include "tests/video/pixel_test_support.h"
#include "video/yuy2_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

PictureLayout Layout(PictureForm form, int32_t width, int32_t biHeight, const uint32_t* masks = nullptr) {
  PictureLayout layout{form, width, biHeight, {}};
  if (masks != nullptr) std::copy(masks, masks + 3, layout.masks);
  return layout;
}

const uint32_t kMasks444[3] = {0x0F00, 0x00F0, 0x000F}, kMasks10[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};

}  // namespace

// Each RGB form reads its pixels as these 8-bit colours and converts them
// as RGB24 does, in both qualities: bytes as they are, 5-bit fields (and
// green's 6 bits) with their top bits repeated below (0 stays 0, the largest
// value becomes 255), other masks likewise or cut to their top 8 bits,
// palette indices as their entries.
TEST(PictureToYuy2, EveryRgbFormReadsItsPixelsAsTheirColours) {
  const uint32_t rgbFromLow[3] = {0x0000FF, 0x00FF00, 0xFF0000};
  std::vector<uint32_t> palette(256, 0);
  palette[1] = 0x00A1B2C3;
  palette[10] = 0x00102030;
  palette[255] = 0xFF445566;  // the unused byte is not read
  struct Case {
    PictureForm form;
    const uint32_t* masks;
    uint8_t pixels[8];  // two pixels
    uint8_t bgr[6];               // their colours
  };
  const Case cases[] = {
      {PictureForm::kRgb32, nullptr, {1, 2, 3, 99, 4, 5, 6, 99}, {1, 2, 3, 4, 5, 6}},
      {PictureForm::kBitfields32, rgbFromLow, {1, 2, 3, 99, 4, 5, 6, 99}, {3, 2, 1, 6, 5, 4}},
      {PictureForm::kBitfields32, kMasks10, {0xFF, 0x03, 0, 0x20, 0, 0xFC, 0xFF, 0x3F}, {255, 0, 128, 0, 255, 255}},
      {PictureForm::kRgb555, nullptr, {0x1F, 0x7C, 0x21, 0x04}, {255, 0, 255, 8, 8, 8}},
      {PictureForm::kRgb565, nullptr, {0xE0, 0x07, 0x3F, 0x08}, {0, 255, 0, 255, 4, 8}},
      {PictureForm::kBitfields16, kMasks444, {0x5F, 0x0A, 0x00, 0x0F}, {255, 85, 170, 0, 0, 255}},
      {PictureForm::kPalette8, nullptr, {10, 255}, {0x30, 0x20, 0x10, 0x66, 0x55, 0x44}},
      {PictureForm::kPalette4, nullptr, {0xA1}, {0x30, 0x20, 0x10, 0xC3, 0xB2, 0xA1}},
      {PictureForm::kPalette1, nullptr, {0x40}, {0, 0, 0, 0xC3, 0xB2, 0xA1}},
  };
  Rgb555ToYuy2Table table;
  for (const Case& c : cases) {
    for (const bool high : {true, false}) {
      uint32_t got = 0;
      ASSERT_TRUE(reference::ConvertPictureToYuy2(Layout(c.form, 2, -1, c.masks), c.pixels, palette.data(),
                                                  reinterpret_cast<uint8_t*>(&got), high, &table));
      EXPECT_EQ(got, Rgb24PairToYuy2(c.bgr, high, table.Entries()))
          << "form " << static_cast<int>(c.form) << (high ? " high" : " low");
    }
  }
}

// Planar YUV on worked bytes: a row takes its chroma row's column k for
// pair k, each chroma row serving two rows (packed forms are checked against
// ffmpeg's own reordering in the decoding tests).
TEST(PictureToYuy2, PlanarRowsShareTheirChromaRows) {
  Rgb555ToYuy2Table table;
  const std::vector<uint8_t> planes = {10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33,  // Y, 4 x 3
                                       40, 41, 42, 43,                                  // first chroma, 2 x 2
                                       50, 51, 52, 53};                                 // second chroma
  const std::pair<PictureForm, std::vector<uint8_t>> cases[] = {
      {PictureForm::kI420, {10, 40, 11, 50, 12, 41, 13, 51, 20, 40, 21, 50, 22, 41, 23, 51, 30, 42, 31, 52, 32, 43, 33, 53}},
      {PictureForm::kYv12, {10, 50, 11, 40, 12, 51, 13, 41, 20, 50, 21, 40, 22, 51, 23, 41, 30, 52, 31, 42, 32, 53, 33, 43}},
  };
  for (const auto& [form, yuy2] : cases) {
    const PictureLayout layout = Layout(form, 4, 3);
    EXPECT_EQ(PictureLayoutBytes(layout), planes.size()) << static_cast<int>(form);
    for (const bool fast : {false, true}) {
      std::vector<uint8_t> out(yuy2.size());
      (fast ? ConvertPictureToYuy2 : reference::ConvertPictureToYuy2)(layout, planes.data(), nullptr, out.data(), true,
                                                                      &table);
      EXPECT_EQ(out, yuy2) << static_cast<int>(form) << (fast ? " fast" : "");
    }
  }
}

// Rows padded to 4 bytes by their bits (a 9-pixel 4-bit row takes 8 bytes,
// a 10-pixel 1-bit row 4, a 321-pixel RGB24 row 964); unpadded planes with
// chroma of the rounded-up half size.
TEST(PictureToYuy2, PictureBytes) {
  const struct {
    PictureForm form;
    int32_t width, biHeight;
    size_t bytes;
  } cases[] = {{PictureForm::kPalette4, 9, 2, 16}, {PictureForm::kPalette1, 10, -3, 12}, {PictureForm::kRgb24, 321, 2, 1928},
               {PictureForm::kRgb555, 3, 1, 8}, {PictureForm::kUyvy, 3, 1, 8}, {PictureForm::kI420, 5, 3, 27},
               {PictureForm::kRgb32, 0, 3, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(PictureLayoutBytes(Layout(c.form, c.width, c.biHeight)), c.bytes) << static_cast<int>(c.form);
}

// Every form, at every vector level, gives the reference's bytes on random
// pictures of awkward sizes, in both qualities and row orders, with masks of
// other widths (4-4-4 and 10-10-10) among the bitfields; and on a picture of
// every 15-bit colour, in RGB24 (with random low bits, which the low quality
// drops) and RGB555.
TEST(PictureToYuy2, FastFormsMatchReference) {
  std::mt19937 random(27);
  struct Picture {
    std::string name;
    PictureLayout layout;
    std::vector<uint8_t> bytes;
  };
  std::vector<Picture> pictures;
  for (const PictureForm form :
       {PictureForm::kRgb24, PictureForm::kRgb32, PictureForm::kRgb555, PictureForm::kRgb565, PictureForm::kBitfields16,
        PictureForm::kBitfields32, PictureForm::kPalette8, PictureForm::kPalette4, PictureForm::kPalette1,
        PictureForm::kUyvy, PictureForm::kYvyu, PictureForm::kYuy2, PictureForm::kI420, PictureForm::kYv12}) {
    const uint32_t* masks = form == PictureForm::kBitfields16 ? kMasks444
                            : form == PictureForm::kBitfields32 ? kMasks10 : nullptr;
    for (const FrameSize& size : AwkwardFrameSizes())
      for (const int32_t biHeight : {-size.height, size.height}) {
        const PictureLayout layout = Layout(form, size.width, biHeight, masks);
        pictures.push_back({"form " + std::to_string(static_cast<int>(form)) + " " + std::to_string(biHeight) + " " +
                            SizeName(size), layout, GuardedBuffer(PictureLayoutBytes(layout), &random).Payload()});
      }
  }
  std::vector<uint8_t> every24(3 * 32768), every555(2 * 32768);
  for (uint32_t i = 0; i < 32768; ++i) {
    for (int k = 0; k < 3; ++k) every24[3 * i + k] = static_cast<uint8_t>((((i >> (5 * k)) & 31) << 3) | (random() & 7));
    every555[2 * i] = static_cast<uint8_t>(i);
    every555[2 * i + 1] = static_cast<uint8_t>(i >> 8);
  }
  pictures.push_back({"every colour, RGB24", Layout(PictureForm::kRgb24, 256, -128), every24});
  pictures.push_back({"every colour, RGB555", Layout(PictureForm::kRgb555, 256, -128), every555});
  Rgb555ToYuy2Table table;
  std::vector<uint32_t> palette(256);
  for (uint32_t& entry : palette) entry = random();
  for (const Picture& p : pictures) {
    const int32_t height = std::abs(p.layout.biHeight);
    for (const bool high : {true, false}) {
      ExpectFastFormMatches(
          Yuy2RowStride(p.layout.width) * height, &random,
          [&](uint8_t* out) { reference::ConvertPictureToYuy2(p.layout, p.bytes.data(), palette.data(), out, high, &table); },
          [&](uint8_t* out) { ConvertPictureToYuy2(p.layout, p.bytes.data(), palette.data(), out, high, &table); },
          p.name + (high ? " high" : " low"));
    }
  }
}
