#include "video/resize_rows.h"

#include "tests/video/pixel_test_support.h"

#include <gtest/gtest.h>


namespace {

uint8_t Channel(uint32_t pixel, int c) { return static_cast<uint8_t>(pixel >> (8 * c)); }

// The step the presenter uses: ((source x 65536) - 65536) div output.
int32_t PresenterStep(int32_t source, int32_t output) {
  return static_cast<int32_t>((static_cast<int64_t>(source) * 65536 - 65536) / output);
}

// Output pixel i is source pixel (i x step) >> 16, written as 4 bytes: the
// last one's fourth byte lands in the spare byte, nothing behind it.
TEST(ResizeRowNearest, CopiesTheSourcePixelOfEachStep) {
  std::mt19937 random(3);
  std::vector<uint32_t> source(40);
  for (auto& p : source) p = random();
  for (const int32_t output : {40, 16, 17, 1, 99, 300}) {
    const int32_t step = output == 40 ? 65536 : PresenterStep(40, output);
    std::vector<uint8_t> row(output * 3 + 1 + 8, 0xEE);
    ResizeRowNearest(source.data(), row.data(), step, output);
    for (int32_t i = 0; i < output; ++i)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(row[3 * i + c], Channel(source[(i * step) >> 16], c)) << output << " " << i;
    EXPECT_EQ(row[3 * output], Channel(source[((output - 1) * step) >> 16], 3)) << output;
    EXPECT_EQ(row[3 * output + 1], 0xEE) << output;
  }
}

// White comes out as 254 with the fourth byte 0; at a position without
// fraction row B plays no part; without MMX nothing is written.
TEST(ResizeRowBilinear, WhiteRowBAndMmx) {
  std::mt19937 random(4);
  const std::vector<uint32_t> white(20, 0xFFFFFF);
  std::vector<uint8_t> row(20 * 3 + 1, 0x55);
  ResizeRowBilinear(white.data(), white.data(), 0, row.data(), 65536, 19);
  for (int i = 0; i < 19 * 3; ++i) ASSERT_EQ(row[i], 254) << i;
  EXPECT_EQ(row[19 * 3], 0) << "the fourth byte of the last pixel";

  const std::vector<uint32_t> a = RandomPixels(40, &random);
  std::vector<uint8_t> first(30 * 3 + 1), second(30 * 3 + 1);
  const int32_t step = PresenterStep(40, 30);
  ResizeRowBilinear(a.data(), RandomPixels(40, &random).data(), 5 << 16, first.data(), step, 30);
  ResizeRowBilinear(a.data(), RandomPixels(40, &random).data(), 5 << 16, second.data(), step, 30);
  EXPECT_EQ(first, second);

  ScopedMmxFlag noMmx(0);
  std::vector<uint8_t> untouched(8 * 3 + 1, 0x42);
  ResizeRowBilinear(white.data(), white.data(), 0, untouched.data(), 65536, 7);
  EXPECT_EQ(untouched, std::vector<uint8_t>(8 * 3 + 1, 0x42));
}

// Against plain floating-point bilinear interpolation: the 15-bit weights and
// the floor of every product keep the result within three steps below it.
TEST(ResizeRowBilinear, FollowsFloatingPointInterpolation) {
  std::mt19937 random(5);
  const std::vector<uint32_t> a = RandomPixels(101, &random), b = RandomPixels(101, &random);
  for (int32_t count : {37, 100, 250}) {
    const int32_t step = PresenterStep(101, count);
    for (int32_t position : {0x0000, 0x3000, 0x8000, 0xFFFF}) {
      std::vector<uint8_t> row(count * 3 + 1);
      ResizeRowBilinear(a.data(), b.data(), position, row.data(), step, count);
      for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = static_cast<uint32_t>(i) * step, x = p >> 16;
        const double fx = (p & 0xFFFF) / 65536.0, fy = position / 65536.0;
        for (int c = 0; c < 3; ++c) {
          const double left = Channel(a[x], c) * (1 - fy) + Channel(b[x], c) * fy;
          const double right = Channel(a[x + 1], c) * (1 - fy) + Channel(b[x + 1], c) * fy;
          const double want = left * (1 - fx) + right * fx;
          ASSERT_LE(row[3 * i + c], want + 0.01) << count << " " << position << " " << i;
          ASSERT_GE(row[3 * i + c], want - 3) << count << " " << position << " " << i;
        }
      }
    }
  }
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
