// Walking the rows of a YUY2 frame in the in-place filters.
#pragma once

#include "video/yuy2_frame.h"

#include <cstdint>

// Calls body(row) for each of the frame's rows, top first.
template <typename Body>
void ForEachRow(uint8_t* frame, int32_t width, int32_t height, Body body) {
  const int32_t stride = Yuy2RowStride(width);
  for (int32_t r = 0; r < height; ++r) body(frame + static_cast<intptr_t>(r) * stride);
}

// Bytes of a row that routines on 32-bit words (W div 2 words) and on 64-bit
// groups (W div 4 groups) touch.
inline int32_t WordBytes(int32_t width) { return width / 2 * 4; }
inline int32_t GroupBytes(int32_t width) { return width / 4 * 8; }
