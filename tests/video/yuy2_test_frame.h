// A YUY2 test frame with its rows at Yuy2RowStride and guard bytes behind.
#pragma once

#include "tests/video/pixel_test_support.h"
#include "video/yuy2_frame.h"

// A YUY2 word of two pixels: Y0, U, Y1, V from the lowest byte up.
inline uint32_t Word(int y0, int u, int y1, int v) {
  return static_cast<uint32_t>(y0 | (u << 8) | (y1 << 16) | (v << 24));
}

// "Low Quality (16Bit)" of a pixel: its table key's entry, from the table's
// formula (R = ClampShift8(259 y + 369 v), G = ClampShift8(259 y - 88 u -
// 183 v - 2199), B = ClampShift8(259 y + 467 u), of the key's bits).
inline uint32_t LowQualityRgb(int luma, int cb, int cr) {
  const auto clampShift8 = [](int value) { return static_cast<uint32_t>(std::min(std::max(value, 0), 65535) >> 8); };
  const int u = (cb >> 3) * 8 - 128, y = (luma >> 2) * 4, v = (cr >> 3) * 8 - 128;
  return clampShift8(259 * y + 369 * v) << 16 | clampShift8(259 * y - 88 * u - 183 * v - 2199) << 8 |
         clampShift8(259 * y + 467 * u);
}

class Yuy2TestFrame : public GuardedBuffer {
 public:
  Yuy2TestFrame(int32_t width, int32_t height, std::mt19937* random)
      : GuardedBuffer(static_cast<size_t>(Yuy2RowStride(width)) * height, random), width(width), height(height),
        stride(Yuy2RowStride(width)) {}

  uint8_t* Row(int32_t r) { return data() + static_cast<size_t>(r) * stride; }
  uint8_t& Luma(int32_t x, int32_t r) { return Row(r)[2 * x]; }
  uint32_t Word(int32_t i, int32_t r) {
    uint32_t w;
    std::memcpy(&w, Row(r) + 4 * i, 4);
    return w;
  }
  void SetWord(int32_t i, int32_t r, uint32_t w) { std::memcpy(Row(r) + 4 * i, &w, 4); }
  // A 16-bit pixel, as the subtitle band passes see the frame.
  uint16_t Pixel(int32_t x, int32_t r) {
    uint16_t p;
    std::memcpy(&p, Row(r) + 2 * x, 2);
    return p;
  }
  void SetPixel(int32_t x, int32_t r, uint16_t p) { std::memcpy(Row(r) + 2 * x, &p, 2); }
  void Fill(uint32_t w) {
    for (int32_t r = 0; r < height; ++r)
      for (int32_t i = 0; i < stride / 4; ++i) SetWord(i, r, w);
  }
  std::vector<uint8_t> Bytes() const { return Payload(); }

  const int32_t width, height, stride;
};
