// ClampShift8: the clamping of the fixed-point colour conversions.
#pragma once

#include <cstdint>

// x limited to 0 .. 65535, then shifted right by 8: a colour byte 0 .. 255.
constexpr int32_t ClampShift8(int32_t x) {
  return (x < 0 ? 0 : (x > 65535 ? 65535 : x)) >> 8;
}
