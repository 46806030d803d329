#include "video/dib_image.h"

#include "video/draw_dib_context.h"

#include <cstring>

bool DibImage::Create(int width, int height) {
  Destroy();
  width_ = width < 1 ? 1 : width;
  height_ = height < 1 ? 1 : height;
  stride_ = StrideFor(width_);
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(stride_ * height_);
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap_ == nullptr) return false;
  // The bits pointer is read back from the bitmap object itself.
  DIBSECTION section;
  if (GetObject(bitmap_, sizeof section, &section) == sizeof section) {
    bits_ = static_cast<uint8_t*>(section.dsBm.bmBits);
  } else {
    bits_ = static_cast<uint8_t*>(bits);
  }
  return bits_ != nullptr;
}

void DibImage::Destroy() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  bits_ = nullptr;
}

void DibImage::Draw(HDC dc, int x, int y) const {
  if (bits_ != nullptr) g_drawDib.Draw(dc, x, y, width_, height_, bits_);
}
