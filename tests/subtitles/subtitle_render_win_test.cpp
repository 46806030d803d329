// The subtitle band drawn by GDI with the fonts Wine ships: glyphs in the
// colour, a dark outline all round them, centred lines, and long lines
// wrapped in two.
#include "settings/options.h"
#include "subtitles/gdi_subtitle_rasterizer.h"
#include "subtitles/subtitle_layout.h"
#include "subtitles/subtitle_pixels.h"
#include "subtitles/subtitle_track.h"
#include "tests/common/test_paths.h"
#include "video/yuy2_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kWidth = 320, kHeight = 240;

// What a pixel of the rendered frame is.
enum Kind { kUntouched, kText, kDark, kEmptyMate };

struct Rendered {
  std::vector<uint8_t> frame;
  int32_t fontHeight = 0, bandHeight = 0;
  uint32_t colour = 0;
  Kind At(int32_t x, int32_t y) const {
    const uint8_t luma = frame[static_cast<size_t>(y) * Yuy2RowStride(kWidth) + 2 * x];
    if (luma == (colour & 0xFF)) return kText;
    if (luma == ((colour & 0xFF) >> 3)) return kDark;
    return luma == 0 ? kEmptyMate : kUntouched;
  }
  std::set<std::pair<int32_t, int32_t>> All(Kind kind) const {
    std::set<std::pair<int32_t, int32_t>> found;
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x)
        if (At(x, y) == kind) found.insert({x, y});
    return found;
  }
};

// One subtitle over frames 0 .. 24 drawn into a grey frame.
Rendered Render(const char* text) {
  const std::string path =
      WriteWholeFile(ScratchPath("gdi.srt"), std::string("1\n00:00:00,000 --> 00:00:01,000\n") + text + "\n\n");
  SubtitleTrack track(std::make_unique<GdiSubtitleRasterizer>());
  Rendered r;
  r.frame.assign(static_cast<size_t>(Yuy2RowStride(kWidth)) * kHeight, 0);
  for (size_t i = 0; i < r.frame.size(); i += 2) {
    r.frame[i] = 100;  // grey
    r.frame[i + 1] = 128;
  }
  if (!track.LoadSubtitles(path.c_str(), 25, 1, kWidth, kHeight)) return r;
  Options options;
  SetDefaultOptions(&options);
  const SubtitleStyle style = {options.subtitleFont, options.subtitleColor, false, false};
  r.colour = ColorToYuy2(style.colour);
  track.RenderSubtitle(r.frame.data(), 12, style);
  r.fontHeight = track.FontHeight();
  r.bandHeight = track.BandHeight();
  return r;
}

// Where the outline and shadow marks fall is the band passes' test (natively,
// subtitle_band_test and subtitle_render_test); here the glyphs GDI draws must
// be whole pixels of text, so that the outline closes round every one.
TEST(GdiSubtitleBand, GlyphsWithTheirOutline) {
  const Rendered plain = Render("Hello World");
  const auto text = plain.All(kText);
  ASSERT_GT(text.size(), 100u) << "no glyphs drawn with the fonts at hand";
  // One line: its box is the font height, one and a half above the bottom.
  const int32_t top = kHeight - plain.bandHeight + SubtitleLineTop(1, 1, plain.bandHeight, plain.fontHeight);
  int32_t left = kWidth, right = 0;
  for (const auto& p : text) {
    EXPECT_GE(p.second, top);
    EXPECT_LT(p.second, top + plain.fontHeight);
    left = std::min(left, p.first);
    right = std::max(right, p.first);
  }
  EXPECT_LE(std::abs((left + right) / 2 - kWidth / 2), 3) << "centred: " << left << ".." << right;
  // Every neighbour of a glyph pixel is glyph or outline.
  for (const auto& p : text) {
    for (const auto& d : {std::make_pair(1, 0), std::make_pair(-1, 0), std::make_pair(0, 1), std::make_pair(0, -1)}) {
      const Kind k = plain.At(p.first + d.first, p.second + d.second);
      ASSERT_TRUE(k == kText || k == kDark) << p.first << "," << p.second;
    }
  }
}

TEST(GdiSubtitleBand, LineWiderThanTheFrameWrapsInTwo) {
  const Rendered r = Render("This subtitle line is much wider than the small frame it goes into");
  const int32_t bandTop = kHeight - r.bandHeight;
  std::set<int32_t> lines;
  for (const auto& p : r.All(kText)) {
    for (int32_t k = 1; k <= 2; ++k) {
      const int32_t top = bandTop + SubtitleLineTop(k, 2, r.bandHeight, r.fontHeight);
      if (p.second >= top && p.second < top + r.fontHeight) lines.insert(k);
    }
  }
  EXPECT_EQ(lines, (std::set<int32_t>{1, 2}));
}

}  // namespace
