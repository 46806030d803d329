// The main window's layout arithmetic, checked against worked examples.
#include <gtest/gtest.h>

#include "app/panel_layout.h"
#include "app/playlist_layout.h"
#include "app/window_geometry.h"

#include <tuple>

namespace {

using Box = std::tuple<LONG, LONG, LONG, LONG>;

Box Of(const RECT& r) { return Box{r.left, r.top, r.right, r.bottom}; }
RECT Rect(const Box& b) { return RECT{std::get<0>(b), std::get<1>(b), std::get<2>(b), std::get<3>(b)}; }

TEST(VideoLayout, PictureFitsTheAreaCentredAndPointsMapIntoItsPixels) {
  const struct {
    Box area;
    int32_t width, height;
    Box picture;
  } cases[] = {
      {{0, 0, 800, 400}, 320, 240, {134, 0, 667, 400}},  // 533 wide: bars at the sides
      {{0, 0, 400, 800}, 320, 240, {0, 250, 400, 550}},  // 300 high: bars above and below
      {{0, 0, 512, 340}, 640, 480, {30, 0, 483, 340}},   // 340 x 4 / 3 = 453, truncated
  };
  for (const auto& c : cases) {
    RECT picture;
    ASSERT_TRUE(FitVideoRect(Rect(c.area), c.width, c.height, &picture));
    EXPECT_EQ(Of(picture), c.picture) << std::get<2>(c.area);
  }
  // Without a size the previous rectangle stays.
  RECT picture = {1, 2, 3, 4};
  EXPECT_FALSE(FitVideoRect(RECT{0, 0, 640, 480}, 0, 240, &picture));
  EXPECT_FALSE(FitVideoRect(RECT{0, 0, 640, 480}, 320, 0, &picture));
  EXPECT_EQ(Of(picture), Box(1, 2, 3, 4));
  // The status strip is outside the area, except in fullscreen.
  EXPECT_EQ(Of(VideoArea(RECT{0, 0, 512, 356}, false)), Box(0, 0, 512, 340));
  EXPECT_EQ(Of(VideoArea(RECT{0, 0, 512, 356}, true)), Box(0, 0, 512, 356));

  // Points map into the pixels of a 640 x 480 video at half size.
  picture = {10, 20, 330, 260};
  const struct {
    int x, y;
    bool inside;
    int32_t videoX, videoY;
  } points[] = {
      {170, 140, true, 320, 240}, {10, 21, true, 0, 2},
      // The left edge is inside; the right, top and bottom edges are not.
      {330, 100, false, 0, 0},    {100, 20, false, 0, 0}, {100, 260, false, 0, 0},
      {9, 100, false, 0, 0},
  };
  for (const auto& c : points) {
    int32_t x = -1, y = -1;
    ASSERT_EQ(VideoPointAt(picture, 640, 480, c.x, c.y, &x, &y), c.inside) << c.x << "," << c.y;
    if (c.inside) EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.videoX, c.videoY));
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
  const struct {
    int32_t current, count, top, first;
  } cases[] = {{50, 100, 560, 34}, {0, 100, -16, -2},  // -16 / 16 - 1, rounding toward zero
               {99, 100, 1120, 69}, {2, 3, -16, -2}};
  for (const auto& c : cases) {
    const PlaylistLayout l = LayOutPlaylist(c.current, c.count, 480);
    EXPECT_EQ(std::make_tuple(l.topOffset, l.scroll, l.firstIndex, l.lineCount),
              std::make_tuple(c.top, c.top + 48, c.first, 33)) << c.current;
  }
  EXPECT_EQ(PlaylistLineTop(50, 560) + kPlaylistLineHeight / 2, 240);
  EXPECT_EQ(PlaylistLineTop(0, -16), 8);
  EXPECT_EQ(PlaylistLineTop(99, 1120) + kPlaylistLineHeight, 472);
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
  EXPECT_EQ(PlaylistRowAt(-50, 32), -3);
  EXPECT_EQ(PlaylistRowAt(-70, 32), -4);
}

TEST(StatusStrip, BarAndFillOfTheTimeAndThePercentageAndTheFrameUnderAClick) {
  const struct {
    int32_t width, progress, frame, frames;
    int32_t margin, barRight, fill;
    bool hasBar;
  } cases[] = {
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
  // A click on the bar names a frame.
  const RECT bar = {4, 424, 384, 432};
  EXPECT_EQ(SeekFrameAt(4, bar, 1000), 0);
  EXPECT_EQ(SeekFrameAt(194, bar, 1000), 500);
  EXPECT_EQ(SeekFrameAt(383, bar, 1000), 997);
  EXPECT_EQ(SeekFrameAt(194, bar, 2000000000), 1000000000);  // 64-bit product
  EXPECT_EQ(SeekFrameAt(100, RECT{4, 0, 4, 8}, 1000), 0);
}

}  // namespace
