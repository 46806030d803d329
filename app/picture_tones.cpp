#include "app/picture_tones.h"

namespace {

uint8_t Clamp255(int32_t value) {
  if (value < 0) return 0;
  if (value > 255) return 255;
  return static_cast<uint8_t>(value);
}

}  // namespace

void DimRow(uint8_t* row, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    uint8_t* pixel = row + 3 * x;
    const int32_t half = (pixel[0] + pixel[1] + pixel[2]) / 2;
    pixel[0] = Clamp255(half / 4);
    pixel[1] = Clamp255(half / 3);
    pixel[2] = Clamp255(half / 2);
  }
}

void HighlightRow(uint8_t* row, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    const int32_t glow = Clamp255(400 - x * 384 / width);
    uint8_t* red = row + 3 * x + 2;
    *red = static_cast<uint8_t>((glow + *red) / 2);
  }
}
