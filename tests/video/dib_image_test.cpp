// DibImage: the 24-bit bottom-up DIB section the painting code draws into.
// (Its drawing shows in the shell's idle picture test.)
#include <gtest/gtest.h>

#include "video/dib_image.h"

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
  EXPECT_EQ(std::vector<LONG>({bitmap.bmWidth, bitmap.bmHeight, bitmap.bmBitsPixel}), std::vector<LONG>({5, 3, 24}));
  image.Destroy();
  EXPECT_EQ(image.Bits(), nullptr);
  EXPECT_EQ(image.Row(0), nullptr);
  // Sizes below one become one.
  ASSERT_TRUE(image.Create(0, -4));
  EXPECT_EQ(std::vector<int>({image.Width(), image.Height(), image.Stride()}), std::vector<int>({1, 1, 4}));
}

}  // namespace
