// What the video thread draws over a frame: the histogram bars and the level
// bar with its icons.

#include "tests/video/yuy2_test_frame.h"
#include "video/histogram.h"
#include "video/level_bar.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kBar[3] = {0x15902B70u, 0x2F004060u, 0x65106A24u};

// Rows from the bottom that carry column j's bar words (the next column's
// bar may cover the third, so only the first two are looked at).
int32_t BarHeight(Yuy2TestFrame& frame, int32_t j) {
  int32_t rows = 0;
  for (int32_t r = frame.height - 1; r >= 0; --r, ++rows)
    if (frame.Word(2 * j, r) != kBar[0] || frame.Word(2 * j + 1, r) != kBar[1]) break;
  return rows;
}

TEST(Histogram, AveragesSkippedBinsIntoTheColumnAndRepeatsBinsOnWideFrames) {
  std::mt19937 random(50);
  // W 16: four columns, bars for j = 0, 1, 2 showing bins 0, 63 and 127.
  Yuy2TestFrame frame(16, 200, &random);
  for (int32_t r = 0; r < 200; ++r)
    for (int32_t x = 0; x < 16; ++x) frame.Luma(x, r) = x < 8 ? 10 : 63;
  DrawHistogram(frame.data(), 16, 200);
  // Bins 10 and 63 hold 1600 lumas each, 1000 after the scaling by 10 / 16;
  // column 1 averages bins 1 .. 63: 2000 / 63 = 31 rows.
  EXPECT_EQ(BarHeight(frame, 0), 0) << "bin 0 is empty";
  EXPECT_EQ(frame.Luma(0, 199), 10);
  EXPECT_EQ(BarHeight(frame, 1), 31);
  EXPECT_EQ(frame.Word(4, 199), kBar[2]);
  EXPECT_EQ(frame.Luma(4, 199 - 31), 10) << "above the bar the picture stays";
  EXPECT_EQ(frame.Luma(12, 199), 63) << "column 2 (bin 127) is empty";

  // W 1920: 480 columns for 256 bins; columns 0 and 1 both show bin 0, and
  // bars are cut at the frame's height.
  Yuy2TestFrame wide(1920, 10, &random);
  wide.Fill(Word(0, 128, 0, 128));
  DrawHistogram(wide.data(), 1920, 10);
  EXPECT_EQ(BarHeight(wide, 0), 10) << "19200 x 10 / 1920 = 100, cut at 10";
  EXPECT_EQ(BarHeight(wide, 1), 10);
  EXPECT_EQ(wide.Word(4, 9), kBar[2]) << "column 2 shows bin 1, empty: column 1's last word";
  EXPECT_EQ(wide.Word(6, 9), Word(0, 128, 0, 128));
  EXPECT_TRUE(wide.GuardIntact());
}

std::vector<uint8_t> BalanceImage(uint8_t value) { return std::vector<uint8_t>(kBalanceImageSize, value); }

TEST(LevelBar, CellsFillFromTheBottomAndNarrowFramesAreClipped) {
  std::mt19937 random(52);
  Yuy2TestFrame frame(40, 40, &random);  // 10 cells, no icons (W < 160)
  frame.Fill(Word(1, 2, 3, 4));
  const std::vector<uint8_t> image = BalanceImage(255);
  // Upper cells (r < 5): border 0x60806080; lower: border 0x60706070, fill
  // 0x50B050B0; eight words wide; cell 0 not filled, 50 x 10 div 100 = 5
  // cells filled; a cell's first row all border; icons need W >= 160. With
  // the volume selected the whole bar takes the upper colours.
  const uint32_t none = Word(1, 2, 3, 4);
  const struct {
    int32_t volume, selected, i, r;
    uint32_t want;
  } cells[] = {{50, 1, 0, 0, 0x60806080u}, {50, 1, 7, 0, 0x60806080u}, {50, 1, 8, 0, none}, {50, 1, 3, 1, none},
               {50, 1, 0, 19, 0x60806080u}, {50, 1, 3, 19, none}, {50, 1, 0, 20, 0x60706070u},
               {50, 1, 3, 20, 0x60706070u}, {50, 1, 3, 21, 0x50B050B0u}, {50, 1, 7, 23, 0x60706070u},
               {50, 1, 9, 0, none}, {100, 0, 0, 39, 0x60806080u}, {100, 0, 3, 1, 0x50F050F0u},
               {100, 0, 3, 37, 0x50F050F0u}};
  for (const auto& c : cells) {
    DrawLevelBar(frame.data(), 40, 40, c.volume, c.selected, image.data());
    EXPECT_EQ(frame.Word(c.i, c.r), c.want) << c.volume << " word " << c.i << " row " << c.r;
  }

  // Narrow and short frames are clipped.
  Yuy2TestFrame narrow(5, 8, &random);  // 2 words and the odd pixel per row
  const std::vector<uint8_t> before = narrow.Bytes();
  DrawLevelBar(narrow.data(), 5, 8, 100, 2, image.data());
  EXPECT_TRUE(narrow.GuardIntact());
  EXPECT_EQ(narrow.Word(1, 0), 0x60806080u);
  EXPECT_EQ(narrow.Word(1, 1), 0x50F050F0u);
  for (int32_t r = 0; r < 8; ++r)
    EXPECT_EQ(0, std::memcmp(narrow.Row(r) + 8, before.data() + r * narrow.stride + 8, 4)) << r;
  Yuy2TestFrame shortFrame(320, 12, &random);
  DrawLevelBar(shortFrame.data(), 320, 12, 100, 2, image.data());
  EXPECT_TRUE(shortFrame.GuardIntact());
  Yuy2TestFrame tiny(3, 3, &random);
  const std::vector<uint8_t> tinyBefore = tiny.Bytes();
  DrawLevelBar(tiny.data(), 3, 3, 100, 2, image.data());
  EXPECT_EQ(tiny.Bytes(), tinyBefore) << "W div 4 and H div 4 below 1: nothing";
}

TEST(LevelBar, IconsBlendIntoTheTopRows) {
  std::mt19937 random(53);
  Yuy2TestFrame frame(160, 40, &random);
  frame.Fill(Word(100, 200, 100, 200));
  std::vector<uint8_t> image = BalanceImage(0);
  for (int32_t i = 0; i < kBalanceImageHeight; ++i) {
    image[i * 128 + 0] = 255;   // icon 0 (not selected): above T = 128
    image[i * 128 + 64] = 32;   // icon 2 (selected for brightness): T = 64
    image[i * 128 + 65] = 255;
  }
  DrawLevelBar(frame.data(), 160, 40, 0, 1, image.data());
  // Pixel 32 (icon 0, a = 255): luma a div 2 = 127, chroma share 128, pixel
  // 33 (a = 0) keeps 100 and share 200: U = V = (128 + 200) div 2 = 164.
  EXPECT_EQ(frame.Word(16, 0), Word(127, 164, 100, 164));
  // Pixel 96 (icon 2, a = 32 <= 64): luma (100 x 32 + 24 x 32) div 64 = 62,
  // share (200 x 32 + 112 x 32) div 64 = 156; pixel 97 (a = 255 > 64):
  // luma 255 x 3 div 4 = 191, share 112; U = V = (156 + 112) div 2 = 134.
  EXPECT_EQ(frame.Word(48, 31), Word(62, 134, 191, 134));
  EXPECT_EQ(frame.Word(48, 32), Word(100, 200, 100, 200)) << "32 rows only";
  EXPECT_EQ(frame.Word(17, 5), Word(100, 200, 100, 200)) << "a = 0 leaves the picture";
}

}  // namespace
