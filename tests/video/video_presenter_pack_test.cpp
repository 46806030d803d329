#include <gtest/gtest.h>

#include "video/video_presenter_modes.h"
#include "video/video_presenter_pack.h"

#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kUntouched = 0xA5;

// A plain memory "surface" of the given size in bytes per row and rows.
struct Surface {
  Surface(int32_t pitch, int32_t rows) : pitch(pitch), bytes(static_cast<size_t>(pitch) * rows, kUntouched) {}
  uint8_t* Row(int32_t r) { return bytes.data() + static_cast<size_t>(r) * pitch; }
  uint32_t Word(int32_t r, int32_t byteOffset) {
    uint32_t w;
    std::memcpy(&w, Row(r) + byteOffset, 4);
    return w;
  }
  int32_t pitch;
  std::vector<uint8_t> bytes;
};

// A 4 x 2 YUY2 frame whose words are 0xVVYYUUYY with distinct bytes.
std::vector<uint8_t> SmallFrame() {
  std::vector<uint8_t> frame(2 * 8);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(0x10 + i);
  return frame;
}

TEST(PresenterPacking, TheFrameIsCentredInTheSurface) {
  uint8_t byte = 0;
  const PackTarget t = CentredTarget(&byte, 160, 40, 30, 32, 20);
  EXPECT_EQ(t.surface, &byte);
  EXPECT_EQ(t.pitch, 160);
  EXPECT_EQ(t.xo, 4);
  EXPECT_EQ(t.yo, 5);
  const PackTarget same = CentredTarget(&byte, 64, 32, 20, 32, 20);
  EXPECT_EQ(same.xo, 0);
  EXPECT_EQ(same.yo, 0);
}

TEST(PresenterPacking, Yuy2WordsAreCopiedAtTheCentredOffset) {
  const std::vector<uint8_t> frame = SmallFrame();
  Surface surface(32, 4);  // 16 YUY2 pixels wide
  const PackTarget t = CentredTarget(surface.bytes.data(), 32, 8, 4, 4, 2);  // xo 2, yo 1
  ASSERT_TRUE(PackOverlayFrame(kPresentYuy2, frame.data(), 8, nullptr, 4, 2, t));
  for (int32_t r = 0; r < 2; ++r) {
    EXPECT_EQ(std::memcmp(surface.Row(r + 1) + 4, frame.data() + 8 * r, 8), 0) << r;
    EXPECT_EQ(surface.Row(r + 1)[3], kUntouched);
    EXPECT_EQ(surface.Row(r + 1)[12], kUntouched);
  }
  for (uint8_t b : std::vector<uint8_t>(surface.Row(0), surface.Row(1))) EXPECT_EQ(b, kUntouched);
  for (uint8_t b : std::vector<uint8_t>(surface.Row(3), surface.Row(4))) EXPECT_EQ(b, kUntouched);
}

TEST(PresenterPacking, UyvyExchangesTheBytesOfEachHalf) {
  const std::vector<uint8_t> frame = SmallFrame();
  Surface surface(8, 2);
  const PackTarget t = CentredTarget(surface.bytes.data(), 8, 4, 2, 4, 2);
  ASSERT_TRUE(PackOverlayFrame(kPresentUyvy, frame.data(), 8, nullptr, 4, 2, t));
  // Y0 U Y1 V -> U Y0 V Y1.
  EXPECT_EQ(surface.Row(0)[0], frame[1]);
  EXPECT_EQ(surface.Row(0)[1], frame[0]);
  EXPECT_EQ(surface.Row(0)[2], frame[3]);
  EXPECT_EQ(surface.Row(0)[3], frame[2]);
  EXPECT_EQ(surface.Row(1)[4], frame[13]);
  EXPECT_EQ(surface.Row(1)[5], frame[12]);
}

TEST(PresenterPacking, RgbModesPackTheConvertedPixels) {
  const uint32_t pixels[4] = {0x00FF8040, 0x00123456, 0x00ABCDEF, 0x00010203};
  {
    Surface surface(16, 1);
    ASSERT_TRUE(PackOverlayFrame(kPresentRgb32, nullptr, 0, pixels, 4, 1,
                                 CentredTarget(surface.bytes.data(), 16, 4, 1, 4, 1)));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(surface.Word(0, 4 * i), pixels[i]);
  }
  {
    Surface surface(8, 1);
    ASSERT_TRUE(PackOverlayFrame(kPresentRgb16, nullptr, 0, pixels, 4, 1,
                                 CentredTarget(surface.bytes.data(), 8, 4, 1, 4, 1)));
    auto rgb565 = [](uint32_t p) {
      const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    };
    EXPECT_EQ(surface.Word(0, 0), rgb565(pixels[0]) | (rgb565(pixels[1]) << 16));
    EXPECT_EQ(surface.Word(0, 4), rgb565(pixels[2]) | (rgb565(pixels[3]) << 16));
  }
  {
    Surface surface(12, 1);
    ASSERT_TRUE(PackOverlayFrame(kPresentRgb24, nullptr, 0, pixels, 4, 1,
                                 CentredTarget(surface.bytes.data(), 12, 4, 1, 4, 1)));
    // B, G, R of each pixel, without gaps.
    const uint8_t expected[12] = {0x40, 0x80, 0xFF, 0x56, 0x34, 0x12,
                                  0xEF, 0xCD, 0xAB, 0x03, 0x02, 0x01};
    EXPECT_EQ(std::memcmp(surface.bytes.data(), expected, 12), 0);
  }
}

TEST(PresenterPacking, ModesWithoutAnOverlayWriteNothing) {
  const std::vector<uint8_t> frame = SmallFrame();
  const uint32_t pixels[8] = {};
  for (int32_t mode : {0, 1, 5, 8}) {  // disabled, non-overlay, YV12, none
    Surface surface(8, 2);
    EXPECT_FALSE(PackOverlayFrame(mode, frame.data(), 8, pixels, 4, 2,
                                  CentredTarget(surface.bytes.data(), 8, 4, 2, 4, 2)));
    for (uint8_t b : surface.bytes) EXPECT_EQ(b, kUntouched);
  }
}

}  // namespace
