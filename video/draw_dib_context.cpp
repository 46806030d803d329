#include "video/draw_dib_context.h"

#include "video/dib_image.h"

#include <cstring>

// Opened first of the process-wide objects (see app/application.cpp).
__attribute__((init_priority(200))) DrawDibContext g_drawDib;

DrawDibContext::DrawDibContext() : handle_(DrawDibOpen()) {}

DrawDibContext::~DrawDibContext() {
  if (handle_ != nullptr) DrawDibClose(handle_);
}

void DrawDibContext::Reopen() {
  if (handle_ != nullptr) DrawDibClose(handle_);
  handle_ = DrawDibOpen();
}

bool DrawDibContext::Draw(HDC dc, int x, int y, int width, int height, const void* bits) const {
  BITMAPINFOHEADER header;
  std::memset(&header, 0, sizeof header);
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(DibImage::StrideFor(width) * height);
  return DrawDibDraw(handle_, dc, x, y, -1, -1, &header, const_cast<void*>(bits), 0, 0, width,
                     height, DDF_HALFTONE) != FALSE;
}
