// "Soften" and "Sharpen": luma filters over each pixel, its right neighbour
// and the two below them (in place, YUY2). Both scan rows top to bottom and
// pixels left to right over x < W - 1, y < H - 1; the neighbours still hold
// their unfiltered values when used. The last row and column and all chroma
// stay.
#pragma once

#include <cstdint>

// Y := (Y + right + below + below right) >> 2.
void Soften(uint8_t* frame, int32_t width, int32_t height);

// Y := clamp(floor((5 Y - right - below - below right) / 2), 0, 255). Does
// nothing when HasMmx() is false.
void Sharpen(uint8_t* frame, int32_t width, int32_t height);

namespace reference {
void Soften(uint8_t* frame, int32_t width, int32_t height);
void Sharpen(uint8_t* frame, int32_t width, int32_t height);
}  // namespace reference
