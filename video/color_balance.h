// The colour balance (brightness, contrast, saturation), in place on YUY2.
#pragma once

#include "settings/options.h"

#include <cstdint>

// With b, k, s the brightness, contrast and saturation percentages:
// offset = trunc((b - 50) x 256 / 100), gain = trunc(k x 1024 / 100),
// chroma gain = trunc(s x k x 256 / 2500);
// Y' = clamp(floor(128 Y x gain / 65536) + offset, 0, 255);
// c' = clamp(floor((c - 128) x chroma gain / 256), -128, 127) + 128.
// Returns at once when all three are 50; does nothing when HasMmx() is false.
// Values outside 0 .. 100 are taken as the nearest end. W div 2 words per row.
void ApplyColorBalance(uint8_t* frame, int32_t width, int32_t height, const ColorBalance& balance);

namespace reference {
void ApplyColorBalance(uint8_t* frame, int32_t width, int32_t height, const ColorBalance& balance);
}  // namespace reference
