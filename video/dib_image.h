// A 24-bit bottom-up DIB section with row access, used by the painting code
// for its pictures. The record is portable; Create, Draw and Destroy talk to
// GDI and exist only in the Windows build.
#pragma once

#include "platform/win32.h"

#include <cstdint>

class DibImage {
 public:
  // Creates the DIB section (width and height forced to at least 1).
  bool Create(int width, int height);
  void Destroy();
  // Draws the image at its natural size through the application's DrawDib.
  void Draw(HDC dc, int x, int y) const;

  // The row that shows y rows from the top, or null outside 0 .. height - 1.
  uint8_t* Row(int y) const {
    if (bits_ == nullptr || y < 0 || y >= height_) return nullptr;
    return bits_ + static_cast<intptr_t>(height_ - y - 1) * stride_;
  }

  static int StrideFor(int width) { return ((3 * width - 1) / 4) * 4 + 4; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }
  uint8_t* Bits() const { return bits_; }
  HBITMAP Bitmap() const { return bitmap_; }

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  uint8_t* bits_ = nullptr;
  HBITMAP bitmap_ = nullptr;
};
