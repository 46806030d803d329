#include "video/picture_to_yuy2.h"

#include "tests/video/pixel_test_support.h"
#include "video/yuy2_frame.h"

#include <gtest/gtest.h>

namespace {

PictureLayout Layout(PictureForm form, int32_t width, int32_t biHeight, const uint32_t* masks = nullptr) {
  PictureLayout layout;
  layout.form = form;
  layout.width = width;
  layout.biHeight = biHeight;
  for (int i = 0; masks != nullptr && i < 3; ++i) layout.masks[i] = masks[i];
  return layout;
}

}  // namespace

// Each RGB form reads its pixels as these 8-bit colours and converts them
// as RGB24 does, in both qualities: bytes as they are, 5-bit fields (and
// green's 6 bits) with their top bits repeated below (0 stays 0, the largest
// value becomes 255), other masks likewise or cut to their top 8 bits,
// palette indices as their entries.
TEST(PictureToYuy2, EveryRgbFormReadsItsPixelsAsTheirColours) {
  const uint32_t rgbFromLow[3] = {0x0000FF, 0x00FF00, 0xFF0000}, masks444[3] = {0x0F00, 0x00F0, 0x000F},
                 masks10[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};
  std::vector<uint32_t> palette(256, 0);
  palette[1] = 0x00A1B2C3;
  palette[10] = 0x00102030;
  palette[255] = 0xFF445566;  // the unused byte is not read
  struct Case {
    PictureForm form;
    const uint32_t* masks;
    std::vector<uint8_t> pixels;  // two pixels
    uint8_t bgr[6];               // their colours
  };
  const Case cases[] = {
      {PictureForm::kRgb32, nullptr, {1, 2, 3, 99, 4, 5, 6, 99}, {1, 2, 3, 4, 5, 6}},
      {PictureForm::kBitfields32, rgbFromLow, {1, 2, 3, 99, 4, 5, 6, 99}, {3, 2, 1, 6, 5, 4}},
      {PictureForm::kBitfields32, masks10, {0xFF, 0x03, 0, 0x20, 0, 0xFC, 0xFF, 0x3F}, {255, 0, 128, 0, 255, 255}},
      {PictureForm::kRgb555, nullptr, {0x1F, 0x7C, 0x21, 0x04}, {255, 0, 255, 8, 8, 8}},
      {PictureForm::kRgb565, nullptr, {0xE0, 0x07, 0x3F, 0x08}, {0, 255, 0, 255, 4, 8}},
      {PictureForm::kBitfields16, masks444, {0x5F, 0x0A, 0x00, 0x0F}, {255, 85, 170, 0, 0, 255}},
      {PictureForm::kPalette8, nullptr, {10, 255}, {0x30, 0x20, 0x10, 0x66, 0x55, 0x44}},
      {PictureForm::kPalette4, nullptr, {0xA1}, {0x30, 0x20, 0x10, 0xC3, 0xB2, 0xA1}},
      {PictureForm::kPalette1, nullptr, {0x40}, {0, 0, 0, 0xC3, 0xB2, 0xA1}},
  };
  Rgb555ToYuy2Table table;
  for (const Case& c : cases) {
    for (const bool high : {true, false}) {
      std::vector<uint8_t> source = c.pixels;
      source.resize(8, 0);
      uint32_t got = 0;
      ASSERT_TRUE(reference::ConvertPictureToYuy2(Layout(c.form, 2, -1, c.masks), source.data(), palette.data(),
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
  struct Case {
    PictureForm form;
    int32_t width, height;
    const std::vector<uint8_t>* source;
    std::vector<uint8_t> yuy2;
  };
  const Case cases[] = {
      {PictureForm::kI420, 4, 3, &planes, {10, 40, 11, 50, 12, 41, 13, 51, 20, 40, 21, 50, 22, 41, 23, 51,
                                           30, 42, 31, 52, 32, 43, 33, 53}},
      {PictureForm::kYv12, 4, 3, &planes, {10, 50, 11, 40, 12, 51, 13, 41, 20, 50, 21, 40, 22, 51, 23, 41,
                                           30, 52, 31, 42, 32, 53, 33, 43}},
  };
  for (const Case& c : cases) {
    const PictureLayout layout = Layout(c.form, c.width, c.height);
    EXPECT_EQ(PictureLayoutBytes(layout), c.source->size()) << static_cast<int>(c.form);
    for (const bool fast : {false, true}) {
      std::vector<uint8_t> out(c.yuy2.size());
      if (fast) ConvertPictureToYuy2(layout, c.source->data(), nullptr, out.data(), true, &table);
      else reference::ConvertPictureToYuy2(layout, c.source->data(), nullptr, out.data(), true, &table);
      EXPECT_EQ(out, c.yuy2) << static_cast<int>(c.form) << (fast ? " fast" : "");
    }
  }
}

// Rows padded to 4 bytes by their bits (a 9-pixel 4-bit row takes 8 bytes,
// a 10-pixel 1-bit row 4, a 321-pixel RGB24 row 964); unpadded planes with
// chroma of the rounded-up half size.
TEST(PictureToYuy2, PictureBytes) {
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kPalette4, 9, 2)), 16u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kPalette1, 10, -3)), 12u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kRgb24, 321, 2)), 1928u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kRgb555, 3, 1)), 8u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kUyvy, 3, 1)), 8u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kI420, 5, 3)), 27u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kRgb32, 0, 3)), 0u);
}

// Every form, at every vector level, gives the reference's bytes on random
// pictures of awkward sizes, in both qualities and row orders, with masks of
// other widths (4-4-4 and 10-10-10) among the bitfields; and on a picture of
// every 15-bit colour, in RGB24 (with random low bits, which the low quality
// drops) and RGB555.
TEST(PictureToYuy2, FastFormsMatchReference) {
  const uint32_t masks444[3] = {0x0F00, 0x00F0, 0x000F};
  const uint32_t masks10[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};
  struct Case {
    PictureForm form;
    const uint32_t* masks;
  };
  const Case cases[] = {{PictureForm::kRgb24, nullptr},      {PictureForm::kRgb32, nullptr},
                        {PictureForm::kRgb555, nullptr},     {PictureForm::kRgb565, nullptr},
                        {PictureForm::kBitfields16, masks444}, {PictureForm::kBitfields32, masks10},
                        {PictureForm::kPalette8, nullptr},   {PictureForm::kPalette4, nullptr},
                        {PictureForm::kPalette1, nullptr},   {PictureForm::kUyvy, nullptr},
                        {PictureForm::kYvyu, nullptr},       {PictureForm::kYuy2, nullptr},
                        {PictureForm::kI420, nullptr},       {PictureForm::kYv12, nullptr}};
  std::mt19937 random(27);
  Rgb555ToYuy2Table table;
  std::vector<uint32_t> palette(256);
  for (uint32_t& entry : palette) entry = random();
  for (const Case& c : cases) {
    for (const FrameSize& size : AwkwardFrameSizes()) {
      for (const int32_t biHeight : {-size.height, size.height}) {
        const PictureLayout layout = Layout(c.form, size.width, biHeight, c.masks);
        GuardedBuffer source(PictureLayoutBytes(layout), &random);
        for (const bool high : {true, false}) {
          ExpectFastFormMatches(
              Yuy2RowStride(size.width) * size.height, &random,
              [&](uint8_t* out) { reference::ConvertPictureToYuy2(layout, source.data(), palette.data(), out, high, &table); },
              [&](uint8_t* out) { ConvertPictureToYuy2(layout, source.data(), palette.data(), out, high, &table); },
              "form " + std::to_string(static_cast<int>(c.form)) + " " + std::to_string(size.width) + "x" +
                  std::to_string(biHeight) + (high ? " high" : " low"));
        }
      }
    }
  }
  std::vector<uint8_t> every24(3 * 32768), every555(2 * 32768);
  for (uint32_t i = 0; i < 32768; ++i) {
    for (int k = 0; k < 3; ++k) every24[3 * i + k] = static_cast<uint8_t>((((i >> (5 * k)) & 31) << 3) | (random() & 7));
    every555[2 * i] = static_cast<uint8_t>(i);
    every555[2 * i + 1] = static_cast<uint8_t>(i >> 8);
  }
  for (const bool high : {true, false}) {
    for (const auto& [form, source] : {std::make_pair(PictureForm::kRgb24, &every24), std::make_pair(PictureForm::kRgb555, &every555)}) {
      const PictureLayout layout = Layout(form, 256, -128);
      ExpectFastFormMatches(
          Yuy2RowStride(256) * 128, &random,
          [&](uint8_t* out) { reference::ConvertPictureToYuy2(layout, source->data(), nullptr, out, high, &table); },
          [&](uint8_t* out) { ConvertPictureToYuy2(layout, source->data(), nullptr, out, high, &table); },
          std::string("every colour, form ") + std::to_string(static_cast<int>(form)));
    }
  }
}
