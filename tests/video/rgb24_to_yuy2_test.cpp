#include "video/rgb24_to_yuy2.h"

#include "tests/video/pixel_test_support.h"
#include "video/yuy2_frame.h"

#include <gtest/gtest.h>

namespace {

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
// (source rows 964 bytes apart, output rows 644), bottom-up and top-down:
// the flooring of each term keeps Y up to 3 below and the chroma up to 2.5
// below (the weights, rounded to 1/512 and 1/65536, less than 1 above).
// Output rows are top-down in both qualities; the odd pixel and the padding
// stay; with no pair or no row nothing happens.
TEST(Rgb24ToYuy2, FollowsFloatingPointInBothRowOrders) {
  std::mt19937 random(80);
  Rgb555ToYuy2Table table;
  const int32_t width = 321, height = 64, in = 964, out = Yuy2RowStride(width);
  GuardedBuffer source(in * height, &random);
  for (bool high : {true, false}) {
    GuardedBuffer topDown(out * height, &random), bottomUp = topDown;
    const std::vector<uint8_t> untouched = topDown.Payload();
    ASSERT_TRUE(ConvertRgb24ToYuy2(source.data(), topDown.data(), width, -height, high, &table));
    ASSERT_TRUE(ConvertRgb24ToYuy2(source.data(), bottomUp.data(), width, height, high, &table));
    ASSERT_TRUE(topDown.GuardIntact() && bottomUp.GuardIntact());
    for (int32_t r = 0; r < height; ++r) {
      ASSERT_EQ(0, std::memcmp(topDown.data() + out * r, bottomUp.data() + out * (height - 1 - r), 640));
      ASSERT_EQ(0, std::memcmp(topDown.data() + out * r + 640, untouched.data() + out * r + 640, 4));
      for (int32_t i = 0; high && i < 160; ++i) {
        const uint8_t* p = source.data() + in * r + 6 * i;
        const uint8_t* w = topDown.data() + out * r + 4 * i;
        const double bs = (p[0] + p[3]) / 2, gs = (p[1] + p[4]) / 2, rs = (p[2] + p[5]) / 2;
        const double want[4] = {0.301 * p[2] + 0.586 * p[1] + 0.113 * p[0], 0.5 * bs - 0.168 * rs - 0.332 * gs + 128,
                                0.301 * p[5] + 0.586 * p[4] + 0.113 * p[3], 0.5 * rs - 0.418 * gs - 0.078 * bs + 128};
        for (int k = 0; k < 4; ++k) {
          ASSERT_LT(w[k], want[k] + 1) << r << " " << i << " " << k;
          ASSERT_GT(w[k], want[k] - (k % 2 ? 2.5 : 3)) << r << " " << i << " " << k;
        }
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
