// The passes over a drawn subtitle band: the dark outline and shadow around
// the text, and the band turned into YUY2 pixel pairs in the subtitle colour.
//
// The band is a top-down 16-bit bitmap of width x height pixels, rows
// `stride` bytes apart (the frame's YUY2 row stride). The text is drawn in
// white, so bit 0 marks a text pixel; the outline and shadow set bit 1.
#pragma once

#include <cstdint>

// How far down and right the shadow sits: min(fontHeight div 5, 4) pixels.
int32_t SubtitleShadowOffset(int32_t fontHeight);

// Sets bit 1 in the four neighbours (right, left, below, above) of every text
// pixel and, with shadowOffset > 0, in the pixel shadowOffset rows down and
// columns right of it. Text pixels are looked for in rows 0 .. height - 5 and
// columns 0 .. width - 5, so that no mark lands past the band's right or
// bottom edge; marks left of column 0 or above row 0 are dropped.
void MarkSubtitleOutline(uint8_t* band, int32_t width, int32_t height, int32_t stride,
                         int32_t shadowOffset);

// Converts the band in place, width div 2 words a row, with colour the YUY2
// pair of the subtitle colour (ColorToYuy2): a zero word stays zero; any
// other gets the colour's U and V, and each of its pixels the colour's luma
// for text (bit 0), an eighth of it for outline or shadow (only bit 1), and 0
// when neither bit is set.
void ConvertSubtitleBand(uint8_t* band, int32_t width, int32_t height, int32_t stride, uint32_t colour);
