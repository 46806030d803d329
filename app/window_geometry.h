// The arithmetic of the main window's layout: where the picture goes, how a
// window point maps into the video, the window's minimum size and the size
// that shows the video at a scale. Portable, so that it is tested natively.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Height of the status strip under the picture.
constexpr int kStatusStripHeight = 16;
// The smallest window rectangle the user can drag the window to.
constexpr int kMinimumWindowWidth = 320;
constexpr int kMinimumWindowHeight = 240;

// The area the picture may use: the client rectangle less the status strip,
// or all of it in fullscreen.
RECT VideoArea(const RECT& client, bool fullscreen);

// The picture at its aspect inside the area, centred: as wide as the area
// with bars above and below, or as high with bars at the sides. False (and
// nothing written) when the video has no size.
bool FitVideoRect(const RECT& area, int32_t videoWidth, int32_t videoHeight, RECT* out);

// Maps a client point into video pixels; false unless it lies in the
// picture (left <= x < right, top < y < bottom) and the picture has a size.
bool VideoPointAt(const RECT& videoRect, int32_t videoWidth, int32_t videoHeight, int32_t x,
                  int32_t y, int32_t* videoX, int32_t* videoY);

// The WM_SIZING rule: moves the dragged edge (WMSZ_ value) out so that the
// window rectangle is at least 320 x 240.
void KeepMinimumWindowSize(int edge, RECT* window);

// The client rectangle that shows the video at scale/256 of its size with
// the status strip under it, its top-left corner at origin.
RECT ScaledClientRect(int32_t originX, int32_t originY, int32_t videoWidth, int32_t videoHeight,
                      int32_t scale);
