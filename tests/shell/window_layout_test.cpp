// The main window's layout arithmetic, checked against worked examples.
#include <gtest/gtest.h>

#include "app/panel_layout.h"
#include "app/playlist_layout.h"
#include "app/window_geometry.h"

namespace {

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST(VideoLayout, WideWindowPutsBarsAtTheSides) {
  RECT picture;
  ASSERT_TRUE(FitVideoRect(Rect(0, 0, 800, 400), 320, 240, &picture));
  // 400 rows high, 320 x 400 / 240 = 533 wide, centred: 400 - 266 = 134.
  ExpectRect(picture, 134, 0, 667, 400);
}

TEST(VideoLayout, TallWindowPutsBarsAboveAndBelow) {
  RECT picture;
  ASSERT_TRUE(FitVideoRect(Rect(0, 0, 400, 800), 320, 240, &picture));
  // 400 wide, 240 x 400 / 320 = 300 high, centred: 400 - 150 = 250.
  ExpectRect(picture, 0, 250, 400, 550);
}

TEST(VideoLayout, AreaLeavesTheStatusStripOutsideFullscreen) {
  const RECT client = Rect(0, 0, 512, 356);
  ExpectRect(VideoArea(client, false), 0, 0, 512, 340);
  ExpectRect(VideoArea(client, true), 0, 0, 512, 356);
  RECT picture;
  // A 512 x 340 area holds a 4:3 picture 453 wide (340 x 4 / 3, truncated).
  ASSERT_TRUE(FitVideoRect(VideoArea(client, false), 640, 480, &picture));
  ExpectRect(picture, 30, 0, 483, 340);
}

TEST(VideoLayout, VideoWithoutSizeKeepsThePreviousRectangle) {
  RECT picture = Rect(1, 2, 3, 4);
  EXPECT_FALSE(FitVideoRect(Rect(0, 0, 640, 480), 0, 240, &picture));
  EXPECT_FALSE(FitVideoRect(Rect(0, 0, 640, 480), 320, 0, &picture));
  ExpectRect(picture, 1, 2, 3, 4);
}

TEST(VideoLayout, PointsMapIntoVideoPixels) {
  const RECT picture = Rect(10, 20, 330, 260);  // a 640 x 480 video at half size
  int32_t x = -1;
  int32_t y = -1;
  ASSERT_TRUE(VideoPointAt(picture, 640, 480, 170, 140, &x, &y));
  EXPECT_EQ(x, 320);
  EXPECT_EQ(y, 240);
  ASSERT_TRUE(VideoPointAt(picture, 640, 480, 10, 21, &x, &y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 2);
  // The left edge is inside, the right edge and the top edge are not.
  EXPECT_FALSE(VideoPointAt(picture, 640, 480, 330, 100, &x, &y));
  EXPECT_FALSE(VideoPointAt(picture, 640, 480, 100, 20, &x, &y));
  EXPECT_FALSE(VideoPointAt(picture, 640, 480, 100, 260, &x, &y));
  EXPECT_FALSE(VideoPointAt(picture, 640, 480, 9, 100, &x, &y));
  EXPECT_FALSE(VideoPointAt(Rect(5, 5, 5, 50), 640, 480, 5, 10, &x, &y));
}

TEST(WindowSize, DraggedEdgesStopAtTheMinimum) {
  RECT window = Rect(100, 100, 200, 150);
  KeepMinimumWindowSize(8 /* WMSZ_BOTTOMRIGHT */, &window);
  ExpectRect(window, 100, 100, 420, 340);

  window = Rect(100, 100, 200, 150);
  KeepMinimumWindowSize(4 /* WMSZ_TOPLEFT */, &window);
  ExpectRect(window, -120, -90, 200, 150);

  window = Rect(100, 100, 200, 150);
  KeepMinimumWindowSize(3 /* WMSZ_TOP */, &window);
  ExpectRect(window, 100, -90, 200, 150);  // only the dragged edge moves

  window = Rect(0, 0, 640, 480);
  for (int edge = 1; edge <= 8; ++edge) {
    RECT copy = window;
    KeepMinimumWindowSize(edge, &copy);
    ExpectRect(copy, 0, 0, 640, 480);  // big enough: untouched
  }
}

TEST(PlaylistScreen, CurrentLineIsCentredAwayFromTheEnds) {
  const PlaylistLayout layout = LayOutPlaylist(50, 100, 480);
  EXPECT_EQ(layout.topOffset, 560);
  EXPECT_EQ(layout.scroll, 608);
  EXPECT_EQ(layout.firstIndex, 34);
  EXPECT_EQ(layout.lineCount, 33);
  const int32_t top = PlaylistLineTop(50, layout.topOffset);
  EXPECT_EQ(top + kPlaylistLineHeight / 2, 240);  // the line's middle is the window's
}

TEST(PlaylistScreen, EndsOfTheListStayInTheWindow) {
  // The first entry is drawn one half line below the top, not lower.
  PlaylistLayout layout = LayOutPlaylist(0, 100, 480);
  EXPECT_EQ(layout.topOffset, -16);
  EXPECT_EQ(PlaylistLineTop(0, layout.topOffset), 8);
  EXPECT_EQ(layout.firstIndex, -2);  // -16 / 16 - 1, rounding toward zero
  // The last entry's line ends above the bottom.
  layout = LayOutPlaylist(99, 100, 480);
  EXPECT_EQ(layout.topOffset, 1120);
  EXPECT_EQ(PlaylistLineTop(99, layout.topOffset) + kPlaylistLineHeight, 472);
  // A short list sticks to the top.
  layout = LayOutPlaylist(2, 3, 480);
  EXPECT_EQ(layout.topOffset, -16);
}

TEST(PlaylistScreen, MouseRowIsTheLineDrawnThere) {
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

TEST(StatusStrip, TimeDisplayLeavesRoomForTheTime) {
  const PanelLayout layout = LayOutPanel(512, -1, 50, 100);
  EXPECT_EQ(layout.margin, 128);
  EXPECT_TRUE(layout.hasBar);
  EXPECT_EQ(layout.barLeft, 4);
  EXPECT_EQ(layout.barRight, 384);
  EXPECT_EQ(layout.fill, 190);
  ExpectRect(SeekBarRect(layout, 0, 436), 4, 424, 384, 432);
  ExpectRect(SeekBarRect(layout, 10, 100), 14, 88, 394, 96);
}

TEST(StatusStrip, PercentageFillsTheWholeWidth) {
  PanelLayout layout = LayOutPanel(512, 40, 0, 100);
  EXPECT_EQ(layout.margin, 4);
  EXPECT_EQ(layout.barRight, 508);
  EXPECT_EQ(layout.fill, 201);  // 504 x 40 / 100
  layout = LayOutPanel(512, 100, 0, 1);
  EXPECT_EQ(layout.fill, 504);
  layout = LayOutPanel(512, 50, 0, 0);
  EXPECT_FALSE(layout.hasBar);
  EXPECT_EQ(layout.fill, 0);
}

TEST(StatusStrip, LongFilesFillWithoutOverflow) {
  const PanelLayout layout = LayOutPanel(1024, -1, 2000000000, 2100000000);
  EXPECT_EQ(layout.fill, 849);  // 2e9 x 892 / 2.1e9 = 849.5
}

TEST(SeekBar, ClickPositionNamesAFrame) {
  const RECT bar = Rect(4, 424, 384, 432);
  EXPECT_EQ(SeekFrameAt(4, bar, 1000), 0);
  EXPECT_EQ(SeekFrameAt(194, bar, 1000), 500);
  EXPECT_EQ(SeekFrameAt(383, bar, 1000), 997);
  EXPECT_EQ(SeekFrameAt(194, bar, 2000000000), 1000000000);  // 64-bit product
  EXPECT_EQ(SeekFrameAt(100, Rect(4, 0, 4, 8), 1000), 0);
}

}  // namespace
