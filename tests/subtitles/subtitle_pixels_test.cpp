#include "subtitles/subtitle_pixels.h"

#include "tests/video/yuy2_test_frame.h"

#include <gtest/gtest.h>

namespace {

COLORREF Rgb(int r, int g, int b) { return static_cast<COLORREF>(r | (g << 8) | (b << 16)); }

TEST(ColorToYuy2, WorkedColours) {
  EXPECT_EQ(ColorToYuy2(Rgb(0, 0, 0)), Word(0, 128, 0, 128));
  EXPECT_EQ(ColorToYuy2(Rgb(255, 255, 255)), Word(255, 128, 255, 128));
  // The default yellow 0x0000FFFF: Y 225.93, U 0.5, V 148.73.
  EXPECT_EQ(ColorToYuy2(0x0000FFFF), Word(225, 0, 225, 148));
  // Red: V = 255.5 is clamped; blue: U = 255.5 is clamped.
  EXPECT_EQ(ColorToYuy2(Rgb(255, 0, 0)), Word(76, 84, 76, 255));
  EXPECT_EQ(ColorToYuy2(Rgb(0, 0, 255)), Word(29, 255, 29, 107));
  EXPECT_EQ(ColorToYuy2(0xFF000000 | Rgb(0, 0, 0)), Word(0, 128, 0, 128)) << "the top byte is not a colour";
}

// Zero band words and the odd pixel leave the frame; the others replace
// their frame word, or with transparency are averaged with it byte by byte.
TEST(MergeSubtitleBand, OpaqueReplacesAndTransparentAveragesNonZeroWords) {
  for (const bool transparent : {false, true}) {
    SCOPED_TRACE(transparent ? "transparent" : "opaque");
    std::mt19937 random(70);
    // The band of a 5 x 6 frame (two words and an odd pixel per row), 3 rows.
    Yuy2TestFrame frame(5, 6, &random), band(5, 3, &random);
    for (int32_t r = 0; r < 3; ++r) {
      band.SetWord(0, r, 0);
      band.SetWord(1, r, Word(200, 10, 101, 30 + r));
      band.SetWord(2, r, Word(1, 1, 1, 1));  // the odd pixel's word: never merged
    }
    frame.SetWord(1, 3, Word(255, 255, 0, 7));
    const std::vector<uint8_t> before = frame.Bytes();
    MergeSubtitleBand(frame.data(), 5, 6, band.data(), 3, transparent);
    for (int32_t r = 0; r < 6; ++r) {
      const uint8_t* old = before.data() + r * frame.stride;
      EXPECT_EQ(0, std::memcmp(frame.Row(r), old, 4)) << "zero band words leave the frame";
      EXPECT_EQ(0, std::memcmp(frame.Row(r) + 8, old + 8, 4)) << "the odd pixel stays";
      if (r < 3) {
        EXPECT_EQ(0, std::memcmp(frame.Row(r) + 4, old + 4, 4)) << "above the band";
      } else if (!transparent) {
        EXPECT_EQ(frame.Word(1, r), Word(200, 10, 101, 30 + r - 3));
      }
    }
    EXPECT_EQ(frame.Word(1, 3), transparent ? Word(227, 132, 50, 18) : Word(200, 10, 101, 30));
  }
}

TEST(MergeSubtitleBand, TallBandKeepsToTheFrame) {
  std::mt19937 random(72);
  Yuy2TestFrame frame(8, 2, &random), band(8, 5, &random);
  MergeSubtitleBand(frame.data(), 8, 2, band.data(), 5, false);
  EXPECT_TRUE(frame.GuardIntact());
  // Band rows 3 and 4 land on frame rows 0 and 1 (random words are non-zero).
  EXPECT_EQ(0, std::memcmp(frame.Row(0), band.Row(3), 16));
  EXPECT_EQ(0, std::memcmp(frame.Row(1), band.Row(4), 16));
}

TEST(MergeSubtitleBand, FastFormMatchesReference) {
  std::mt19937 random(73);
  for (const FrameSize& size : AwkwardFrameSizes()) {
    for (bool transparent : {false, true}) {
      const int32_t bandHeight = 1 + static_cast<int32_t>(random() % size.height);
      Yuy2TestFrame band(size.width, bandHeight, &random);
      for (int32_t r = 0; r < bandHeight; ++r)  // half of the words empty
        for (int32_t i = 0; i < size.width / 2; ++i)
          if (random() % 2) band.SetWord(i, r, 0);
      ExpectFastFormMatches(
          static_cast<size_t>(band.stride) * size.height, &random,
          [&](uint8_t* frame) {
            reference::MergeSubtitleBand(frame, size.width, size.height, band.data(), bandHeight, transparent);
          },
          [&](uint8_t* frame) { MergeSubtitleBand(frame, size.width, size.height, band.data(), bandHeight, transparent); },
          std::to_string(size.width) + "x" + std::to_string(size.height));
    }
  }
}

}  // namespace
