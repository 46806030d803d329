#include "app/mouse_input.h"

#include "app/application.h"
#include "settings/options.h"
#include "app/panel_layout.h"
#include "app/playback_tally.h"
#include "app/playlist_layout.h"
#include "app/resource.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "engine/player.h"
#include "playlist/playlist.h"

namespace {

// Signs of the balance bar: the level column is 16 pixels wide, the four
// signs sit in the top 32 rows from x 32 to 159.
constexpr int32_t kLevelColumnWidth = 16;
constexpr int32_t kSignsLeft = 32;
constexpr int32_t kSignsRight = 160;
constexpr int32_t kSignsHeight = 32;

bool PlayerClosed() { return g_player->State() == kClosed; }

void Post(HWND window, int id) { PostMessageA(window, WM_COMMAND, id, 0); }

bool Inside(const RECT& r, int x, int y) {
  return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

// The row under the mouse on the play list screen, when it names an entry
// other than the current one.
bool OtherEntryAt(int y, int32_t* row) {
  *row = PlaylistRowAt(y, g_app.playlistScroll);
  return *row >= 0 && *row < g_playlist->Count() && *row != g_app.currentIndex;
}

// Hovering the picture's left edge (fullscreen) or its top-left corner
// (window) brings up the balance bar.
void HoverPicture(int x, int y) {
  int32_t videoX = 0;
  int32_t videoY = 0;
  if (!HitTestVideo(x, y, &videoX, &videoY) || videoX >= kLevelColumnWidth) return;
  if (!g_app.fullscreenRequested.load() && videoY >= kLevelColumnWidth) return;
  if (!g_app.balanceShown.load()) g_app.balanceTarget = kBalanceVolume;
  g_app.balanceChanged.store(1);
}

// Dragging on the play list screen moves the current entry to the row under
// the mouse, one neighbour at a time.
void DragEntry(int y) {
  int32_t row = 0;
  if (!OtherEntryAt(y, &row)) return;
  g_app.currentIndex = g_playlist->MoveItem(g_app.currentIndex, row);
  if (!g_playlist->IsEmpty()) Repaint();
}

// A click on the balance bar: the level column sets the value, the signs
// choose what the bar controls.
bool ClickBalanceBar(int x, int y) {
  int32_t videoX = 0;
  int32_t videoY = 0;
  if (!g_app.balanceShown.load() || !HitTestVideo(x, y, &videoX, &videoY)) return false;
  if (videoX < kLevelColumnWidth) {
    const int32_t height = g_player->VideoHeight();
    SetBalanceValue(100 - videoY * 100 / (height > 0 ? height : 1));
    return true;
  }
  if (videoX >= kSignsLeft && videoX < kSignsRight && videoY < kSignsHeight) {
    g_app.balanceChanged.store(1);
    g_app.balanceTarget = BalanceTargetAt(videoX);
    return true;
  }
  return false;
}

}  // namespace

void OnMouseMove(HWND window, WPARAM keys, int x, int y) {
  (void)window;
  if (g_app.mouseMoveIgnoreCount == 0) RearmCursorTimer();
  if (g_app.mouseMoveIgnoreCount > 0) --g_app.mouseMoveIgnoreCount;
  const int32_t state = g_player->State();
  if (state == kPlaying) {
    HoverPicture(x, y);
  } else if (state == kClosed && (keys & MK_LBUTTON) != 0) {
    DragEntry(y);
  }
}

void OnLeftButtonDown(HWND window, int x, int y) {
  RearmCursorTimer();
  if (!PlayerClosed()) {
    const RECT bar = g_app.seekBarRect.Get();
    if (Inside(bar, x, y)) {
      SeekPlayer(SeekFrameAt(x, bar, g_player->FrameCount()));
      g_app.redrawCounter.fetch_add(1);
      return;
    }
    if (ClickBalanceBar(x, y)) return;
    Post(window, IDM_PLAY_PAUSE);
    return;
  }
  int32_t row = 0;
  if (!OtherEntryAt(y, &row)) return;
  g_app.currentIndex = row;
  if (!g_playlist->IsEmpty()) Repaint();
}

void OnLeftButtonDoubleClick(HWND window) {
  RearmCursorTimer();
  if (!PlayerClosed()) Post(window, IDM_FULLSCREEN);
  Post(window, IDM_PLAY_PAUSE);
}

void OnMouseWheel(int delta) {
  if (!PlayerClosed()) {
    const int32_t step = static_cast<int32_t>(g_options.balanceStep);
    AdjustBalanceValue(delta < 1 ? -step : step);
    return;
  }
  if (delta > 0 && g_app.currentIndex >= 1) --g_app.currentIndex;
  if (delta < 0 && g_app.currentIndex < g_playlist->Count() - 1) ++g_app.currentIndex;
  Repaint();
}
