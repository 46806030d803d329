#include <gtest/gtest.h>

#include "settings/options.h"
#include "video/video_presenter_modes.h"
#include "video/video_presenter_rects.h"

#include <cstring>

namespace {

// A 320 x 240 frame doubled into a 640 x 480 video rectangle at the client
// origin (x, y) of a 1024 x 768 screen.
OverlayPlacement Doubled(LONG x, LONG y) {
  OverlayPlacement p;
  p.clientOrigin = POINT{x, y};
  p.width = 640;
  p.height = 480;
  p.sourceWidth = 320;
  p.sourceHeight = 240;
  p.surfaceWidth = 320;
  p.surfaceHeight = 240;
  p.screenWidth = 1024;
  p.screenHeight = 768;
  return p;
}

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(OverlayRects, OnScreenTheSourceIsTheWholeSurface) {
  RECT src, dst;
  OverlayPlacement p = Doubled(100, 50);
  p.left = 8;
  p.top = 4;
  ASSERT_TRUE(ComputeOverlayRects(OverlayCaps(), p, &src, &dst));
  EXPECT_TRUE(Same(src, RECT{0, 0, 320, 240}));
  EXPECT_TRUE(Same(dst, RECT{108, 54, 748, 534}));
}

TEST(OverlayRects, OffTheLeftAndTopTheSourceShiftsByTheHiddenPartOverTheStretch) {
  RECT src, dst;
  ASSERT_TRUE(ComputeOverlayRects(OverlayCaps(), Doubled(-100, -60), &src, &dst));
  EXPECT_TRUE(Same(dst, RECT{0, 0, 540, 420}));
  EXPECT_TRUE(Same(src, RECT{50, 30, 320, 240}));  // 100 / 2.000, 60 / 2.000
}

TEST(OverlayRects, BeyondTheRightAndBottomTheOverlayIsCutAtTheScreen) {
  RECT src, dst;
  ASSERT_TRUE(ComputeOverlayRects(OverlayCaps(), Doubled(900, 500), &src, &dst));
  EXPECT_TRUE(Same(dst, RECT{900, 500, 1024, 768}));
  // 516 and 212 pixels hidden: 258 and 106 surface pixels.
  EXPECT_TRUE(Same(src, RECT{0, 0, 62, 134}));
}

TEST(OverlayRects, StretchOutsideTheDriversLimitsFails) {
  OverlayCaps caps;
  caps.caps = kCapsOverlay | kCapsOverlayStretch;
  caps.minOverlayStretch = 1000;
  caps.maxOverlayStretch = 2000;
  RECT src, dst;
  OverlayPlacement p = Doubled(0, 0);
  EXPECT_TRUE(ComputeOverlayRects(caps, p, &src, &dst));  // exactly 2.000
  p.width = 642;
  EXPECT_FALSE(ComputeOverlayRects(caps, p, &src, &dst));  // 2.006
  p.width = 319;
  p.height = 240;
  EXPECT_FALSE(ComputeOverlayRects(caps, p, &src, &dst));  // 0.996
  caps.caps = kCapsOverlay;  // limits only count with DDCAPS_OVERLAYSTRETCH
  EXPECT_TRUE(ComputeOverlayRects(caps, p, &src, &dst));
  caps.caps = kCapsOverlay | kCapsOverlayStretch;
  caps.maxOverlayStretch = 0;  // and only when both are given
  EXPECT_TRUE(ComputeOverlayRects(caps, p, &src, &dst));
}

TEST(OverlayRects, AnEmptySourceFails) {
  RECT src, dst;
  OverlayPlacement p = Doubled(0, 0);
  p.sourceWidth = 0;
  EXPECT_FALSE(ComputeOverlayRects(OverlayCaps(), p, &src, &dst));
  p.sourceWidth = 320;
  p.sourceHeight = 0;
  EXPECT_FALSE(ComputeOverlayRects(OverlayCaps(), p, &src, &dst));
}

TEST(OverlayRects, AlignmentRoundsTheSourceAndWidensTheDestination) {
  OverlayCaps caps;
  caps.caps = kCapsAlignBoundarySrc | kCapsAlignBoundaryDest;
  caps.alignBoundarySrc = 4;
  caps.alignSizeSrc = 8;
  caps.alignBoundaryDest = 8;
  RECT src, dst;
  OverlayPlacement p = Doubled(-100, 0);  // source left 50
  p.width = 650;  // stretch 2.031
  p.left = 3;     // destination -97 .. 553, cut to 0 .. 553
  ASSERT_TRUE(ComputeOverlayRects(caps, p, &src, &dst));
  // Source left: -97 x 1000 / 2031 = 47 -> (47 + 2) rounded down to 4 = 48.
  EXPECT_EQ(src.left, 48);
  // Source right: 320 -> (320 + 4) & -8 = 320.
  EXPECT_EQ(src.right, 320);
  EXPECT_EQ(dst.left, 0);
  EXPECT_EQ(dst.right, 560);  // 553 widened to a multiple of 8

  caps.caps = kCapsAlignBoundaryDest;  // without the source flag the source stays
  ASSERT_TRUE(ComputeOverlayRects(caps, p, &src, &dst));
  EXPECT_EQ(src.left, 47);
}

TEST(OverlayRects, TheSurfaceWidthFollowsTheDestinationSizeAlignment) {
  OverlayCaps caps;
  EXPECT_EQ(OverlaySurfaceWidth(caps, 321), 321);
  caps.alignSizeDest = 16;
  EXPECT_EQ(OverlaySurfaceWidth(caps, 321), 321);  // the flag is DDCAPS_ALIGNSIZESRC
  caps.caps = kCapsAlignSizeSrc;
  EXPECT_EQ(OverlaySurfaceWidth(caps, 321), 336);
  EXPECT_EQ(OverlaySurfaceWidth(caps, 320), 320);
  caps.alignSizeDest = 0;
  EXPECT_EQ(OverlaySurfaceWidth(caps, 321), 321);
}

TEST(PresentModes, NamesAsTheStatisticsShowThem) {
  EXPECT_STREQ(PresentModeName(kPresentDisabled), "Disabled");
  EXPECT_STREQ(PresentModeName(kPresentNonOverlay), "NonOverlay RGB");
  EXPECT_STREQ(PresentModeName(kPresentRgb16), "16 Bit RGB (High)");
  EXPECT_STREQ(PresentModeName(kPresentRgb24), "24 Bit RGB (True)");
  EXPECT_STREQ(PresentModeName(kPresentRgb32), "32 Bit RGB (True)");
  EXPECT_STREQ(PresentModeName(kPresentYv12), "9 Bit YUV (YV12)");
  EXPECT_STREQ(PresentModeName(kPresentUyvy), "16 Bit YUV (UYVY)");
  EXPECT_STREQ(PresentModeName(kPresentYuy2), "16 Bit YUV (YUY2)");
  EXPECT_STREQ(PresentModeName(8), "");
  EXPECT_STREQ(PresentModeName(-1), "");
}

TEST(PresentModes, AllowFlagsFromTheOutputOptions) {
  Options options;
  std::memset(&options, 0, sizeof options);
  EXPECT_EQ(PresenterAllowFlags(options), 1u);
  options.allowRgbHighColor = options.allowRgbTrueColor = options.allowYuy2Uyvy = 1;
  EXPECT_EQ(PresenterAllowFlags(options), 1u + 2u + 4u + 8u + 16u);
  options.denyOverlays = 1;  // "Allow Using Overlays" off
  EXPECT_EQ(PresenterAllowFlags(options), 1u);
  options.allowDoubleBuffering = 1;  // independent of the overlays
  EXPECT_EQ(PresenterAllowFlags(options), 1u + 64u);
  options.denyOverlays = 0;
  options.allowRgbHighColor = options.allowRgbTrueColor = 0;
  EXPECT_EQ(PresenterAllowFlags(options), 1u + 8u + 16u + 64u);
}

}  // namespace
