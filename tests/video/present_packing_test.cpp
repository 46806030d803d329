#include "video/present_packing.h"
#include "video/video_presenter_modes.h"
#include "video/video_presenter_pack.h"

#include "tests/video/pixel_test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<uint32_t> RandomPixels(size_t n, std::mt19937* random) {
  std::vector<uint32_t> pixels(n);
  for (auto& p : pixels) p = (*random)() & 0xFFFFFF;
  return pixels;
}

// The usual 5-6-5 packing: top 5 bits of red, 6 of green, 5 of blue.
uint16_t Expected565(uint32_t p) {
  const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

constexpr uint8_t kUntouched = 0xC3;

// A surface larger than the frame, filled with a mark, and where its rows go.
struct Surface {
  Surface(int32_t pitch, int32_t rows) : pitch(pitch), bytes(static_cast<size_t>(pitch) * rows, kUntouched) {}
  PackTarget Target(int32_t xo, int32_t yo) { return {bytes.data(), pitch, xo, yo}; }
  const uint8_t* Row(int32_t r) const { return bytes.data() + static_cast<size_t>(r) * pitch; }
  int32_t pitch;
  std::vector<uint8_t> bytes;
};

// Every byte outside [first, first + length) of every row, and every row
// outside [top, top + rows), still holds the mark.
void ExpectOnlyRectWritten(const Surface& s, int32_t top, int32_t rows, int32_t first, int32_t length) {
  for (size_t i = 0; i < s.bytes.size(); ++i) {
    const int32_t r = static_cast<int32_t>(i / s.pitch), c = static_cast<int32_t>(i % s.pitch);
    const bool inside = r >= top && r < top + rows && c >= first && c < first + length;
    if (!inside) {
      ASSERT_EQ(s.bytes[i], kUntouched) << "row " << r << " byte " << c;
    }
  }
}

TEST(PresentPacking, Rgb16PacksPixelPairs) {
  std::mt19937 random(7);
  const int32_t width = 13, height = 3;
  const std::vector<uint32_t> pixels = RandomPixels(width * height, &random);
  Surface surface(64, 8);
  PackFrameRgb16(pixels.data(), width, height, surface.Target(5, 2));
  // xo 5 gives byte (5 div 2) x 4 = 8; six words per row, the odd pixel left out.
  ExpectOnlyRectWritten(surface, 2, height, 8, 24);
  for (int32_t r = 0; r < height; ++r)
    for (int32_t x = 0; x < 12; ++x) {
      const uint8_t* at = surface.Row(r + 2) + 8 + 2 * x;
      ASSERT_EQ(at[0] | at[1] << 8, Expected565(pixels[r * width + x])) << r << "," << x;
    }
  EXPECT_EQ(Expected565(0xFF8040), 0xFC08);
}

TEST(PresentPacking, Rgb24PacksFourPixelsInThreeWords) {
  std::mt19937 random(8);
  const int32_t width = 11, height = 2;
  const std::vector<uint32_t> pixels = RandomPixels(width * height, &random);
  Surface surface(80, 5);
  PackFrameRgb24(pixels.data(), width, height, surface.Target(9, 1));
  // xo 9 gives byte (9 div 4) x 12 = 24; two groups (8 pixels) per row.
  ExpectOnlyRectWritten(surface, 1, height, 24, 24);
  for (int32_t r = 0; r < height; ++r)
    for (int32_t x = 0; x < 8; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(surface.Row(r + 1)[24 + 3 * x + c], (pixels[r * width + x] >> (8 * c)) & 0xFF);
}

TEST(PresentPacking, Rgb32AndYuy2Copy) {
  std::mt19937 random(9);
  const int32_t width = 7, height = 3;
  const std::vector<uint32_t> pixels = RandomPixels(width * height, &random);
  Surface rgb(48, 4);
  PackFrameRgb32(pixels.data(), width, height, rgb.Target(3, 1));
  ExpectOnlyRectWritten(rgb, 1, height, 12, 28);
  for (int32_t r = 0; r < height; ++r)
    EXPECT_EQ(0, std::memcmp(rgb.Row(r + 1) + 12, pixels.data() + r * width, 28));

  const int32_t pitch = 16;
  GuardedBuffer frame(pitch * height, &random);
  Surface yuy2(40, 4), uyvy(40, 4);
  PackFrameYuy2(frame.data(), width, height, pitch, yuy2.Target(3, 0));
  PackFrameUyvy(frame.data(), width, height, pitch, uyvy.Target(3, 0));
  // xo 3 gives byte 4; three words per row.
  ExpectOnlyRectWritten(yuy2, 0, height, 4, 12);
  ExpectOnlyRectWritten(uyvy, 0, height, 4, 12);
  for (int32_t r = 0; r < height; ++r) {
    EXPECT_EQ(0, std::memcmp(yuy2.Row(r) + 4, frame.data() + r * pitch, 12));
    for (int i = 0; i < 12; i += 2) {
      ASSERT_EQ(uyvy.Row(r)[4 + i], frame.data()[r * pitch + i + 1]);
      ASSERT_EQ(uyvy.Row(r)[4 + i + 1], frame.data()[r * pitch + i]);
    }
  }
}

// The presenter centres the frame in the overlay surface and packs it with
// its mode's packing; modes without an overlay write nothing.
TEST(PresentPacking, OverlayModesPackTheCentredFrameWithTheirPacking) {
  uint8_t byte = 0;
  const PackTarget t = CentredTarget(&byte, 160, 40, 30, 32, 20);
  EXPECT_EQ(t.surface, &byte);
  EXPECT_EQ(t.pitch, 160);
  EXPECT_EQ(t.xo, 4);
  EXPECT_EQ(t.yo, 5);
  std::mt19937 random(11);
  const int32_t width = 6, height = 3, pitch = 12;
  const std::vector<uint32_t> pixels = RandomPixels(width * height, &random);
  GuardedBuffer frame(pitch * height, &random);
  struct Case {
    int32_t mode;
    std::function<void(const PackTarget&)> pack;
  };
  const Case cases[] = {
      {kPresentRgb16, [&](const PackTarget& t) { PackFrameRgb16(pixels.data(), width, height, t); }},
      {kPresentRgb24, [&](const PackTarget& t) { PackFrameRgb24(pixels.data(), width, height, t); }},
      {kPresentRgb32, [&](const PackTarget& t) { PackFrameRgb32(pixels.data(), width, height, t); }},
      {kPresentYuy2, [&](const PackTarget& t) { PackFrameYuy2(frame.data(), width, height, pitch, t); }},
      {kPresentUyvy, [&](const PackTarget& t) { PackFrameUyvy(frame.data(), width, height, pitch, t); }},
      {kPresentDisabled, nullptr}, {kPresentNonOverlay, nullptr}, {kPresentYv12, nullptr}, {8, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Surface got(64, 7), want(64, 7);
    EXPECT_EQ(PackOverlayFrame(c.mode, frame.data(), pitch, pixels.data(), width, height,
                               CentredTarget(got.bytes.data(), 64, 10, 7, width, height)),
              c.pack != nullptr);
    if (c.pack) c.pack(PackTarget{want.bytes.data(), 64, 2, 2});
    EXPECT_EQ(got.bytes, want.bytes);
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
