// DrawPanel: the 16-pixel status strip with the seek bar and the time, or a
// fill percentage while the video thread waits for its buffers. Called on the
// window's thread and on the video thread: it uses only its own DC, brushes
// and image, and writes the seek bar rectangle.
#include "app/application.h"
#include "app/frame_time.h"
#include "app/gdi_scope.h"
#include "app/panel_layout.h"
#include "app/shell.h"
#include "app/window_geometry.h"
#include "engine/player.h"
#include "video/dib_image.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr COLORREF kElapsedColor = 0xFFC040;    // also the time text
constexpr COLORREF kRemainingColor = 0xC08000;

void DrawTime(HDC dc, int stripWidth, int margin) {
  char current[kFrameTimeCapacity];
  char total[kFrameTimeCapacity];
  FormatFrameTime(current, g_player->CurrentFrame(), g_player->VideoRate(),
                  g_player->VideoScale());
  FormatFrameTime(total, g_player->FrameCount(), g_player->VideoRate(), g_player->VideoScale());
  char text[2 * kFrameTimeCapacity + 2];
  std::snprintf(text, sizeof text, "%s/%s", current, total);
  SetBkColor(dc, RGB(0, 0, 0));
  SetTextColor(dc, kElapsedColor);
  SetTextAlign(dc, TA_CENTER);
  const RECT box = {stripWidth - margin, 0, stripWidth, kStatusStripHeight};
  ExtTextOutA(dc, stripWidth - margin / 2, 0, ETO_OPAQUE, &box, text,
              static_cast<UINT>(std::strlen(text)), nullptr);
}

void DrawBar(HDC dc, const PanelLayout& layout) {
  SolidBrush remaining(kRemainingColor);
  SolidBrush elapsed(kElapsedColor);
  const int split = layout.barLeft + layout.fill;
  FillBox(dc, split, 4, layout.barRight, 12, remaining.Get());
  FillBox(dc, layout.barLeft, 3, split, 13, elapsed.Get());  // one pixel taller each side
}

}  // namespace

void DrawPanel(HDC target, int left, int top, int right, int bottom, int progress) {
  (void)top;
  if (g_player == nullptr) return;
  const int width = right - left;
  DibImage strip;
  if (!strip.Create(width, kStatusStripHeight)) return;
  const int32_t total = g_player->FrameCount();
  const PanelLayout layout = LayOutPanel(width, progress, g_player->CurrentFrame(), total);
  {
    MemoryDC memory(target, strip.Bitmap());
    FillBox(memory.Get(), 0, 0, width - layout.margin, kStatusStripHeight,
            static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (layout.hasBar) {
      g_app.seekBarRect.Set(SeekBarRect(layout, left, bottom));
      DrawBar(memory.Get(), layout);
      if (progress < 0) DrawTime(memory.Get(), width, layout.margin);
    }
  }
  DrawStateA(target, nullptr, nullptr, reinterpret_cast<LPARAM>(strip.Bitmap()), 0, left,
             bottom - kStatusStripHeight, 0, 0, DST_BITMAP);
  strip.Destroy();
}
