// The uncompressed picture forms of AVI files, converted into the player's
// YUY2 frames by the program itself when no decompressor or system converter
// connects them to the grabber.
//
// RGB forms (every row padded to a multiple of 4 bytes, bottom-up when
// biHeight > 0, top-down when biHeight < 0) become 8-bit B, G, R per pixel
// first, exactly: bytes as they are, a 5-bit field v as (v << 3) | (v >> 2)
// and a 6-bit one as (v << 2) | (v >> 4) (the top bits repeated below, so
// that 0 and the largest value become 0 and 255), a palette index as its
// entry, other masks with their bits repeated down to 8 (or cut to their top
// 8). Then each pixel pair goes through the RGB24 arithmetic of either
// quality (Rgb24PairToYuy2), so that the same picture gives the same YUY2
// bytes in every RGB form; in low quality a 5-bit field therefore indexes the
// 15-bit table as itself.
//
// YUV forms are always top-down and only repacked: the bytes of YUY2, UYVY
// and YVYU pixel pairs are reordered into Y0 U Y1 V; a planar picture (I420,
// IYUV: Y, U, V planes; YV12: Y, V, U) gives pair k of row y the luma of
// pixels 2k and 2k + 1 of row y and the chroma of column k of chroma row
// y div 2 (each chroma row serves two picture rows). Planes are unpadded:
// Y rows of width bytes, chroma rows of (width + 1) div 2 bytes, (height + 1)
// div 2 chroma rows. Packed YUV rows take 2 x width bytes rounded up to 4.
//
// The destination is the YUY2 frame: top-down, rows of 2 x width bytes
// rounded up to 4, width div 2 pairs per row (with an odd width the last
// pixel of each row is not converted, as in the RGB24 path).
#pragma once

#include "video/rgb24_to_yuy2.h"

#include <cstdint>

enum class PictureForm : uint8_t {
  kRgb24,       // B, G, R bytes
  kRgb32,       // B, G, R and an unused byte
  kRgb555,      // 16-bit words, B in bits 0-4, G 5-9, R 10-14
  kRgb565,      // B in bits 0-4, G 5-10, R 11-15
  kBitfields16, // 16-bit words with other masks
  kBitfields32, // 32-bit words with other masks
  kPalette8,    // one index a byte
  kPalette4,    // two a byte, the first in the high half
  kPalette1,    // eight a byte, the first in the highest bit
  kYuy2,        // Y0 U Y1 V
  kUyvy,        // U Y0 V Y1
  kYvyu,        // Y0 V Y1 U
  kI420,        // planes Y, U, V (also IYUV)
  kYv12,        // planes Y, V, U
};

struct PictureLayout {
  PictureForm form = PictureForm::kRgb24;
  int32_t width = 0;
  int32_t biHeight = 0;  // its sign orders RGB rows; YUV forms ignore it
  // The red, green and blue masks of the bitfield forms: each one run of set
  // bits (DescribePicture checks that).
  uint32_t masks[3] = {};
};

// Bytes of one source picture of this layout (0 for a width or height below 1).
uint32_t PictureLayoutBytes(const PictureLayout& layout);

// Converts one picture. The palette (256 entries, the bytes B, G, R and one
// unused of a RGBQUAD) is read by the palette forms only. Returns false only
// when the low-quality table can't be allocated.
bool ConvertPictureToYuy2(const PictureLayout& layout, const uint8_t* source, const uint32_t* palette,
                          uint8_t* destination, bool highQuality, Rgb555ToYuy2Table* table);

namespace reference {
bool ConvertPictureToYuy2(const PictureLayout& layout, const uint8_t* source, const uint32_t* palette,
                          uint8_t* destination, bool highQuality, Rgb555ToYuy2Table* table);
}  // namespace reference
