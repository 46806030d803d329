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

// Bilinear against its arithmetic for random rows, up and down, at positions
// without fraction (row B plays no part) and with; white comes out as 254;
// without MMX nothing is written.
TEST(ResizeRowBilinear, FollowsItsArithmeticAndNeedsMmx) {
  std::mt19937 random(5);
  const std::vector<uint32_t> white(20, 0xFFFFFF);
  std::vector<uint8_t> row(19 * 3 + 1, 0x55);
  ResizeRowBilinear(white.data(), white.data(), 0, row.data(), 65536, 19);
  EXPECT_EQ(row, Bilinear(white, white, 0, 65536, 19));
  EXPECT_EQ(std::count(row.begin(), row.end(), 254), 19 * 3) << "and the fourth byte of the last pixel 0";
  const std::vector<uint32_t> a = RandomPixels(101, &random), b = RandomPixels(101, &random);
  for (int32_t count : {37, 100, 101, 250}) {
    const int32_t step = PresenterStep(101, count);
    for (int32_t position : {0x0000, 0x3000, 0x8000, 0xFFFF, 5 << 16}) {
      std::vector<uint8_t> out(count * 3 + 1);
      ResizeRowBilinear(a.data(), b.data(), position, out.data(), step, count);
      ASSERT_EQ(FirstDifference(out, Bilinear(a, b, position, step, count)), -1) << count << " " << position;
    }
  }
  ScopedMmxFlag noMmx(0);
  std::vector<uint8_t> untouched(8 * 3 + 1, 0x42);
  ResizeRowBilinear(white.data(), white.data(), 0, untouched.data(), 65536, 7);
  EXPECT_EQ(untouched, std::vector<uint8_t>(8 * 3 + 1, 0x42));
}

// The fast forms against the reference, over up- and downscaling steps as
// the presenter computes them and rows of every length around the vector
// widths; every byte from the first to the spare byte, nothing behind it.
TEST(ResizeRows, FastFormsMatchReference) {
  std::mt19937 random(6);
  const int32_t sources[] = {2, 3, 5, 8, 17, 64, 333, 700, 1500};
  const int32_t outputs[] = {1, 2, 3, 4, 7, 9, 10, 11, 16, 18, 31, 200, 641, 1920};
  for (int32_t source : sources) {
    const std::vector<uint32_t> a = RandomPixels(source, &random), b = RandomPixels(source, &random);
    for (int32_t output : outputs) {
      const int32_t step = PresenterStep(source, output);
      const int32_t position = static_cast<int32_t>(random() & 0x3FFFFF);
      const std::string what = std::to_string(source) + " -> " + std::to_string(output);
      ExpectFastFormMatches(
          output * 3 + 1, &random,
          [&](uint8_t* out) { reference::ResizeRowBilinear(a.data(), b.data(), position, out, step, output); },
          [&](uint8_t* out) { ResizeRowBilinear(a.data(), b.data(), position, out, step, output); },
          "bilinear " + what);
      ExpectFastFormMatches(
          output * 3 + 1, &random,
          [&](uint8_t* out) { reference::ResizeRowNearest(a.data(), out, step, output); },
          [&](uint8_t* out) { ResizeRowNearest(a.data(), out, step, output); }, "nearest " + what);
    }
  }
}

}  // namespace
