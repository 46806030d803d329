// The two tone changes of the painting code, over rows of 24-bit pixels
// (blue, green, red): the dark sepia of the play list screen's background
// and the red band that marks the current entry.
#pragma once

#include <cstdint>

// Dark sepia: with S = red + green + blue and H = S / 2, the pixel becomes
// red H / 2, green H / 3, blue H / 4.
void DimRow(uint8_t* row, int32_t width);

// The highlight band: the red component of pixel x becomes (g + red) / 2,
// g = 400 - x x 384 / width clamped to 0..255 (full at the left, fading to
// 16 at the right). Blue and green stay.
void HighlightRow(uint8_t* row, int32_t width);
