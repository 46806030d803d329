// The outline, shadow and conversion passes on small hand-drawn bands.
#include "subtitles/subtitle_band.h"

#include "tests/video/yuy2_test_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {

// A band of 16-bit pixels at the frame stride.
struct Band {
  Band(int32_t width, int32_t height)
      : width(width), height(height), stride(Yuy2RowStride(width)), bytes(static_cast<size_t>(stride) * height) {}
  uint16_t Get(int32_t x, int32_t y) const {
    uint16_t v;
    std::memcpy(&v, bytes.data() + y * stride + 2 * x, 2);
    return v;
  }
  void Set(int32_t x, int32_t y, uint16_t v) { std::memcpy(bytes.data() + y * stride + 2 * x, &v, 2); }
  int32_t width, height, stride;
  std::vector<uint8_t> bytes;
};

using Pixels = std::map<std::pair<int32_t, int32_t>, uint16_t>;  // (x, y) -> value

TEST(MarkSubtitleOutline, NeighboursAndShadowOfTextPixelsWithinTheMargin) {
  // Text (value 1) at (2,2), (3,2), (0,4) and (7,1) in a 10 x 9 band: text is
  // looked for in columns 0..5 and rows 0..4, so (7,1) casts nothing and
  // (0,4) loses its mark to the left.
  const Pixels text = {{{2, 2}, 1}, {{3, 2}, 1}, {{0, 4}, 1}, {{7, 1}, 1}};
  const Pixels outline = {{{2, 2}, 3}, {{3, 2}, 3}, {{1, 2}, 2}, {{4, 2}, 2}, {{2, 1}, 2}, {{3, 1}, 2},
                          {{2, 3}, 2}, {{3, 3}, 2}, {{1, 4}, 2}, {{0, 5}, 2}, {{0, 3}, 2}};
  const Pixels shadow = {{{4, 4}, 2}, {{5, 4}, 2}, {{2, 6}, 2}};  // two down and right
  for (int32_t offset : {0, 2}) {
    Band band(10, 9);
    for (const auto& p : text) band.Set(p.first.first, p.first.second, p.second);
    MarkSubtitleOutline(band.bytes.data(), band.width, band.height, band.stride, offset);
    Pixels want = text;
    for (const auto& p : outline) want[p.first] = p.second;
    if (offset > 0) for (const auto& p : shadow) want[p.first] = p.second;
    for (int32_t y = 0; y < band.height; ++y) {
      for (int32_t x = 0; x < band.width; ++x) {
        const auto found = want.find({x, y});
        EXPECT_EQ(band.Get(x, y), found == want.end() ? 0 : found->second)
            << "(" << x << "," << y << ") shadow " << offset;
      }
    }
  }
  // A band too small for the margin stays as it is: only (0,0) could cast marks.
  Band small(5, 5);
  small.Set(1, 1, 0xFFFF);
  const std::vector<uint8_t> before = small.bytes;
  MarkSubtitleOutline(small.bytes.data(), 5, 5, small.stride, 4);
  EXPECT_EQ(small.bytes, before);
}

TEST(SubtitleShadowOffset, FifthOfTheFontUpToFour) {
  const int32_t cases[][2] = {{12, 2}, {19, 3}, {20, 4}, {64, 4}};
  for (const auto& c : cases) EXPECT_EQ(SubtitleShadowOffset(c[0]), c[1]) << c[0];
}

TEST(ConvertSubtitleBand, PixelPairsInTheColour) {
  const struct {
    uint16_t left, right;
    uint32_t colour, want;
  } cases[] = {
      {0, 0, Word(200, 60, 200, 90), 0},                          // nothing there
      {1, 0, Word(200, 60, 200, 90), Word(200, 60, 0, 90)},      // text beside nothing
      {2, 0, Word(200, 60, 200, 90), Word(25, 60, 0, 90)},       // outline: luma / 8
      {3, 2, Word(200, 60, 200, 90), Word(200, 60, 25, 90)},     // text wins over outline
      {0xFFFF, 0xFFFE, Word(200, 60, 200, 90), Word(200, 60, 25, 90)},
      {4, 0, Word(200, 60, 200, 90), Word(0, 60, 0, 90)},        // neither bit: black in the hue
      {2, 1, Word(255, 255, 255, 255), Word(31, 255, 255, 255)}, // no chroma leaks into the outline
      {2, 2, Word(7, 0, 7, 0), Word(0, 0, 0, 0)},                // too dark for any outline
  };
  for (const auto& c : cases) {
    Band band(6, 2);  // three words a row
    band.Set(2, 1, c.left);
    band.Set(3, 1, c.right);
    ConvertSubtitleBand(band.bytes.data(), band.width, band.height, band.stride, c.colour);
    uint32_t word;
    std::memcpy(&word, band.bytes.data() + band.stride + 4, 4);
    EXPECT_EQ(word, c.want) << std::hex << c.left << " " << c.right;
    EXPECT_EQ(band.Get(0, 0) | band.Get(5, 1), 0) << "empty words stay empty";
  }
}

}  // namespace
