#include "app/shell_state.h"

#include "app/application.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "app/window_geometry.h"
#include "engine/player.h"
#include "playlist/playlist.h"

namespace {

bool PlayerClosed() { return g_player == nullptr || g_player->State() == kClosed; }

}  // namespace

void RearmCursorTimer() {
  if (!g_app.fullscreenRequested.load(std::memory_order_relaxed) || PlayerClosed()) return;
  const int32_t scale = g_player->VideoScale();
  const int32_t frames = scale > 0 ? 2 * g_player->VideoRate() / scale : 0;
  g_app.cursorCountdown.store(frames, std::memory_order_relaxed);
}

void SettleAfterModal() {
  g_app.cursorCountdown.store(0, std::memory_order_relaxed);
  g_app.mouseMoveIgnoreCount = 2;
}

void ClampSelection() {
  const int32_t count = g_playlist != nullptr ? g_playlist->Count() : 0;
  if (g_app.currentIndex > count - 1) g_app.currentIndex = count - 1;
  if (g_app.currentIndex < 0) g_app.currentIndex = 0;
}

int32_t* CurrentBalanceValue() {
  const int32_t target = g_app.balanceTarget.load(std::memory_order_relaxed) & 3;
  g_app.balanceTarget.store(target, std::memory_order_relaxed);
  switch (target) {
    case kBalanceBrightness:
      return &g_options.colorBalance.brightness;
    case kBalanceSaturation:
      return &g_options.colorBalance.saturation;
    case kBalanceContrast:
      return &g_options.colorBalance.contrast;
    default:
      return reinterpret_cast<int32_t*>(&g_options.volume);
  }
}

void SetBalanceValue(int32_t value) {
  *CurrentBalanceValue() = value < 0 ? 0 : (value > 100 ? 100 : value);
  PublishOptions();
  g_app.balanceChanged.store(1, std::memory_order_relaxed);
}

void AdjustBalanceValue(int32_t delta) {
  if (!g_app.balanceShown.load(std::memory_order_relaxed)) g_app.balanceTarget = kBalanceVolume;
  SetBalanceValue(*CurrentBalanceValue() + delta);
}

bool HitTestVideo(int32_t x, int32_t y, int32_t* videoX, int32_t* videoY) {
  if (g_player == nullptr) return false;
  return VideoPointAt(g_app.videoRect.Get(), g_player->VideoWidth(), g_player->VideoHeight(), x, y,
                      videoX, videoY);
}

int32_t BalanceTargetAt(int32_t videoX) { return ((videoX - 32) / 32 - 1) & 3; }
