// The subtitle band drawn with GDI: a 16-bit DIB section, the font made from
// the options' LOGFONT without antialiasing (so the band stays a two-level
// mask), with its italic, bold, underlined and struck-out variants for the
// text's styles; lines measured with GetTextExtentPoint32W and drawn with
// ExtTextOutW, centred (Windows only).
#pragma once

#include "subtitles/subtitle_rasterizer.h"

class GdiSubtitleRasterizer : public SubtitleRasterizer {
 public:
  GdiSubtitleRasterizer() = default;
  ~GdiSubtitleRasterizer() override { DeleteBand(); }
  GdiSubtitleRasterizer(const GdiSubtitleRasterizer&) = delete;
  GdiSubtitleRasterizer& operator=(const GdiSubtitleRasterizer&) = delete;

  int32_t FontHeight(const LOGFONTA& font) override;
  uint8_t* CreateBand(int32_t width, int32_t height, int32_t stride) override;
  void DeleteBand() override;
  void DrawLines(char* text, const LOGFONTA& font, int32_t bandWidth, int32_t bandHeight,
                 int32_t fontHeight) override;

 private:
  HBITMAP bitmap_ = nullptr;
};
