#include "decode/stream_format_check.h"

namespace {

constexpr int32_t kMaxBitCount = 32;

}  // namespace

int64_t PictureHeight(int32_t biHeight) {
  return biHeight < 0 ? -int64_t{biHeight} : biHeight;
}

bool UsableVideoSize(int32_t biWidth, int32_t biHeight) {
  const int64_t width = biWidth;
  const int64_t height = PictureHeight(biHeight);
  return width > 0 && height > 0 && width <= kMaxVideoSide && height <= kMaxVideoSide &&
         width * height <= kMaxVideoPixels;
}

uint32_t PictureBytes(int32_t bitCount, int32_t width, int32_t height) {
  if (bitCount <= 0 || bitCount > kMaxBitCount || !UsableVideoSize(width, height)) return 0;
  const int64_t row = ((int64_t{bitCount} * width / 8 - 1) / 4 + 1) * 4;
  return static_cast<uint32_t>(row * PictureHeight(height));
}

uint16_t FittedCbSize(uint32_t formatSize, uint16_t cbSize) {
  if (formatSize < kWaveFormatSize) return 0;
  const uint32_t room = formatSize - kWaveFormatSize;
  return cbSize > room ? static_cast<uint16_t>(room) : cbSize;
}
