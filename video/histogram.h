// "Histogram": draws the frame's luma histogram as bars along its bottom.
#pragma once

#include <cstdint>

// Counts the luma values of the frame, then for each column j < W div 4 - 1
// draws a bar from the bottom row up, as tall as the (averaged) count of bin
// (255 j) div (W div 4) scaled by 10 / W and cut at H: three words at byte
// 8 j of each row, 0x15902B70, 0x2F004060, 0x65106A24.
void DrawHistogram(uint8_t* frame, int32_t width, int32_t height);

namespace reference {
void DrawHistogram(uint8_t* frame, int32_t width, int32_t height);
}  // namespace reference
