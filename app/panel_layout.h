// The arithmetic of the status strip: the seek bar's extent and fill, and
// the frame a click on the bar asks for.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Width of the time text at the strip's right end.
constexpr int kTimeAreaWidth = 128;

struct PanelLayout {
  int32_t margin;  // right margin: the time area (128) or 4 for a percentage
  bool hasBar;     // the stream has frames
  int32_t barLeft;   // x0, strip coordinates
  int32_t barRight;  // x1
  int32_t fill;      // width of the elapsed part
};

// progress: a percentage 0..100, or -1 for the current frame of the total.
PanelLayout LayOutPanel(int32_t stripWidth, int32_t progress, int32_t currentFrame,
                        int32_t totalFrames);

// The seek bar in client coordinates for a strip drawn into the rectangle
// whose left and bottom are given.
RECT SeekBarRect(const PanelLayout& layout, int32_t left, int32_t bottom);

// The frame under x on the seek bar: (x - left) x total / (right - left),
// in 64 bits. 0 for a bar without width.
int32_t SeekFrameAt(int32_t x, const RECT& bar, int32_t totalFrames);
