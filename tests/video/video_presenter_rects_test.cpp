#include <gtest/gtest.h>

#include "settings/options.h"
#include "video/video_presenter_modes.h"
#include "video/video_presenter_rects.h"

#include <cstring>
#include <vector>

namespace {

// The source is the surface's part that shows: the destination is cut at the
// screen's edges, and the hidden parts are taken off the source divided by the
// stretch (in thousandths). Stretches outside the driver's limits and empty
// sources fail. (The presenter's tests place overlays with every alignment.)
TEST(OverlayRects, SourceDestinationAndSurfaceWidthOnAndOffTheScreen) {
  const uint32_t stretchCaps = kCapsOverlay | kCapsOverlayStretch;
  // A 320 x 240 surface on a 1024 x 768 screen, mostly doubled.
  struct Case {
    const char* name;
    OverlayCaps caps;
    LONG x, y;  // the client origin
    int32_t left, top, width, height;  // the video rectangle
    int32_t sourceWidth, sourceHeight;
    bool ok;
    RECT src, dst;  // not checked when both are empty
  } const cases[] = {
      // 100 / 2.000 and 60 / 2.000 hidden.
      {"off the left and top", {}, -100, -60, 0, 0, 640, 480, 320, 240, true, {50, 30, 320, 240},
       {0, 0, 540, 420}},
      // 516 and 212 pixels hidden: 258 and 106 surface pixels.
      {"past the right and bottom", {}, 900, 500, 0, 0, 640, 480, 320, 240, true, {0, 0, 62, 134},
       {900, 500, 1024, 768}},
      {"stretch 2.000 at the limit", {stretchCaps, 1000, 2000}, 0, 0, 0, 0, 640, 480, 320, 240, true, {}, {}},
      {"stretch 2.006 above it", {stretchCaps, 1000, 2000}, 0, 0, 0, 0, 642, 480, 320, 240, false, {}, {}},
      {"stretch 0.996 below it", {stretchCaps, 1000, 2000}, 0, 0, 0, 0, 319, 240, 320, 240, false, {}, {}},
      {"limits without DDCAPS_OVERLAYSTRETCH", {kCapsOverlay, 1000, 2000}, 0, 0, 0, 0, 319, 240, 320, 240,
       true, {}, {}},
      {"only one limit", {stretchCaps, 1000, 0}, 0, 0, 0, 0, 319, 240, 320, 240, true, {}, {}},
      {"no source columns", {}, 0, 0, 0, 0, 640, 480, 0, 240, false, {}, {}},
      {"no source rows", {}, 0, 0, 0, 0, 640, 480, 320, 0, false, {}, {}},
      // Destination -97 .. 553 at 2.031, cut to 0 .. 553 and widened to 560;
      // the source left, -97 x 1000 / 2031 = 47, is not aligned.
      {"destination aligned only", {kCapsAlignBoundaryDest, 0, 0, 4, 8, 8}, -100, 0, 3, 0, 650, 480, 320,
       240, true, {47, 0, 320, 240}, {0, 0, 560, 480}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // On a 1024 x 768 screen, a 320 x 240 surface.
    const OverlayPlacement p{POINT{c.x, c.y}, c.left, c.top, c.width, c.height, c.sourceWidth, c.sourceHeight,
                             320, 240, 1024, 768};
    RECT src, dst;
    ASSERT_EQ(ComputeOverlayRects(c.caps, p, &src, &dst), c.ok);
    if (c.src.right == 0 && c.dst.right == 0) continue;
    const auto corners = [](const RECT& r) { return std::vector<LONG>{r.left, r.top, r.right, r.bottom}; };
    EXPECT_EQ(corners(src), corners(c.src));
    EXPECT_EQ(corners(dst), corners(c.dst));
  }

  // Surfaces are sized in steps of dwAlignSizeDest (the presenter's tests)
  // only when there is a step.
  OverlayCaps caps;
  caps.caps = kCapsAlignSizeSrc;
  EXPECT_EQ(OverlaySurfaceWidth(caps, 321), 321);
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
