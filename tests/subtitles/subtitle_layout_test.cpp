// The band's text layout: sizes, wrapping and line positions.
#include "subtitles/subtitle_band.h"
#include "subtitles/subtitle_layout.h"
#include "tests/subtitles/subtitle_test_support.h"

#include <climits>

namespace {

// The font's pixels from its logical height at the screen's resolution, held
// to 12..64; the band of four and a half lines within the frame; the shadow
// a fifth of the font down and right, up to four.
TEST(SubtitleSizes, FontBandAndShadowFromTheLogicalHeight) {
  const struct { int32_t logFontHeight, dpi, pixels, frame, band, shadow; } cases[] = {
      {-19, 96, 19, 480, 85, 3},       {-19, 120, 15, 480, 67, 3},     {-19, 72, 25, 480, 112, 4},
      {-5, 96, 12, 54, 54, 2},         {-100, 96, 64, 100, 100, 4},    {19, 96, 12, 480, 54, 2},
      {-19, 0, 19, 480, 85, 3},        {INT_MIN, 96, 64, 480, 288, 4}, {INT_MIN, 1, 64, 480, 288, 4},
      {-20, 96, 20, 480, 90, 4}};
  for (const auto& c : cases) {
    EXPECT_EQ(SubtitleFontHeight(c.logFontHeight, c.dpi), c.pixels) << c.logFontHeight << " at " << c.dpi;
    EXPECT_EQ(SubtitleBandHeight(c.pixels, c.frame), c.band) << c.pixels << " in " << c.frame;
    EXPECT_EQ(SubtitleShadowOffset(c.pixels), c.shadow) << c.pixels;
  }
}

TEST(WrapSubtitleText, SplitsWideLinesOnceNearTheMiddle) {
  const struct {
    const char* what;
    int32_t width;
    const char* text;
    const char* wrapped;
    std::vector<std::string> measured;
  } cases[] = {
      {"fits", 50, "short", "short", {"short"}},
      {"exactly the width", 50, "fiver", "fiver", {"fiver"}},
      {"blank at the middle", 100, "aaaa bbbb cccc dddd", "aaaa bbbb|cccc dddd", {"aaaa bbbb cccc dddd"}},
      {"tie: the blank before", 100, "aaaaaa bbb cccccc", "aaaaaa|bbb cccccc", {"aaaaaa bbb cccccc"}},
      {"the nearer blank after", 100, "aaaaa bbb cccccc", "aaaaa bbb|cccccc", {"aaaaa bbb cccccc"}},
      {"no blank stays whole", 100, "aaaaaaaaaaaaaaaaaaaa", "aaaaaaaaaaaaaaaaaaaa", {"aaaaaaaaaaaaaaaaaaaa"}},
      {"only one blank, far left", 50, "a bbbbbbbbbbbb", "a|bbbbbbbbbbbb", {"a bbbbbbbbbbbb"}},
      {"halves not measured again", 50, "ok|aaaa bbbb cccc dddd", "ok|aaaa bbbb|cccc dddd",
       {"ok", "aaaa bbbb cccc dddd"}},
      {"each line on its own", 50, "aaa bbb||ccc ddd|", "aaa|bbb||ccc|ddd|", {"aaa bbb", "ccc ddd"}},
      {"leading blank of a line", 50, "x| bbbbbbbbbbbbbbb", "x||bbbbbbbbbbbbbbb", {"x", " bbbbbbbbbbbbbbb"}},
      {"style marks are no blanks", 100, "aaaa\x11" "bbbb cccc\x10" "dddd", "aaaa\x11" "bbbb|cccc\x10" "dddd",
       {"aaaa\x11" "bbbb cccc\x10" "dddd"}},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    std::vector<std::string> measured;
    WrapSubtitleText(text.data(), c.width, [&](const char* line, size_t length) {
      measured.emplace_back(line, length);  // a font of 10 pixels a byte
      return static_cast<int32_t>(length * 10);
    });
    EXPECT_EQ(text, c.wrapped) << c.what;
    EXPECT_EQ(measured, c.measured) << c.what;
  }
}

TEST(PlaceSubtitleLines, BottomUpFromOneAndAHalfLinesOrDownFromTheTop) {
  // Font 19 in a band of 85: tops at 85 - (n - k + 1) * 19 - 9; after the
  // top mark at 9 + (k - 1) * 19. Style marks stay with their lines.
  const struct { const char* text; std::vector<std::string> lines; std::vector<int32_t> tops; } cases[] = {
      {"one", {"one"}, {57}},
      {"a|b|c", {"a", "b", "c"}, {19, 38, 57}},
      {"a||b", {"a", "", "b"}, {19, 38, 57}},
      {"1|2|3|4|5", {"1", "2", "3", "4", "5"}, {-19, 0, 19, 38, 57}},  // the first runs off the top
      {"\x11" "a|b\x10" "c", {"\x11" "a", "b\x10" "c"}, {38, 57}},
      {"\x01" "a|b", {"a", "b"}, {9, 28}},
      {"\x01" "1|2|3|4|5", {"1", "2", "3", "4", "5"}, {9, 28, 47, 66, 85}},  // the last runs off the bottom
  };
  for (const auto& c : cases) {
    const std::vector<SubtitleLine> placed = PlaceSubtitleLines(c.text, 320, 85, 19);
    EXPECT_EQ(CountSubtitleLines(c.text + (c.text[0] == '\x01')), static_cast<int32_t>(c.lines.size())) << c.text;
    ASSERT_EQ(placed.size(), c.lines.size()) << c.text;
    for (size_t i = 0; i < placed.size(); ++i) {
      EXPECT_EQ(std::string(placed[i].text, placed[i].length), c.lines[i]) << c.text;
      EXPECT_EQ(placed[i].y, c.tops[i]) << c.text << " line " << i + 1;
      EXPECT_EQ(placed[i].x, 160);
    }
  }
}

}  // namespace
