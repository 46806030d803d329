// Row resizers of the non-overlay output ("NonOverlay ReSize").
//
// Source rows are 32-bit pixels 0x00RRGGBB (the conversion buffer). Output
// rows are 24-bit DIB rows (B, G, R per pixel, no gaps); every output pixel is
// written as 4 bytes at destination + 3 x i, so the caller's row needs one
// spare byte behind its last pixel. Steps and positions are 16.16 fixed point;
// source pixel (p >> 16) is read for output pixel i, with p = i x step.
#pragma once

#include <cstdint>

// "Nearest (Fast)": copies source pixel (p >> 16) for each output pixel.
void ResizeRowNearest(const uint32_t* source, uint8_t* destination, int32_t step, int32_t count);

// "Bilinear (MMX)": blends source pixels x = p >> 16 and x + 1 of rowA and
// rowB; position is the vertical 16.16 position whose low 16 bits weigh rowB.
// Fractions are 15 bits, every product keeps its high 16 bits (a white
// source comes out as 254), and the fourth byte of each pixel is 0. The
// caller guarantees that pixel x + 1 exists for every x reached. Does nothing
// when HasMmx() is false.
void ResizeRowBilinear(const uint32_t* rowA, const uint32_t* rowB, int32_t position,
                       uint8_t* destination, int32_t step, int32_t count);

namespace reference {
void ResizeRowNearest(const uint32_t* source, uint8_t* destination, int32_t step, int32_t count);
void ResizeRowBilinear(const uint32_t* rowA, const uint32_t* rowB, int32_t position,
                       uint8_t* destination, int32_t step, int32_t count);
}  // namespace reference
