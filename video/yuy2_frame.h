// Geometry of the packed YUY2 frames that the filters, the subtitle renderer
// and the presenter work on: bytes Y0 U Y1 V for each pair of pixels, top row
// first, each row 2 x width bytes rounded up to a multiple of 4.
#pragma once

#include <cstdint>

// Bytes per YUY2 row of a frame `width` pixels wide: (2W - 1) div 4 x 4 + 4.
inline int32_t Yuy2RowStride(int32_t width) { return (2 * width - 1) / 4 * 4 + 4; }
