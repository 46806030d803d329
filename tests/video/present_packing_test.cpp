#include "video/present_packing.h"

#include "tests/video/pixel_test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The usual 5-6-5 packing: top 5 bits of red, 6 of green, 5 of blue.
uint16_t Expected565(uint32_t p) {
  const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

// Each packing on a frame placed at (xo, yo) of a larger surface (80-byte
// rows, 6 of them, marked): xo is rounded down to the packing's group, only
// whole groups are written, each byte of a row comes from its pixel (RGB) or
// frame byte (YUV), and every byte outside keeps the mark.
TEST(PresentPacking, FramesArePackedIntoTheirRectangleOnly) {
  std::mt19937 random(7);
  const int32_t height = 3, pitch = 16;
  const std::vector<uint32_t> pixels = RandomPixels(13 * height, &random);
  GuardedBuffer frame(pitch * height, &random);
  const uint8_t* yuv = frame.data();
  struct Case {
    const char* name;
    int32_t width, xo, yo;
    int32_t first, length;  // the bytes of each row written
    std::function<void(const PackTarget&)> pack;
    std::function<int(int32_t r, int32_t b)> expected;  // byte b of row r
  } const cases[] = {
      // (5 div 2) x 4 = 8; six words of two pixels, the odd pixel left out.
      {"rgb16", 13, 5, 2, 8, 24, [&](const PackTarget& t) { PackFrameRgb16(pixels.data(), 13, height, t); },
       [&](int32_t r, int32_t b) { return Expected565(pixels[r * 13 + b / 2]) >> (8 * (b % 2)) & 0xFF; }},
      // (9 div 4) x 12 = 24; two groups of four pixels in three words.
      {"rgb24", 11, 9, 1, 24, 24, [&](const PackTarget& t) { PackFrameRgb24(pixels.data(), 11, height, t); },
       [&](int32_t r, int32_t b) { return static_cast<int>(pixels[r * 11 + b / 3] >> (8 * (b % 3)) & 0xFF); }},
      {"rgb32", 7, 3, 1, 12, 28, [&](const PackTarget& t) { PackFrameRgb32(pixels.data(), 7, height, t); },
       [&](int32_t r, int32_t b) { return static_cast<int>(pixels[r * 7 + b / 4] >> (8 * (b % 4)) & 0xFF); }},
      // (3 div 2) x 4 = 4; three words.
      {"yuy2", 7, 3, 0, 4, 12, [&](const PackTarget& t) { PackFrameYuy2(yuv, 7, height, pitch, t); },
       [&](int32_t r, int32_t b) { return static_cast<int>(yuv[r * pitch + b]); }},
      {"uyvy", 7, 3, 0, 4, 12, [&](const PackTarget& t) { PackFrameUyvy(yuv, 7, height, pitch, t); },
       [&](int32_t r, int32_t b) { return static_cast<int>(yuv[r * pitch + (b ^ 1)]); }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> surface(80 * 6, 0xC3), want = surface;
    c.pack({surface.data(), 80, c.xo, c.yo});
    for (int32_t r = 0; r < height; ++r)
      for (int32_t b = 0; b < c.length; ++b) want[(c.yo + r) * 80 + c.first + b] = static_cast<uint8_t>(c.expected(r, b));
    EXPECT_EQ(FirstDifference(surface, want), -1) << c.name;
  }
}

// The fast row forms against the reference at every length around the
// vector widths, at odd output addresses.
TEST(PresentPacking, FastFormsMatchReference) {
  std::mt19937 random(10);
  for (int32_t n = 0; n < 70; ++n) {
    const std::vector<uint32_t> pixels = RandomPixels(4 * n + 4, &random);
    GuardedBuffer yuy2(4 * n + 4, &random);
    // Written one byte into the buffer, to be off the vector alignment.
    ExpectFastFormMatches(
        4 * n + 1, &random, [&](uint8_t* out) { reference::PackRgb16Row(pixels.data(), out + 1, n); },
        [&](uint8_t* out) { PackRgb16Row(pixels.data(), out + 1, n); }, "rgb16 " + std::to_string(n));
    ExpectFastFormMatches(
        12 * n + 1, &random, [&](uint8_t* out) { reference::PackRgb24Row(pixels.data(), out + 1, n); },
        [&](uint8_t* out) { PackRgb24Row(pixels.data(), out + 1, n); }, "rgb24 " + std::to_string(n));
    ExpectFastFormMatches(
        4 * n + 1, &random, [&](uint8_t* out) { reference::PackUyvyRow(yuy2.data(), out + 1, n); },
        [&](uint8_t* out) { PackUyvyRow(yuy2.data(), out + 1, n); }, "uyvy " + std::to_string(n));
  }
}

}  // namespace
