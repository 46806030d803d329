// The overlay's rectangle arithmetic: where on the screen the overlay goes
// and which part of the surface it shows, clipped to the screen and aligned
// as the display driver asks. Kept apart from DirectDraw so that it can be
// checked with any capabilities and screen size.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// DDCAPS dwCaps bits read here (DirectDraw's values).
constexpr uint32_t kCapsAlignBoundaryDest = 0x00000002;
constexpr uint32_t kCapsAlignSizeDest = 0x00000004;
constexpr uint32_t kCapsAlignBoundarySrc = 0x00000008;
constexpr uint32_t kCapsAlignSizeSrc = 0x00000010;
constexpr uint32_t kCapsOverlay = 0x00000800;
constexpr uint32_t kCapsOverlayStretch = 0x00004000;

// The DDCAPS fields the arithmetic uses.
struct OverlayCaps {
  uint32_t caps = 0;
  uint32_t minOverlayStretch = 0;  // thousandths
  uint32_t maxOverlayStretch = 0;
  uint32_t alignBoundarySrc = 0;
  uint32_t alignSizeSrc = 0;
  uint32_t alignBoundaryDest = 0;
  uint32_t alignSizeDest = 0;
};

struct OverlayPlacement {
  POINT clientOrigin = {0, 0};  // the client area's (0, 0) on the screen
  int32_t left = 0;             // video rectangle, client coordinates
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t sourceWidth = 0;      // the frame
  int32_t sourceHeight = 0;
  int32_t surfaceWidth = 0;     // the overlay surface
  int32_t surfaceHeight = 0;
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
};

// The overlay surface's width: the source width, rounded up to a multiple of
// dwAlignSizeDest when the driver sets DDCAPS_ALIGNSIZESRC.
int32_t OverlaySurfaceWidth(const OverlayCaps& caps, int32_t sourceWidth);

// Source (surface) and destination (screen) rectangles. False for an empty
// source or a stretch outside the driver's limits.
bool ComputeOverlayRects(const OverlayCaps& caps, const OverlayPlacement& placement,
                         RECT* source, RECT* destination);
