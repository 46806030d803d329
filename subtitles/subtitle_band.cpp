#include "subtitles/subtitle_band.h"

#include "platform/vector_helpers.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t kText = 1;
constexpr uint16_t kEdge = 2;
// The largest shadow offset: the source margin keeps every mark inside.
constexpr int32_t kMargin = 4;

uint16_t* Row(uint8_t* band, int32_t stride, int32_t y) {
  return reinterpret_cast<uint16_t*>(band + static_cast<intptr_t>(y) * stride);
}

void Mark(uint8_t* band, int32_t stride, int32_t x, int32_t y) {
  if (x < 0 || y < 0) return;
  uint16_t* pixel = Row(band, stride, y) + x;
  uint16_t value;
  std::memcpy(&value, pixel, 2);
  value |= kEdge;
  std::memcpy(pixel, &value, 2);
}

uint16_t Pixel(uint8_t* band, int32_t stride, int32_t x, int32_t y) {
  uint16_t value;
  std::memcpy(&value, Row(band, stride, y) + x, 2);
  return value;
}

// The luma of one converted pixel: the colour's for text, an eighth of it
// for the outline.
uint32_t Luma(uint32_t pixel, uint32_t text, uint32_t edge) {
  if ((pixel & kText) != 0) return text;
  return (pixel & kEdge) != 0 ? edge : 0;
}

}  // namespace

int32_t SubtitleShadowOffset(int32_t fontHeight) { return std::min(fontHeight / 5, kMargin); }

void MarkSubtitleOutline(uint8_t* band, int32_t width, int32_t height, int32_t stride,
                         int32_t shadowOffset) {
  const int32_t k = std::clamp(shadowOffset, 0, kMargin);
  for (int32_t y = 0; y <= height - 1 - kMargin; ++y) {
    for (int32_t x = 0; x <= width - 1 - kMargin; ++x) {
      if ((Pixel(band, stride, x, y) & kText) == 0) continue;
      Mark(band, stride, x + 1, y);
      Mark(band, stride, x - 1, y);
      Mark(band, stride, x, y + 1);
      Mark(band, stride, x, y - 1);
      if (k > 0) Mark(band, stride, x + k, y + k);
    }
  }
}

void ConvertSubtitleBand(uint8_t* band, int32_t width, int32_t height, int32_t stride, uint32_t colour) {
  const uint32_t chroma = colour & 0xFF00FF00u;
  const uint32_t text = colour & 0xFF;
  const uint32_t edge = (colour >> 3) & 0x1F;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = band + static_cast<intptr_t>(y) * stride;
    for (int32_t i = 0; i < width / 2; ++i) {
      const uint32_t word = LoadWord(row + 4 * i);
      if (word == 0) continue;
      const uint32_t y0 = Luma(word & 0xFFFF, text, edge), y1 = Luma(word >> 16, text, edge);
      StoreWord(row + 4 * i, chroma | (y1 << 16) | y0);
    }
  }
}
