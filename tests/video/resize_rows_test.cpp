#include "video/resize_rows.h"

#include "tests/video/pixel_test_support.h"

#include <gtest/gtest.h>

namespace {

uint8_t Channel(uint32_t pixel, int c) { return static_cast<uint8_t>(pixel >> (8 * c)); }

// The step the presenter uses: ((source x 65536) - 65536) div output.
int32_t PresenterStep(int32_t source, int32_t output) {
  return static_cast<int32_t>((static_cast<int64_t>(source) * 65536 - 65536) / output);
}

// Bilinear by its arithmetic: row weights of 15 bits from the position's
// fraction, column weights from the step's, each colour byte times 4, and
// every product's high 16 bits; the fourth byte 0.
std::vector<uint8_t> Bilinear(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int32_t position,
                              int32_t step, int32_t count) {
  std::vector<uint8_t> out(count * 3 + 1);
  const int wb = (position >> 1) & 0x7FFF, wa = 0x7FFF - wb;
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t p = static_cast<uint32_t>(i) * step, x = p >> 16;
    const int fx = (p >> 1) & 0x7FFF;
    for (int c = 0; c < 3; ++c) {
      const auto mix = [&](uint32_t k) { return (4 * Channel(a[k], c) * wa >> 16) + (4 * Channel(b[k], c) * wb >> 16); };
      out[3 * i + c] = static_cast<uint8_t>(std::min(255, (mix(x) * (0x7FFF - fx) >> 16) + (mix(x + 1) * fx >> 16)));
    }
    out[3 * i + 3] = 0;
  }
  return out;
}

// Bilinear against its arithmetic, and the fast forms of both resizes
// against the reference, over up- and downscaling steps as the presenter
// computes them, rows of every length around the vector widths, and row
// positions with a fraction and without (row B plays no part): every byte
// from the first to the spare byte, nothing behind it. White comes out as
// 254; without MMX bilinear writes nothing.
TEST(ResizeRows, BilinearFollowsItsArithmeticAndFastFormsMatchReference) {
  std::mt19937 random(6);
  const std::vector<uint32_t> white(20, 0xFFFFFF);
  std::vector<uint8_t> row(19 * 3 + 1, 0x55), whiteRow(19 * 3, 254);
  whiteRow.push_back(0);  // the fourth byte of the last pixel
  ResizeRowBilinear(white.data(), white.data(), 0, row.data(), 65536, 19);
  EXPECT_EQ(row, whiteRow);
  for (const int32_t source : {2, 3, 5, 8, 17, 64, 101, 333, 700, 1500}) {
    const std::vector<uint32_t> a = RandomPixels(source, &random), b = RandomPixels(source, &random);
    for (const int32_t output : {1, 2, 3, 4, 7, 9, 10, 11, 16, 18, 31, 37, 200, 250, 641, 1920}) {
      const int32_t step = PresenterStep(source, output);
      const std::string what = std::to_string(source) + " -> " + std::to_string(output);
      for (const int32_t position : {static_cast<int32_t>(random() & 0x3FFFFF), 0xFFFF, 5 << 16}) {
        ExpectFastFormMatches(
            output * 3 + 1, &random,
            [&](uint8_t* out) {
              reference::ResizeRowBilinear(a.data(), b.data(), position, out, step, output);
              ASSERT_EQ(FirstDifference({out, out + output * 3 + 1}, Bilinear(a, b, position, step, output)), -1);
            },
            [&](uint8_t* out) { ResizeRowBilinear(a.data(), b.data(), position, out, step, output); },
            "bilinear " + what + " at " + std::to_string(position));
      }
      ExpectFastFormMatches(
          output * 3 + 1, &random, [&](uint8_t* out) { reference::ResizeRowNearest(a.data(), out, step, output); },
          [&](uint8_t* out) { ResizeRowNearest(a.data(), out, step, output); }, "nearest " + what);
    }
  }
  ScopedMmxFlag noMmx(0);
  std::vector<uint8_t> untouched(8 * 3 + 1, 0x42);
  ResizeRowBilinear(white.data(), white.data(), 0, untouched.data(), 65536, 7);
  EXPECT_EQ(untouched, std::vector<uint8_t>(8 * 3 + 1, 0x42));
}

}  // namespace
