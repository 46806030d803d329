// "Flip Vertical" and "Flip Horizontal" (in place, YUY2).
#pragma once

#include <cstdint>

// Swaps row r with row H - 1 - r for r < H div 2, W div 2 words per row.
void FlipVertical(uint8_t* frame, int32_t width, int32_t height);

// In each row exchanges word i with word (W div 4) x 2 - 1 - i for i < W div 4
// and swaps Y0 and Y1 inside every moved word (U and V keep their places).
// With W not a multiple of 4 the last pixel pair stays where it is.
void FlipHorizontal(uint8_t* frame, int32_t width, int32_t height);

namespace reference {
void FlipVertical(uint8_t* frame, int32_t width, int32_t height);
void FlipHorizontal(uint8_t* frame, int32_t width, int32_t height);
}  // namespace reference
