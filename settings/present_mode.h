// The picture's vocabulary: what the presenter puts the picture on, and
// the allow flags that choose among its surfaces.
#pragma once

#include <cstdint>

struct Options;

// What the presenter puts the picture on; the number indexes the names the
// statistics show.
enum PresentMode : int32_t {
  kPresentDisabled = 0,    // nothing set up
  kPresentNonOverlay = 1,  // software conversion and resize, DrawDib
  kPresentRgb16 = 2,       // overlays
  kPresentRgb24 = 3,
  kPresentRgb32 = 4,
  kPresentYv12 = 5,        // named, never set up
  kPresentUyvy = 6,
  kPresentYuy2 = 7,
};

// Modes 1 to 4 convert YUV to RGB in software; mode 1 also resizes.
inline bool ConvertsInSoftware(int32_t mode) { return mode >= 1 && mode <= 4; }
// The overlay does the colour conversion (the video thread then runs higher).
inline bool IsYuvOverlay(int32_t mode) { return mode > 4; }

// Surface kinds the presenter may set up.
enum AllowFlag : uint32_t {
  kAllowNonOverlay = 1,
  kAllowRgb16 = 2,
  kAllowRgbTrue = 4,  // 24 and 32 bits
  kAllowYuy2 = 8,
  kAllowUyvy = 16,
  kAllowBackBuffer = 64,
};

// The flags from "Allow Using Overlays", "Allow RGB High Color", "Allow RGB
// True Color", "Allow YUY2/UYVY" and "Allow Double Buffering".
uint32_t PresenterAllowFlags(const Options& options);
