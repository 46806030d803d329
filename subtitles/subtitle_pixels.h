// Pixel work of the subtitle renderer: the subtitle colour in YUY2 and the
// merge of a finished band into the frame.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// The YUY2 pixel pair (bytes Y, U, Y, V) of a GDI colour: with r, g, b its
// low, middle and high bytes, in double precision, each result truncated
// toward zero and clamped to 0 .. 255:
// Y = 0.299 r + 0.587 g + 0.114 b; U = 0.5 b - (0.1687 r + 0.3313 g) + 128;
// V = 0.5 r - (0.4187 g + 0.0813 b) + 128.
uint32_t ColorToYuy2(COLORREF color);

// Merges a band of `bandHeight` rows into the bottom rows of a YUY2 frame:
// band row r goes onto frame row height - bandHeight + r. Both have the frame's
// row stride (Yuy2RowStride(width)); width div 2 words per row. A zero band
// word leaves the frame word; any other replaces it, or with `transparent` is
// averaged with it byte by byte ((a + b) div 2). Band rows that would land
// above the frame's top (a band taller than the frame) are skipped.
void MergeSubtitleBand(uint8_t* frame, int32_t width, int32_t height, const uint8_t* band,
                       int32_t bandHeight, bool transparent);

namespace reference {
void MergeSubtitleBand(uint8_t* frame, int32_t width, int32_t height, const uint8_t* band,
                       int32_t bandHeight, bool transparent);
}  // namespace reference
