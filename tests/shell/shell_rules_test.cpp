// Frame times, bit rates, file titles, the painting code's tone changes, and
// the balance bar's values and signs over the application record (the keys
// and the selection are checked with the commands), and the main window's
// layout arithmetic, checked against worked examples.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/bitrate.h"
#include "app/frame_time.h"
#include "app/panel_layout.h"
#include "app/picture_tones.h"
#include "app/playlist_layout.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "app/window_geometry.h"
#include "settings/options.h"

#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string TimeOf(int32_t frame, int32_t rate, int32_t scale) {
  char text[kFrameTimeCapacity];
  FormatFrameTime(text, frame, rate, scale);
  return text;
}

TEST(FrameTime, MinutesSecondsAndHoursFromOneHourOn) {
  const struct { int32_t frame, rate, scale; const char* time; } cases[] = {
      {1875, 25, 1, "01:15"}, {24, 25, 1, "00:00"},  // truncated, not rounded
      {25, 25, 1, "00:01"},   {89999, 25, 1, "59:59"}, {3725, 1, 1, "01:02:05"},
      {90000, 25, 1, "01:00:00"},
      {2248, 30000, 1001, "01:15"},  // 29.97 frames a second: 75.008 seconds
      {2000000000, 1, 1000000, "555555555555:33:20"},  // a 64-bit product
      {100, 0, 1, "00:00"},   {-5, 25, 1, "00:00"},  // no rate, or before the start
  };
  for (const auto& c : cases) EXPECT_EQ(TimeOf(c.frame, c.rate, c.scale), c.time) << c.frame;
}

TEST(Bitrate, RoundedToNearestWithoutOverflow) {
  const struct { uint32_t perSecond, totalBytes; uint64_t units, kilobits; } cases[] = {
      {25, 1000000, 250, 800},          // 10 s of video at 100,000 bytes a second
      {44100, 1764000, 441000, 1411},   // CD sound: 1,411.2 kbit/s
      {1, 375, 2, 2}, {1, 374, 2, 1},   // 1.5 rounds up, 1.496 down
      {1, 1, 1, 0}, {1, 62, 1, 0}, {1, 63, 1, 1},  // a byte a second is 0.008 kbit/s
      {2147483647u, 4294967295u, uint64_t{1} << 62, 0},  // the largest frame count times scale
      // 125 x units passes 64 bits; the quotient is 0.74.
      {4294967295u, 4294967295u, 200000000000000000u, 1},
      {4294967295u, 4294967295u, 1, 147573952520956936u},  // the largest product over one unit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundedKilobitsPerSecond(c.perSecond, c.totalBytes, c.units), c.kilobits)
        << c.perSecond << " " << c.totalBytes << " " << c.units;
  }
#if defined(__SIZEOF_INT128__)
  // Against 128-bit arithmetic, where the compiler has it.
  std::mt19937_64 random(29);
  for (int i = 0; i < 100000; ++i) {
    const uint32_t perSecond = static_cast<uint32_t>(random()), totalBytes = static_cast<uint32_t>(random());
    const uint64_t units = (random() >> (random() % 64)) | 1;
    const unsigned __int128 d = static_cast<unsigned __int128>(units) * 125;
    const unsigned __int128 expected =
        (static_cast<unsigned __int128>(perSecond) * totalBytes + d / 2) / d;
    ASSERT_EQ(RoundedKilobitsPerSecond(perSecond, totalBytes, units), static_cast<uint64_t>(expected))
        << perSecond << " " << totalBytes << " " << units;
  }
#endif
}

// A name longer than the buffer of 1,024 bytes is cut, and nothing is written
// past the buffer.
TEST(FileTitle, NameWithoutDirectoryAndLastExtensionCutToTheBuffer) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\clips\\my.movie.avi", "my.movie"},
      {"/home/user/clip.avi", "clip"},
      {"Z:\\mixed/dirs\\name.avi", "name"},
      {"C:\\dir.with.dots\\plain", "plain"},
      {"noext", "noext"},
      {"C:\\clips\\.avi", ""},
      {"C:\\clips\\", ""},
      {"", ""},
      {"C:\\" + std::string(3000, 'x') + ".avi", std::string(1023, 'x')},
  };
  for (const auto& c : cases) {
    std::vector<char> title(1024 + 16, '#');
    FileTitleOf(title.data(), c.first.c_str());
    EXPECT_EQ(std::make_pair(std::string(title.data()), title[1024]), std::make_pair(c.second, '#'))
        << c.first.substr(0, 40);
  }
}

// Dimming: blue, green, red in; with S the sum and H = S / 2: red H / 2, green
// H / 3, blue H / 4 out. Highlighting averages the red with a glow of 400 -
// x * 384 / 400, at most 255, and leaves blue and green.
TEST(PictureTones, DimmingMakesDarkSepiaAndHighlightFadesFromLeftToRight) {
  std::vector<uint8_t> row = {255, 255, 255, 0, 0, 10, 30, 60, 90, 0, 0, 0};
  DimRow(row.data(), 4);
  EXPECT_EQ(row, (std::vector<uint8_t>{95, 127, 191, 1, 1, 2, 22, 30, 45, 0, 0, 0}));
  const int width = 400;
  row.assign(3 * width, 0);
  for (int x = 0; x < width; ++x) row[3 * x + 2] = 101;
  row[0] = 7, row[1] = 9;
  HighlightRow(row.data(), width);
  const std::pair<int, int> glows[] = {{0, 255}, {152, 255}, {153, 254}, {154, 253}, {399, 17}};
  for (const auto& g : glows) EXPECT_EQ(row[3 * g.first + 2], (g.second + 101) / 2) << g.first;
  EXPECT_EQ(std::make_tuple(row[0], row[1], row[3 * 200], row[3 * 200 + 1]),
            std::make_tuple(7, 9, 0, 0));
}

// The hidden bar always means the volume; with the bar on screen the named
// value moves. Each sign of the bar is 32 pixels wide.
TEST(ShellState, TheBalanceBarMovesTheValueItShowsAndItsSignsNameThem) {
  const Options saved = g_options;
  SetDefaultOptions(&g_options);
  g_app.balanceShown.store(0);
  g_app.balanceTarget = kBalanceBrightness;
  AdjustBalanceValue(10);
  EXPECT_EQ(g_app.balanceTarget.load(), kBalanceVolume);
  EXPECT_EQ(std::make_tuple(g_options.volume, g_options.colorBalance.brightness), std::make_tuple(100u, 50));
  g_app.balanceShown.store(1);
  g_app.balanceTarget = kBalanceSaturation;
  AdjustBalanceValue(-20);
  EXPECT_EQ(g_options.colorBalance.saturation, 30);
  g_app.balanceTarget = kBalanceContrast;
  AdjustBalanceValue(5);
  EXPECT_EQ(std::make_tuple(g_options.colorBalance.contrast, g_options.colorBalance.brightness), std::make_tuple(55, 50));
  g_options = saved;
  g_app.balanceShown.store(0);
  const int32_t signs[] = {kBalanceContrast, kBalanceVolume, kBalanceBrightness, kBalanceSaturation};
  for (int sign = 0; sign < 4; ++sign) {
    EXPECT_EQ(std::make_tuple(BalanceTargetAt(32 + 32 * sign), BalanceTargetAt(63 + 32 * sign)),
              std::make_tuple(signs[sign], signs[sign]));
  }
}


using Box = std::tuple<LONG, LONG, LONG, LONG>;

Box Of(const RECT& r) { return Box{r.left, r.top, r.right, r.bottom}; }

TEST(VideoLayout, PictureFitsTheAreaCentredAndPointsMapIntoItsPixels) {
  const struct { RECT area; int32_t width, height; Box picture; } cases[] = {
      {{0, 0, 800, 400}, 320, 240, {134, 0, 667, 400}},  // 533 wide: bars at the sides
      {{0, 0, 400, 800}, 320, 240, {0, 250, 400, 550}},  // 300 high: bars above and below
      {{0, 0, 512, 340}, 640, 480, {30, 0, 483, 340}},   // 340 x 4 / 3 = 453, truncated
  };
  for (const auto& c : cases) {
    RECT picture;
    ASSERT_TRUE(FitVideoRect(c.area, c.width, c.height, &picture));
    EXPECT_EQ(Of(picture), c.picture) << c.area.right;
  }
  // Without a size the previous rectangle stays.
  RECT picture = {1, 2, 3, 4};
  EXPECT_FALSE(FitVideoRect(RECT{0, 0, 640, 480}, 0, 240, &picture) ||
               FitVideoRect(RECT{0, 0, 640, 480}, 320, 0, &picture));
  EXPECT_EQ(Of(picture), Box(1, 2, 3, 4));
  // The status strip is outside the area, except in fullscreen.
  EXPECT_EQ(Of(VideoArea(RECT{0, 0, 512, 356}, false)), Box(0, 0, 512, 340));
  EXPECT_EQ(Of(VideoArea(RECT{0, 0, 512, 356}, true)), Box(0, 0, 512, 356));

  // Points map into the pixels of a 640 x 480 video at half size.
  picture = {10, 20, 330, 260};
  const struct { int x, y; bool inside; int32_t videoX, videoY; } points[] = {
      {170, 140, true, 320, 240}, {10, 21, true, 0, 2},
      // The left edge is inside; the right, top and bottom edges are not.
      {330, 100, false, 0, 0},    {100, 20, false, 0, 0}, {100, 260, false, 0, 0},
      {9, 100, false, 0, 0},
  };
  for (const auto& c : points) {
    int32_t x = -1, y = -1;
    ASSERT_EQ(VideoPointAt(picture, 640, 480, c.x, c.y, &x, &y), c.inside) << c.x << "," << c.y;
    if (c.inside) { EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.videoX, c.videoY)); }
  }
  int32_t x, y;
  EXPECT_FALSE(VideoPointAt(RECT{5, 5, 5, 50}, 640, 480, 5, 10, &x, &y));  // no width
}

TEST(WindowSize, DraggedEdgesStopAtTheMinimum) {
  // WMSZ_BOTTOMRIGHT, WMSZ_TOPLEFT and WMSZ_TOP: only the dragged edges move.
  const std::pair<int, Box> cases[] = {
      {8, {100, 100, 420, 340}}, {4, {-120, -90, 200, 150}}, {3, {100, -90, 200, 150}}};
  for (const auto& c : cases) {
    RECT window = {100, 100, 200, 150};
    KeepMinimumWindowSize(c.first, &window);
    EXPECT_EQ(Of(window), c.second) << "edge " << c.first;
  }
  for (int edge = 1; edge <= 8; ++edge) {
    RECT window = {0, 0, 640, 480};
    KeepMinimumWindowSize(edge, &window);
    EXPECT_EQ(Of(window), Box(0, 0, 640, 480));  // big enough: untouched
  }
}

// The middle entry's line is centred (its middle at 240 of 480); the first is
// drawn one half line below the top, not lower; the last ends above the
// bottom; a short list sticks to the top. Lines of 16: scroll is top + 48.
TEST(PlaylistScreen, CurrentLineIsCentredAwayFromTheEndsAndTheMouseRowIsTheLineDrawnThere) {
  const struct { int32_t current, count, top, first; } cases[] = {
      {50, 100, 560, 34}, {0, 100, -16, -2},  // -16 / 16 - 1, rounding toward zero
      {99, 100, 1120, 69}, {2, 3, -16, -2}};
  for (const auto& c : cases) {
    const PlaylistLayout l = LayOutPlaylist(c.current, c.count, 480);
    EXPECT_EQ(std::make_tuple(l.topOffset, l.scroll, l.firstIndex, l.lineCount),
              std::make_tuple(c.top, c.top + 48, c.first, 33)) << c.current;
  }
  EXPECT_EQ(std::make_tuple(PlaylistLineTop(50, 560) + kPlaylistLineHeight / 2, PlaylistLineTop(0, -16),
                            PlaylistLineTop(99, 1120) + kPlaylistLineHeight),
            std::make_tuple(240, 8, 472));
  // The mouse's row is the line drawn there.
  for (int32_t current : {0, 7, 50, 99}) {
    const PlaylistLayout layout = LayOutPlaylist(current, 100, 300);
    for (int32_t index = layout.firstIndex; index < layout.firstIndex + layout.lineCount;
         ++index) {
      const int32_t top = PlaylistLineTop(index, layout.topOffset);
      if (top < 0) continue;  // lines cut off at the top are not clickable
      EXPECT_EQ(PlaylistRowAt(top, layout.scroll), index) << "current " << current;
      EXPECT_EQ(PlaylistRowAt(top + 15, layout.scroll), index) << "current " << current;
    }
  }
  // The division rounds toward zero: -10 / 16 is 0, so the row is -3.
  EXPECT_EQ(std::make_pair(PlaylistRowAt(-50, 32), PlaylistRowAt(-70, 32)), std::make_pair(-3, -4));
}

TEST(StatusStrip, BarAndFillOfTheTimeAndThePercentageAndTheFrameUnderAClick) {
  const struct { int32_t width, progress, frame, frames, margin, barRight, fill; bool hasBar; } cases[] = {
      {512, -1, 50, 100, 128, 384, 190, true},   // the time display leaves room
      {512, 40, 0, 100, 4, 508, 201, true},      // a percentage: 504 x 40 / 100
      {512, 100, 0, 1, 4, 508, 504, true},
      {512, 50, 0, 0, 4, 508, 0, false},
      {1024, -1, 2000000000, 2100000000, 128, 896, 849, true},  // 2e9 x 892 / 2.1e9, 64-bit
  };
  for (const auto& c : cases) {
    const PanelLayout layout = LayOutPanel(c.width, c.progress, c.frame, c.frames);
    EXPECT_EQ(std::make_tuple(layout.hasBar, layout.fill), std::make_tuple(c.hasBar, c.fill))
        << c.width << " " << c.progress;
    if (c.hasBar) {
      EXPECT_EQ(std::make_pair(layout.margin, layout.barRight), std::make_pair(c.margin, c.barRight));
    }
  }
  const PanelLayout layout = LayOutPanel(512, -1, 50, 100);
  EXPECT_EQ(layout.barLeft, 4);
  EXPECT_EQ(Of(SeekBarRect(layout, 0, 436)), Box(4, 424, 384, 432));
  EXPECT_EQ(Of(SeekBarRect(layout, 10, 100)), Box(14, 88, 394, 96));
  // A click on the bar names a frame (a 64-bit product; none on a bar of no width).
  const RECT bar = {4, 424, 384, 432};
  EXPECT_EQ((std::vector<int32_t>{SeekFrameAt(4, bar, 1000), SeekFrameAt(194, bar, 1000),
                                  SeekFrameAt(383, bar, 1000), SeekFrameAt(194, bar, 2000000000),
                                  SeekFrameAt(100, RECT{4, 0, 4, 8}, 1000)}),
            (std::vector<int32_t>{0, 500, 997, 1000000000, 0}));
}

}  // namespace
