#include "app/view_commands.h"

#include "app/application.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "app/window_mode.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "settings/options.h"

namespace {

constexpr int32_t kPageEntries = 20;

bool PlayerClosed() { return g_player->State() == kClosed; }

int32_t Step() { return static_cast<int32_t>(g_options.balanceStep); }

void Send(HWND window, int id) { SendMessageA(window, WM_COMMAND, id, 0); }

// Brings the bar up on the named value.
void ShowBalance(BalanceTarget target) {
  g_app.balanceTarget = target;
  g_app.balanceChanged.store(1);
}

void DefaultColors() {
  g_options.colorBalance.brightness = 50;
  g_options.colorBalance.contrast = 50;
  g_options.colorBalance.saturation = 50;
  if (!g_app.balanceShown.load()) g_app.balanceTarget = kBalanceContrast;
  g_app.balanceChanged.store(1);
  SyncMenuWithOptions();
}

void ToggleOnTop() {
  g_options.onTop = g_options.onTop == 0 ? 1 : 0;
  SyncMenuWithOptions();
  ApplyWindowMode();
}

void Volume(int32_t delta) {
  g_app.balanceTarget = kBalanceVolume;
  AdjustBalanceValue(delta);
}

// With a file open a balance key shows the bar on its value and moves it.
void AdjustShownBalance(BalanceTarget target, int32_t delta) {
  g_app.balanceTarget = target;
  g_app.balanceShown.store(1);
  AdjustBalanceValue(delta);
}

// Without a file the keys move through the play list.
void Choose(int32_t index) {
  g_app.currentIndex = index;
  ClampSelection();
  Repaint();
}

// Insert, Delete, Home, End, Page Up and Page Down.
struct BalanceKey {
  int id;
  BalanceTarget target;
  int32_t direction;
};
const BalanceKey kBalanceKeys[] = {
    {IDM_KEY_INSERT, kBalanceContrast, 1},    {IDM_KEY_DELETE, kBalanceContrast, -1},
    {IDM_KEY_HOME, kBalanceBrightness, 1},    {IDM_KEY_END, kBalanceBrightness, -1},
    {IDM_KEY_PAGE_UP, kBalanceSaturation, 1}, {IDM_KEY_PAGE_DOWN, kBalanceSaturation, -1},
};

void ClosedKey(HWND window, int id) {
  const int32_t index = g_app.currentIndex;
  const int32_t last = g_playlist->Count() - 1;
  switch (id) {
    case IDM_KEY_INSERT: Send(window, IDM_PLAYLIST_ADD); break;
    case IDM_KEY_DELETE: Send(window, IDM_PLAYLIST_DELETE); break;
    case IDM_KEY_HOME: Choose(0); break;
    case IDM_KEY_END: Choose(last); break;
    case IDM_KEY_PAGE_UP: Choose(index - kPageEntries); break;
    case IDM_KEY_PAGE_DOWN: Choose(index + kPageEntries); break;
    case IDM_KEY_UP: Choose(index >= 1 ? index - 1 : index); break;
    case IDM_KEY_DOWN: Choose(index < last ? index + 1 : index); break;
    default: break;
  }
}

bool HandleKey(HWND window, int id) {
  if (id < IDM_KEY_INSERT || id > IDM_KEY_DOWN) return false;
  if (PlayerClosed()) {
    ClosedKey(window, id);
  } else if (id == IDM_KEY_UP || id == IDM_KEY_DOWN) {
    Send(window, id == IDM_KEY_UP ? IDM_INCREASE_VOLUME : IDM_DECREASE_VOLUME);
  } else {
    for (const BalanceKey& key : kBalanceKeys) {
      if (key.id == id) AdjustShownBalance(key.target, key.direction * Step());
    }
  }
  return true;
}

}  // namespace

bool HandleViewCommand(HWND window, int id) {
  switch (id) {
    case IDM_BRIGHTNESS: ShowBalance(kBalanceBrightness); return true;
    case IDM_CONTRAST: ShowBalance(kBalanceContrast); return true;
    case IDM_SATURATION: ShowBalance(kBalanceSaturation); return true;
    case IDM_DEFAULT_COLORS: DefaultColors(); return true;
    case IDM_ON_TOP: ToggleOnTop(); return true;
    case IDM_HALF_SIZE: SetWindowScale(128); return true;
    case IDM_NORMAL_SIZE: SetWindowScale(256); return true;
    case IDM_DOUBLE_SIZE: SetWindowScale(512); return true;
    case IDM_INCREASE_VOLUME: Volume(Step()); return true;
    case IDM_DECREASE_VOLUME: Volume(-Step()); return true;
    case IDM_KEY_ENTER: Send(window, PlayerClosed() ? IDM_PLAY_PAUSE : IDM_FULLSCREEN); return true;
    default: return HandleKey(window, id);
  }
}
