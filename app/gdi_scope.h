// Small owners for the GDI objects the painting code borrows or makes, so
// that every early return gives them back (Windows only).
#pragma once

#include <windows.h>

// A window's device context from GetDC, released with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory device context compatible with another, holding one selected
// object; the old object is put back and the DC deleted at the end (or
// earlier with Close, e.g. before the bitmap is drawn elsewhere).
class MemoryDC {
 public:
  MemoryDC(HDC compatibleWith, HGDIOBJ selected) : dc_(CreateCompatibleDC(compatibleWith)) {
    if (dc_ != nullptr && selected != nullptr) old_ = SelectObject(dc_, selected);
  }
  ~MemoryDC() { Close(); }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;

  HDC Get() const { return dc_; }
  void Close() {
    if (dc_ == nullptr) return;
    if (old_ != nullptr) SelectObject(dc_, old_);
    DeleteDC(dc_);
    dc_ = nullptr;
    old_ = nullptr;
  }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// A solid brush, deleted at the end.
class SolidBrush {
 public:
  explicit SolidBrush(COLORREF color) : brush_(CreateSolidBrush(color)) {}
  ~SolidBrush() {
    if (brush_ != nullptr) DeleteObject(brush_);
  }
  SolidBrush(const SolidBrush&) = delete;
  SolidBrush& operator=(const SolidBrush&) = delete;
  HBRUSH Get() const { return brush_; }

 private:
  HBRUSH brush_;
};

// Fills a rectangle given by its corners.
inline void FillBox(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
  RECT box = {left, top, right, bottom};
  FillRect(dc, &box, brush);
}
