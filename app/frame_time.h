// The time of a frame as the status strip shows it.
#pragma once

#include <cstdint>

// Room FormatFrameTime needs, terminator included (the hours of the largest
// 32-bit frame count times the largest scale take 16 digits).
constexpr int kFrameTimeCapacity = 32;

// Writes the time of a frame at out (replacing what was there): seconds =
// frame x scale / rate, shown as "mm:ss", or "hh:mm:ss" from one hour on.
// A rate of 0 or less, or a negative frame, shows 00:00.
void FormatFrameTime(char* out, int32_t frame, int32_t rate, int32_t scale);
