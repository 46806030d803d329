#include "app/panel_layout.h"

PanelLayout LayOutPanel(int32_t stripWidth, int32_t progress, int32_t currentFrame,
                        int32_t totalFrames) {
  PanelLayout layout;
  layout.margin = progress < 0 ? kTimeAreaWidth : 4;
  layout.hasBar = totalFrames > 0;
  layout.barLeft = 4;
  layout.barRight = stripWidth - layout.margin;
  const int64_t length = layout.barRight - layout.barLeft;
  layout.fill = 0;
  if (layout.hasBar) {
    layout.fill = progress >= 0 ? static_cast<int32_t>(length * progress / 100)
                                : static_cast<int32_t>(currentFrame * length / totalFrames);
  }
  return layout;
}

RECT SeekBarRect(const PanelLayout& layout, int32_t left, int32_t bottom) {
  RECT bar;
  bar.left = left + layout.barLeft;
  bar.top = bottom - 12;
  bar.right = left + layout.barRight;
  bar.bottom = bottom - 4;
  return bar;
}

int32_t SeekFrameAt(int32_t x, const RECT& bar, int32_t totalFrames) {
  const int64_t width = bar.right - bar.left;
  if (width <= 0) return 0;
  return static_cast<int32_t>((x - bar.left) * static_cast<int64_t>(totalFrames) / width);
}
