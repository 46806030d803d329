#include "video/video_presenter_rects.h"

namespace {

// Stretch factors are in thousandths.
constexpr int64_t kStretchUnit = 1000;

bool Has(const OverlayCaps& caps, uint32_t bit) { return (caps.caps & bit) != 0; }

// Rounds to the nearest multiple of a power of two.
LONG RoundToMultiple(LONG value, uint32_t multiple) {
  const int64_t m = multiple;
  return static_cast<LONG>((value + m / 2) & -m);
}

}  // namespace

int32_t OverlaySurfaceWidth(const OverlayCaps& caps, int32_t sourceWidth) {
  const int32_t align = static_cast<int32_t>(caps.alignSizeDest);
  if (!Has(caps, kCapsAlignSizeSrc) || align < 1) return sourceWidth;
  return (sourceWidth + align - 1) / align * align;
}

bool ComputeOverlayRects(const OverlayCaps& caps, const OverlayPlacement& p, RECT* source,
                         RECT* destination) {
  if (p.sourceWidth < 1 || p.sourceHeight < 1) return false;
  const int64_t sx = int64_t{p.width} * kStretchUnit / p.sourceWidth;
  const int64_t sy = int64_t{p.height} * kStretchUnit / p.sourceHeight;
  if (Has(caps, kCapsOverlayStretch) && caps.minOverlayStretch != 0 &&
      caps.maxOverlayStretch != 0) {
    if (sx < caps.minOverlayStretch || sx > caps.maxOverlayStretch) return false;
    if (sy < caps.minOverlayStretch || sy > caps.maxOverlayStretch) return false;
  }
  RECT src = {0, 0, p.surfaceWidth, p.surfaceHeight};
  RECT dst;
  dst.left = p.clientOrigin.x + p.left;
  dst.top = p.clientOrigin.y + p.top;
  dst.right = dst.left + p.width;
  dst.bottom = dst.top + p.height;

  // The overlay may not reach beyond the screen: cut the off-screen parts off
  // the destination and the matching parts off the source.
  if (sx > 0 && dst.left < 0) {
    src.left = static_cast<LONG>(-int64_t{dst.left} * kStretchUnit / sx);
    dst.left = 0;
  }
  if (sx > 0 && dst.right > p.screenWidth) {
    src.right = static_cast<LONG>(p.surfaceWidth -
                                  (int64_t{dst.right} - p.screenWidth) * kStretchUnit / sx);
    dst.right = p.screenWidth;
  }
  if (sy > 0 && dst.bottom > p.screenHeight) {
    src.bottom = static_cast<LONG>(p.surfaceHeight -
                                   (int64_t{dst.bottom} - p.screenHeight) * kStretchUnit / sy);
    dst.bottom = p.screenHeight;
  }
  if (sy > 0 && dst.top < 0) {
    src.top = static_cast<LONG>(-int64_t{dst.top} * kStretchUnit / sy);
    dst.top = 0;
  }

  if (Has(caps, kCapsAlignBoundarySrc) && caps.alignBoundarySrc != 0) {
    src.left = RoundToMultiple(src.left, caps.alignBoundarySrc);
    if (caps.alignSizeSrc != 0) src.right = RoundToMultiple(src.right, caps.alignSizeSrc);
  }
  if (Has(caps, kCapsAlignBoundaryDest) && caps.alignBoundaryDest != 0) {
    const LONG c = static_cast<LONG>(caps.alignBoundaryDest);
    dst.left = dst.left / c * c;
    dst.right = ((dst.right - 1) / c + 1) * c;
  }
  *source = src;
  *destination = dst;
  return true;
}
