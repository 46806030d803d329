// "Interpolate UV" (in place, YUY2).
#pragma once

#include <cstdint>

// For r = 0, 2, 4, ... while r < H - 2, the chroma of every word of row r + 1
// becomes the truncated average of rows r and r + 2; lumas stay. W div 2 words.
void InterpolateUV(uint8_t* frame, int32_t width, int32_t height);

namespace reference {
void InterpolateUV(uint8_t* frame, int32_t width, int32_t height);
}  // namespace reference
