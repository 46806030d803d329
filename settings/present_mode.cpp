#include "settings/present_mode.h"

#include "settings/options.h"

uint32_t PresenterAllowFlags(const Options& options) {
  uint32_t flags = kAllowNonOverlay;
  if (!options.denyOverlays) {
    if (options.allowRgbHighColor) flags |= kAllowRgb16;
    if (options.allowRgbTrueColor) flags |= kAllowRgbTrue;
    if (options.allowYuy2Uyvy) flags |= kAllowYuy2 | kAllowUyvy;
  }
  if (options.allowDoubleBuffering) flags |= kAllowBackBuffer;
  return flags;
}
