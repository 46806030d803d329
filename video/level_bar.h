// The on-screen level bar shown while the volume or a colour setting changes.
#pragma once

#include <cstdint>

// Size of the balance image: the 128 x 32 "ID_BALANCE" picture, one byte
// (its red component) per pixel, top row first.
constexpr int kBalanceImageWidth = 128;
constexpr int kBalanceImageHeight = 32;
constexpr int kBalanceImageSize = kBalanceImageWidth * kBalanceImageHeight;

// Draws the bar for `value` (0 .. 100) along the left edge: H div 4 cells of
// 4 rows, 8 words wide, the lower value x cells div 100 of them filled. When
// W >= 160 the four 32 x 32 icons of `balanceImage` are blended into rows
// 0 .. 31 at pixels 32 .. 159, icon (selection + 1) mod 4 highlighted;
// `selection` is the BalanceTarget (0 volume, 1 brightness, 2 saturation,
// 3 contrast). The bar and icons are clipped to the frame.
void DrawLevelBar(uint8_t* frame, int32_t width, int32_t height, int32_t value, int32_t selection,
                  const uint8_t* balanceImage);
