// DibImage: the 24-bit bottom-up DIB section the painting code draws into,
// and its drawing through the application's DrawDib.
#include <gtest/gtest.h>

#include "video/dib_image.h"

#include <cstring>
#include <vector>

namespace {

TEST(DibImage, RowsAreBottomUpWithFourByteAlignedStrides) {
  DibImage image;
  ASSERT_TRUE(image.Create(5, 3));
  EXPECT_EQ(image.Stride(), 16);  // 15 bytes rounded up
  ASSERT_NE(image.Bits(), nullptr);
  EXPECT_EQ(image.Row(0), image.Bits() + 2 * 16);  // the top row is last in memory
  EXPECT_EQ(image.Row(2), image.Bits());
  EXPECT_EQ(image.Row(3), nullptr);
  EXPECT_EQ(image.Row(-1), nullptr);
  BITMAP bitmap;
  ASSERT_EQ(GetObjectA(image.Bitmap(), sizeof bitmap, &bitmap), static_cast<int>(sizeof bitmap));
  EXPECT_EQ(bitmap.bmWidth, 5);
  EXPECT_EQ(bitmap.bmHeight, 3);
  EXPECT_EQ(bitmap.bmBitsPixel, 24);
  image.Destroy();
  EXPECT_EQ(image.Bits(), nullptr);
  EXPECT_EQ(image.Row(0), nullptr);
  // Sizes below one become one.
  ASSERT_TRUE(image.Create(0, -4));
  EXPECT_EQ(image.Width(), 1);
  EXPECT_EQ(image.Height(), 1);
  EXPECT_EQ(image.Stride(), 4);
}

TEST(DibImage, DrawsAtItsNaturalSizeThroughDrawDib) {
  DibImage image;
  ASSERT_TRUE(image.Create(7, 4));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 7; ++x) {
      uint8_t* pixel = image.Row(y) + 3 * x;
      pixel[0] = static_cast<uint8_t>(10 * x);       // blue
      pixel[1] = static_cast<uint8_t>(50 + 10 * y);  // green
      pixel[2] = 200;                                // red
    }
  }
  // Draw into a 32-bit memory bitmap and read it back.
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = -8;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(target, nullptr);
  std::memset(bits, 0, 16 * 8 * 4);
  HGDIOBJ old = SelectObject(memory, target);
  image.Draw(memory, 3, 2);
  GdiFlush();
  const uint32_t* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 3 && x < 10 && y >= 2 && y < 6;
      const uint32_t expected =
          inside ? (200u << 16) | ((50u + 10u * (y - 2)) << 8) | (10u * (x - 3)) : 0u;
      EXPECT_EQ(pixels[y * 16 + x] & 0xFFFFFF, expected) << x << "," << y;
    }
  }
  SelectObject(memory, old);
  DeleteObject(target);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  image.Destroy();
}

}  // namespace
