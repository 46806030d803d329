// The application's one DrawDib handle (Windows only), opened at static
// initialisation and reopened when the display changes.
#pragma once

#include <windows.h>
#include <vfw.h>

class DrawDibContext {
 public:
  DrawDibContext();
  ~DrawDibContext();
  DrawDibContext(const DrawDibContext&) = delete;
  DrawDibContext& operator=(const DrawDibContext&) = delete;

  // Closes the old handle and opens a new one.
  void Reopen();

  // Draws a 24-bit bottom-up image of the given size at its natural size.
  bool Draw(HDC dc, int x, int y, int width, int height, const void* bits) const;

  HDRAWDIB Handle() const { return handle_; }

 private:
  HDRAWDIB handle_ = nullptr;
};

extern DrawDibContext g_drawDib;
