// What the subtitle renderer needs from a text rasteriser: a 16-bit band
// bitmap, the font's height on the screen, and white, non-antialiased,
// centred lines of text drawn into the band. The program's is GDI
// (GdiSubtitleRasterizer); tests put their own in its place.
//
// Calls come from SubtitleTrack under its lock, mostly on the video thread.
#pragma once

#include "platform/win32.h"

#include <cstdint>

class SubtitleRasterizer {
 public:
  virtual ~SubtitleRasterizer() {}

  // The pixel height of font on this screen (SubtitleFontHeight).
  virtual int32_t FontHeight(const LOGFONTA& font) = 0;

  // A cleared top-down 16-bit band of width x height pixels whose rows are
  // stride bytes apart, replacing the one before; null when it can't be made.
  virtual uint8_t* CreateBand(int32_t width, int32_t height, int32_t stride) = 0;
  virtual void DeleteBand() = 0;

  // Wraps text in place where a line is wider than the band
  // (WrapSubtitleText), then draws its lines (PlaceSubtitleLines) in white
  // into the band with font.
  virtual void DrawLines(char* text, const LOGFONTA& font, int32_t bandWidth, int32_t bandHeight,
                         int32_t fontHeight) = 0;
};
