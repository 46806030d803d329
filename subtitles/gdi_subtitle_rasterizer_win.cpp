#include "subtitles/gdi_subtitle_rasterizer.h"

#include "subtitles/subtitle_layout.h"
#include "subtitles/subtitle_markup.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace subtitle_markup;

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

// The chosen font and its styled variants, always without antialiasing,
// each made when first needed; deleted at the end. The bold variant of a
// font that is bold already is the font itself.
class SubtitleFonts {
 public:
  explicit SubtitleFonts(const LOGFONTA& font) : font_(font) {}
  ~SubtitleFonts() {
    for (HFONT font : fonts_) {
      if (font != nullptr) DeleteObject(font);
    }
  }
  SubtitleFonts(const SubtitleFonts&) = delete;
  SubtitleFonts& operator=(const SubtitleFonts&) = delete;

  HFONT Get(uint8_t style) {
    HFONT& font = fonts_[style & kAllStyles];
    if (font == nullptr) {
      LOGFONTA variant = font_;
      variant.lfQuality = kNonAntialiased;
      if (style & kItalic) variant.lfItalic = 1;
      if (style & kBold) variant.lfWeight = std::max<LONG>(variant.lfWeight, FW_BOLD);
      if (style & kUnderline) variant.lfUnderline = 1;
      if (style & kStrikeOut) variant.lfStrikeOut = 1;
      font = CreateFontIndirectA(&variant);
    }
    return font;
  }

 private:
  LOGFONTA font_;
  HFONT fonts_[kAllStyles + 1] = {};
};

// Characters of one style, in UTF-16 for the wide-character calls, which
// draw every character the font has a glyph for, whatever its character set.
struct Run {
  std::wstring text;
  uint8_t style;
};

std::wstring Widen(const char* utf8, size_t length) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(units, 0)), L'\0');
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), &wide[0], units);
  return wide;
}

// The runs of text[0 .. length - 1], which starts in *style; *style is left
// as the text's end leaves it, for the line after.
std::vector<Run> Runs(const char* text, size_t length, uint8_t* style) {
  std::vector<Run> runs;
  size_t start = 0;
  const auto close = [&](size_t end) {
    if (end > start) runs.push_back({Widen(text + start, end - start), *style});
  };
  for (size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 32) continue;
    close(i);
    if (IsStyleMark(text[i])) *style = StyleOf(text[i]);
    start = i + 1;
  }
  close(length);
  return runs;
}

// The style the marks of text[0 .. at - 1] leave in force.
uint8_t StyleBefore(const char* text, const char* at) {
  uint8_t style = 0;
  for (const char* c = text; c < at; ++c) {
    if (IsStyleMark(*c)) style = StyleOf(*c);
  }
  return style;
}

int32_t RunWidth(HDC dc, SubtitleFonts* fonts, const Run& run) {
  SelectObject(dc, fonts->Get(run.style));
  SIZE size = {0, 0};
  GetTextExtentPoint32W(dc, run.text.data(), static_cast<int>(run.text.size()), &size);
  return static_cast<int32_t>(size.cx);
}

int32_t RunsWidth(HDC dc, SubtitleFonts* fonts, const std::vector<Run>& runs) {
  int32_t width = 0;
  for (const Run& run : runs) width += RunWidth(dc, fonts, run);
  return width;
}

// A line of one style is drawn centred on x, as GDI centres it; a line of
// several, run after run from where their whole width centres on x.
void DrawLine(HDC dc, SubtitleFonts* fonts, const std::vector<Run>& runs, int32_t x, int32_t y, const RECT& area) {
  if (runs.size() == 1) {
    SelectObject(dc, fonts->Get(runs[0].style));
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    ExtTextOutW(dc, x, y, 0, &area, runs[0].text.data(), static_cast<UINT>(runs[0].text.size()), nullptr);
    return;
  }
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  int32_t left = x - RunsWidth(dc, fonts, runs) / 2;
  for (const Run& run : runs) {
    const int32_t width = RunWidth(dc, fonts, run);
    ExtTextOutW(dc, left, y, 0, &area, run.text.data(), static_cast<UINT>(run.text.size()), nullptr);
    left += width;
  }
}

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
  SubtitleFonts fonts(font);
  if (band.Get() == nullptr || fonts.Get(0) == nullptr) return;
  Selection bitmap(band.Get(), bitmap_);
  Selection selectedFont(band.Get(), fonts.Get(0));  // the DC's own font goes back at the end
  HDC dc = band.Get();
  SetTextColor(dc, RGB(255, 255, 255));  // every bit set: bit 0 marks text
  SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, 0);
  WrapSubtitleText(text, bandWidth, [dc, text, &fonts](const char* segment, size_t length) {
    uint8_t style = StyleBefore(text, segment);
    return RunsWidth(dc, &fonts, Runs(segment, length, &style));
  });
  const RECT area = {0, 0, bandWidth, bandHeight};
  uint8_t style = 0;
  for (const SubtitleLine& line : PlaceSubtitleLines(text, bandWidth, bandHeight, fontHeight)) {
    DrawLine(dc, &fonts, Runs(line.text, line.length, &style), line.x, line.y, area);
  }
  GdiFlush();  // the caller reads the bits next
}
