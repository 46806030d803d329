// The outline, shadow and conversion passes on small hand-drawn bands.
#include "subtitles/subtitle_band.h"

#include "tests/subtitles/subtitle_test_support.h"
#include "tests/video/yuy2_test_frame.h"

#include <map>
#include <utility>

namespace {

using Pixels = std::map<std::pair<int32_t, int32_t>, uint16_t>;  // (x, y) -> value

TEST(MarkSubtitleOutline, NeighboursAndShadowOfTextPixelsWithinTheMargin) {
  // Text (value 1) at (2,2), (3,2), (0,4), (7,1) and (4,7) in a 10 x 9 band:
  // text is looked for in columns 0..5 and rows 0..4, so (7,1) and (4,7) cast
  // nothing and (0,4) loses its mark to the left.
  const Pixels text = {{{2, 2}, 1}, {{3, 2}, 1}, {{0, 4}, 1}, {{7, 1}, 1}, {{4, 7}, 1}};
  const Pixels outline = {{{2, 2}, 3}, {{3, 2}, 3}, {{1, 2}, 2}, {{4, 2}, 2}, {{2, 1}, 2}, {{3, 1}, 2},
                          {{2, 3}, 2}, {{3, 3}, 2}, {{1, 4}, 2}, {{0, 5}, 2}, {{0, 3}, 2}};
  const Pixels shadow = {{{4, 4}, 2}, {{5, 4}, 2}, {{2, 6}, 2}};  // two down and right
  std::mt19937 random(60);
  for (int32_t offset : {0, 2}) {
    Yuy2TestFrame band(10, 9, &random);
    band.Fill(0);
    for (const auto& p : text) band.SetPixel(p.first.first, p.first.second, p.second);
    MarkSubtitleOutline(band.data(), band.width, band.height, band.stride, offset);
    Pixels want = text;
    for (const auto& p : outline) want[p.first] = p.second;
    if (offset > 0) for (const auto& p : shadow) want[p.first] = p.second;
    for (int32_t y = 0; y < band.height; ++y) {
      for (int32_t x = 0; x < band.width; ++x) {
        const auto found = want.find({x, y});
        EXPECT_EQ(band.Pixel(x, y), found == want.end() ? 0 : found->second)
            << "(" << x << "," << y << ") shadow " << offset;
      }
    }
  }
}

TEST(ConvertSubtitleBand, PixelPairsInTheColour) {
  const struct { uint16_t left, right; uint32_t colour, want; } cases[] = {
      {0, 0, Word(200, 60, 200, 90), 0},                          // nothing there
      {1, 0, Word(200, 60, 200, 90), Word(200, 60, 0, 90)},      // text beside nothing
      {2, 0, Word(200, 60, 200, 90), Word(25, 60, 0, 90)},       // outline: luma / 8
      {3, 2, Word(200, 60, 200, 90), Word(200, 60, 25, 90)},     // text wins over outline
      {0xFFFF, 0xFFFE, Word(200, 60, 200, 90), Word(200, 60, 25, 90)},
      {4, 0, Word(200, 60, 200, 90), Word(0, 60, 0, 90)},        // neither bit: black in the hue
      {2, 1, Word(255, 255, 255, 255), Word(31, 255, 255, 255)}, // no chroma leaks into the outline
      {2, 2, Word(7, 0, 7, 0), Word(0, 0, 0, 0)},                // too dark for any outline
  };
  std::mt19937 random(61);
  for (const auto& c : cases) {
    Yuy2TestFrame band(6, 2, &random);  // three words a row
    band.Fill(0);
    band.SetPixel(2, 1, c.left);
    band.SetPixel(3, 1, c.right);
    ConvertSubtitleBand(band.data(), band.width, band.height, band.stride, c.colour);
    EXPECT_EQ(band.Word(1, 1), c.want) << std::hex << c.left << " " << c.right;
    EXPECT_EQ(band.Pixel(0, 0) | band.Pixel(5, 1), 0) << "empty words stay empty";
  }
}

}  // namespace
