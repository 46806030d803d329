// The per-byte video filters (in place, YUY2): each byte's new value depends
// only on itself.
#pragma once

#include <cstdint>

// "Double Contrast": every luma byte Y becomes min(2Y, 255); W div 4 groups.
void DoubleContrast(uint8_t* frame, int32_t width, int32_t height);

// "Double Saturation": every chroma byte c becomes clamp(2 (c - 128), -128,
// 127) + 128; W div 4 groups.
void DoubleSaturation(uint8_t* frame, int32_t width, int32_t height);

// "Negative": every word w (Y0 in the low byte) becomes 0 - w modulo 2^32, so
// the lowest non-zero byte becomes 256 minus itself and the bytes above it 255
// minus themselves; W div 2 words.
void Negative(uint8_t* frame, int32_t width, int32_t height);

// "Grayscale": every word keeps Y0 and Y1 and takes U = 0x70, V = 0x90 (a
// warm monochrome); W div 2 words.
void Grayscale(uint8_t* frame, int32_t width, int32_t height);

namespace reference {
void DoubleContrast(uint8_t* frame, int32_t width, int32_t height);
void DoubleSaturation(uint8_t* frame, int32_t width, int32_t height);
void Negative(uint8_t* frame, int32_t width, int32_t height);
void Grayscale(uint8_t* frame, int32_t width, int32_t height);
}  // namespace reference
