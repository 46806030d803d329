// Which uncompressed picture form a video stream's format describes, for the
// decoder's own conversion into YUY2 (video/picture_to_yuy2.h). Portable:
// the format is read as the bytes of the file's "strf" (a BITMAPINFOHEADER,
// or a larger one, followed by its masks or palette).
#pragma once

#include "video/picture_to_yuy2.h"

#include <cstdint>

// The form, size and row order of the picture, and its masks; for the
// palette forms also the palette of the format (biClrUsed entries, all 2^bits
// when 0; entries the format does not hold are black). False for compressed
// pictures, for other depths, for masks that are not one run of bits each or
// that overlap, and for a size that UsableVideoSize refuses.
//  BI_RGB: 1, 4, 8 bits (palettes), 16 (555), 24, 32.
//  BI_BITFIELDS: 16 or 32 bits; the usual masks become the 555, 565 and
//    RGB32 forms, any others the bitfield forms.
//  FOURCC (either case): YUY2, YUYV, YUNV; UYVY, Y422, UYNV; YVYU; I420,
//    IYUV; YV12.
bool DescribePicture(const uint8_t* format, uint32_t size, PictureLayout* layout, uint32_t palette[256]);

// The palette forms.
bool IsPaletteForm(PictureForm form);
// The forms converted from RGB (the statistics' "software RGB->YUV" note).
bool IsRgbForm(PictureForm form);
