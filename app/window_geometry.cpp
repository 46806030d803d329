#include "app/window_geometry.h"

namespace {

// The WMSZ_ values of WM_SIZING (the portable build has no <windows.h>).
enum SizingEdge {
  kLeft = 1,
  kRight = 2,
  kTop = 3,
  kTopLeft = 4,
  kTopRight = 5,
  kBottom = 6,
  kBottomLeft = 7,
  kBottomRight = 8,
};

}  // namespace

RECT VideoArea(const RECT& client, bool fullscreen) {
  RECT area = client;
  if (!fullscreen) area.bottom -= kStatusStripHeight;
  return area;
}

bool FitVideoRect(const RECT& area, int32_t videoWidth, int32_t videoHeight, RECT* out) {
  if (videoWidth <= 0 || videoHeight <= 0) return false;
  const int64_t areaWidth = area.right - area.left;
  const int64_t areaHeight = area.bottom - area.top;
  const int64_t fittedHeight = videoHeight * areaWidth / videoWidth;
  int64_t width;
  int64_t height;
  if (areaHeight > fittedHeight) {
    width = areaWidth;
    height = fittedHeight;
  } else {
    width = videoWidth * areaHeight / videoHeight;
    height = areaHeight;
  }
  out->left = static_cast<LONG>((area.left + area.right) / 2 - width / 2);
  out->right = static_cast<LONG>(out->left + width);
  out->top = static_cast<LONG>((area.top + area.bottom) / 2 - height / 2);
  out->bottom = static_cast<LONG>(out->top + height);
  return true;
}

bool VideoPointAt(const RECT& videoRect, int32_t videoWidth, int32_t videoHeight, int32_t x,
                  int32_t y, int32_t* videoX, int32_t* videoY) {
  const int64_t width = videoRect.right - videoRect.left;
  const int64_t height = videoRect.bottom - videoRect.top;
  if (width < 1 || height < 1) return false;
  if (x < videoRect.left || x >= videoRect.right) return false;
  if (y <= videoRect.top || y >= videoRect.bottom) return false;
  *videoX = static_cast<int32_t>((x - videoRect.left) * videoWidth / width);
  *videoY = static_cast<int32_t>((y - videoRect.top) * videoHeight / height);
  return true;
}

void KeepMinimumWindowSize(int edge, RECT* window) {
  if (edge == kBottom || edge == kBottomLeft || edge == kBottomRight) {
    if (window->bottom < window->top + kMinimumWindowHeight) {
      window->bottom = window->top + kMinimumWindowHeight;
    }
  }
  if (edge == kTop || edge == kTopLeft || edge == kTopRight) {
    if (window->top > window->bottom - kMinimumWindowHeight) {
      window->top = window->bottom - kMinimumWindowHeight;
    }
  }
  if (edge == kLeft || edge == kTopLeft || edge == kBottomLeft) {
    if (window->left > window->right - kMinimumWindowWidth) {
      window->left = window->right - kMinimumWindowWidth;
    }
  }
  if (edge == kRight || edge == kTopRight || edge == kBottomRight) {
    if (window->right < window->left + kMinimumWindowWidth) {
      window->right = window->left + kMinimumWindowWidth;
    }
  }
}

RECT ScaledClientRect(int32_t originX, int32_t originY, int32_t videoWidth, int32_t videoHeight,
                      int32_t scale) {
  RECT client;
  client.left = originX;
  client.top = originY;
  client.right = static_cast<LONG>(originX + ((static_cast<int64_t>(videoWidth) * scale) >> 8));
  client.bottom = static_cast<LONG>(originY + ((static_cast<int64_t>(videoHeight) * scale) >> 8) +
                                    kStatusStripHeight);
  return client;
}
