// The conversions of decoded pictures to YUY2: RGB24 against floating point,
// every other form through its colours, and the fast forms against the
// reference forms.
#include "video/picture_to_yuy2.h"

#include "tests/video/pixel_test_support.h"
#include "video/rgb24_to_yuy2.h"
#include "video/yuy2_frame.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

PictureLayout Layout(PictureForm form, int32_t width, int32_t biHeight, const uint32_t* masks = nullptr) {
  PictureLayout layout{form, width, biHeight, {}};
  if (masks != nullptr) std::copy(masks, masks + 3, layout.masks);
  return layout;
}

const uint32_t kMasks444[3] = {0x0F00, 0x00F0, 0x000F}, kMasks10[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};

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
    uint8_t pixels[8], bgr[6];  // two pixels, their colours
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

// Planar YUV on worked bytes (the fast forms: FastFormsMatchReference): a
// row takes its chroma row's column k for pair k, each chroma row serving
// two rows (packed forms are checked against ffmpeg's own reordering in the
// decoding tests). Rows padded to 4 bytes by
// their bits (a 9-pixel 4-bit row takes 8 bytes, a 10-pixel 1-bit row 4, a
// 321-pixel RGB24 row 964); unpadded planes with chroma of the rounded-up
// half size.
TEST(PictureToYuy2, PlanarRowsShareTheirChromaRowsAndPicturesTakeTheirBytes) {
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
    std::vector<uint8_t> out(yuy2.size());
    reference::ConvertPictureToYuy2(layout, planes.data(), nullptr, out.data(), true, &table);
    EXPECT_EQ(out, yuy2) << static_cast<int>(form);
  }
  const struct {
    PictureForm form;
    int32_t width, biHeight;
    size_t bytes;
  } sizes[] = {{PictureForm::kPalette4, 9, 2, 16}, {PictureForm::kPalette1, 10, -3, 12}, {PictureForm::kRgb24, 321, 2, 1928},
               {PictureForm::kRgb555, 3, 1, 8}, {PictureForm::kUyvy, 3, 1, 8}, {PictureForm::kI420, 5, 3, 27},
               {PictureForm::kRgb32, 0, 3, 0}};
  for (const auto& c : sizes)
    EXPECT_EQ(PictureLayoutBytes(Layout(c.form, c.width, c.biHeight)), c.bytes) << static_cast<int>(c.form);
}

// Every form, at every vector level, gives the reference's bytes on random
// pictures of awkward sizes, in both qualities and row orders, with masks of
// other widths (4-4-4 and 10-10-10) among the bitfields.
TEST(PictureToYuy2, FastFormsMatchReference) {
  std::mt19937 random(27);
  Rgb555ToYuy2Table table;
  std::vector<uint32_t> palette(256);
  for (uint32_t& entry : palette) entry = random();
  for (const PictureForm form :
       {PictureForm::kRgb24, PictureForm::kRgb32, PictureForm::kRgb555, PictureForm::kRgb565, PictureForm::kBitfields16,
        PictureForm::kBitfields32, PictureForm::kPalette8, PictureForm::kPalette4, PictureForm::kPalette1,
        PictureForm::kUyvy, PictureForm::kYvyu, PictureForm::kYuy2, PictureForm::kI420, PictureForm::kYv12}) {
    const uint32_t* masks = form == PictureForm::kBitfields16 ? kMasks444
                            : form == PictureForm::kBitfields32 ? kMasks10 : nullptr;
    for (const FrameSize& size : AwkwardFrameSizes())
      for (const int32_t biHeight : {-size.height, size.height}) {
        const PictureLayout layout = Layout(form, size.width, biHeight, masks);
        const std::vector<uint8_t> bytes = GuardedBuffer(PictureLayoutBytes(layout), &random).Payload();
        const std::string name = "form " + std::to_string(static_cast<int>(form)) + " " + std::to_string(biHeight);
        for (const bool high : {true, false}) {
          ExpectFastFormMatches(
              Yuy2RowStride(size.width) * size.height, &random,
              [&](uint8_t* out) {
                reference::ConvertPictureToYuy2(layout, bytes.data(), palette.data(), out, high, &table);
              },
              [&](uint8_t* out) { ConvertPictureToYuy2(layout, bytes.data(), palette.data(), out, high, &table); },
              name + " " + SizeName(size) + (high ? " high" : " low"));
        }
      }
  }
}

// Converts one pair of pixels (B, G, R each).
void ConvertPair(bool highQuality, Rgb555ToYuy2Table* table) {
  const uint8_t source[8] = {90, 90, 90, 10, 20, 30};
  uint32_t out = 0;
  EXPECT_TRUE(ConvertRgb24ToYuy2(source, reinterpret_cast<uint8_t*>(&out), 2, 1, highQuality, table));
}

// The table lives from low quality to high quality, built once; its entries
// against floating-point BT.601 full range (Y = 0.299 R + 0.587 G + 0.114 B,
// U = 0.5 B - 0.168 R - 0.331 G + 128, V = 0.5 R - 0.419 G - 0.081 B + 128)
// of the 5-bit colour times 8: the 8-bit weights stay within one step, for
// all 32768 colours.
TEST(Rgb24ToYuy2, TableLivesFromLowQualityToHighQualityAndFollowsFloatingPoint) {
  Rgb555ToYuy2Table table;
  ConvertPair(false, &table);
  ASSERT_TRUE(table.IsBuilt());
  const uint32_t* first = table.Entries();
  ConvertPair(false, &table);
  EXPECT_EQ(table.Entries(), first) << "built once";
  ConvertPair(true, &table);
  EXPECT_FALSE(table.IsBuilt()) << "high quality frees the 128 KiB table";
  ConvertPair(false, &table);
  ASSERT_TRUE(table.IsBuilt()) << "and low quality builds it again";
  for (uint32_t i = 0; i < Rgb555ToYuy2Table::kEntries; ++i) {
    const double r = ((i >> 10) & 31) * 8.0, g = ((i >> 5) & 31) * 8.0, b = (i & 31) * 8.0;
    const uint32_t e = table.Entries()[i];
    ASSERT_EQ(e, Rgb555ToYuy2Entry(i));
    ASSERT_NEAR(e & 0xFF, 0.299 * r + 0.587 * g + 0.114 * b, 1.5) << i;
    ASSERT_EQ(e & 0xFF, (e >> 16) & 0xFF);
    ASSERT_NEAR((e >> 8) & 0xFF, 0.5 * b - 0.168736 * r - 0.331264 * g + 128, 1.5) << i;
    ASSERT_NEAR(e >> 24, 0.5 * r - 0.418688 * g - 0.081312 * b + 128, 1.5) << i;
  }
}

// High quality against floating point (Y = 0.301 R + 0.586 G + 0.113 B per
// pixel, U = 0.5 B - 0.168 R - 0.332 G + 128 and V = 0.5 R - 0.418 G -
// 0.078 B + 128 of the pair's averages) on a random frame of an odd width
// (source rows 964 bytes apart, output rows 644):
// the flooring of each term keeps Y up to 3 below and the chroma up to 2.5
// below (the weights, rounded to 1/512 and 1/65536, less than 1 above).
// The odd pixel and the padding stay; with no pair or no row nothing
// happens. (Bottom-up pictures: the decoding tests, against ffmpeg's.)
TEST(Rgb24ToYuy2, HighQualityFollowsFloatingPoint) {
  std::mt19937 random(80);
  Rgb555ToYuy2Table table;
  const int32_t width = 321, height = 64, in = 964, out = Yuy2RowStride(width);
  GuardedBuffer source(in * height, &random), frame(out * height, &random);
  const std::vector<uint8_t> untouched = frame.Payload();
  ASSERT_TRUE(ConvertRgb24ToYuy2(source.data(), frame.data(), width, -height, true, &table));
  ASSERT_TRUE(frame.GuardIntact());
  for (int32_t r = 0; r < height; ++r) {
    ASSERT_EQ(0, std::memcmp(frame.data() + out * r + 640, untouched.data() + out * r + 640, 4));
    for (int32_t i = 0; i < 160; ++i) {
      const uint8_t* p = source.data() + in * r + 6 * i;
      const uint8_t* w = frame.data() + out * r + 4 * i;
      const double bs = (p[0] + p[3]) / 2, gs = (p[1] + p[4]) / 2, rs = (p[2] + p[5]) / 2;
      const double want[4] = {0.301 * p[2] + 0.586 * p[1] + 0.113 * p[0], 0.5 * bs - 0.168 * rs - 0.332 * gs + 128,
                              0.301 * p[5] + 0.586 * p[4] + 0.113 * p[3], 0.5 * rs - 0.418 * gs - 0.078 * bs + 128};
      for (int k = 0; k < 4; ++k) {
        ASSERT_LT(w[k], want[k] + 1) << r << " " << i << " " << k;
        ASSERT_GT(w[k], want[k] - (k % 2 ? 2.5 : 3)) << r << " " << i << " " << k;
      }
    }
  }
  uint8_t nothing[4] = {1, 2, 3, 4};
  EXPECT_TRUE(ConvertRgb24ToYuy2(source.data(), nothing, 1, 5, false, &table));
  EXPECT_TRUE(ConvertRgb24ToYuy2(source.data(), nothing, 8, 0, false, &table));
  EXPECT_EQ(nothing[0], 1);
}

// (The fast forms against this reference: PictureToYuy2.FastFormsMatchReference.)

}  // namespace
