// Pixel packings of the presenter's overlay modes: each writes one frame into
// a locked surface (surface pitch in bytes) with the frame centred at the
// offsets xo, yo (pixels). Source row r lands on surface row r + yo.
//
//  mode 2, RGB16 5-6-5: from the 0x00RRGGBB conversion buffer, one 32-bit
//          word per pixel pair (first pixel in the low half), width div 2
//          words per row, at byte (xo div 2) x 4.
//  mode 3, RGB24: four pixels in three words, width div 4 groups per row, at
//          byte (xo div 4) x 12 (the pixels' fourth bytes must be 0, as the
//          converter leaves them).
//  mode 4, RGB32: the row's width pixels copied, at byte xo x 4.
//  mode 6, UYVY: from the YUY2 frame, each word Y0 U Y1 V written as
//          U Y0 V Y1, width div 2 words per row, at byte (xo div 2) x 4.
//  mode 7, YUY2: the frame's words copied unchanged, same geometry as mode 6.
#pragma once

#include <cstdint>

// Where a packed frame goes.
struct PackTarget {
  uint8_t* surface;  // the locked surface's first byte
  int32_t pitch;     // bytes per surface row (lPitch)
  int32_t xo;        // horizontal offset in pixels
  int32_t yo;        // vertical offset in rows
};

// Row forms: `pixels` is a conversion buffer row, `yuy2` a frame row, `out`
// the first byte to write (any alignment).
void PackRgb16Row(const uint32_t* pixels, uint8_t* out, int32_t words);
void PackRgb24Row(const uint32_t* pixels, uint8_t* out, int32_t groups);
void PackUyvyRow(const uint8_t* yuy2, uint8_t* out, int32_t words);

// Frame forms: `pixels` is the width x height conversion buffer; `frame` the
// YUY2 frame with `framePitch` bytes per row.
void PackFrameRgb16(const uint32_t* pixels, int32_t width, int32_t height, const PackTarget& target);
void PackFrameRgb24(const uint32_t* pixels, int32_t width, int32_t height, const PackTarget& target);
void PackFrameRgb32(const uint32_t* pixels, int32_t width, int32_t height, const PackTarget& target);
void PackFrameUyvy(const uint8_t* frame, int32_t width, int32_t height, int32_t framePitch,
                   const PackTarget& target);
void PackFrameYuy2(const uint8_t* frame, int32_t width, int32_t height, int32_t framePitch,
                   const PackTarget& target);

namespace reference {
void PackRgb16Row(const uint32_t* pixels, uint8_t* out, int32_t words);
void PackRgb24Row(const uint32_t* pixels, uint8_t* out, int32_t groups);
void PackUyvyRow(const uint8_t* yuy2, uint8_t* out, int32_t words);
}  // namespace reference
