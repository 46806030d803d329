#include "subtitles/gdi_subtitle_rasterizer.h"

#include "subtitles/subtitle_layout.h"

#include <cstring>

namespace {

constexpr BYTE kNonAntialiased = NONANTIALIASED_QUALITY;  // 3

// The screen's device context, for its resolution and as the model of the
// band's memory DC.
class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// An object selected into a DC for a while; the old one goes back at the end.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() {
    if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory DC compatible with the screen, deleted at the end.
class BandDC {
 public:
  explicit BandDC(HDC screen) : dc_(CreateCompatibleDC(screen)) {}
  ~BandDC() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  BandDC(const BandDC&) = delete;
  BandDC& operator=(const BandDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// The subtitle font, always without antialiasing; deleted at the end.
class SubtitleFont {
 public:
  explicit SubtitleFont(const LOGFONTA& font) {
    LOGFONTA plain = font;
    plain.lfQuality = kNonAntialiased;
    font_ = CreateFontIndirectA(&plain);
  }
  ~SubtitleFont() {
    if (font_ != nullptr) DeleteObject(font_);
  }
  SubtitleFont(const SubtitleFont&) = delete;
  SubtitleFont& operator=(const SubtitleFont&) = delete;
  HFONT Get() const { return font_; }

 private:
  HFONT font_;
};

}  // namespace

int32_t GdiSubtitleRasterizer::FontHeight(const LOGFONTA& font) {
  ScreenDC screen;
  const int dotsPerInch = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  return SubtitleFontHeight(font.lfHeight, dotsPerInch);
}

uint8_t* GdiSubtitleRasterizer::CreateBand(int32_t width, int32_t height, int32_t stride) {
  DeleteBand();
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, like the frame
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 16;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(stride) * static_cast<DWORD>(height);
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap_ == nullptr || bits == nullptr) {
    DeleteBand();
    return nullptr;
  }
  std::memset(bits, 0, info.bmiHeader.biSizeImage);
  return static_cast<uint8_t*>(bits);
}

void GdiSubtitleRasterizer::DeleteBand() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  bitmap_ = nullptr;
}

void GdiSubtitleRasterizer::DrawLines(char* text, const LOGFONTA& font, int32_t bandWidth,
                                      int32_t bandHeight, int32_t fontHeight) {
  if (bitmap_ == nullptr) return;
  ScreenDC screen;
  BandDC band(screen.Get());
  SubtitleFont subtitleFont(font);
  if (band.Get() == nullptr || subtitleFont.Get() == nullptr) return;
  Selection bitmap(band.Get(), bitmap_);
  Selection selectedFont(band.Get(), subtitleFont.Get());
  HDC dc = band.Get();
  SetTextColor(dc, RGB(255, 255, 255));  // every bit set: bit 0 marks text
  SetTextAlign(dc, TA_CENTER | TA_TOP);
  SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, 0);
  WrapSubtitleText(text, bandWidth, [dc](const char* segment, size_t length) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, segment, static_cast<int>(length), &size);
    return static_cast<int32_t>(size.cx);
  });
  const RECT area = {0, 0, bandWidth, bandHeight};
  for (const SubtitleLine& line : PlaceSubtitleLines(text, bandWidth, bandHeight, fontHeight)) {
    ExtTextOutA(dc, line.x, line.y, 0, &area, line.text, static_cast<UINT>(line.length), nullptr);
  }
  GdiFlush();  // the caller reads the bits next
}
