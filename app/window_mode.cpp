#include "app/window_mode.h"

#include "app/application.h"
#include "app/main_window.h"
#include "settings/options.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "platform/show_message.h"
#include "app/window_geometry.h"
#include "engine/player.h"

#include <windows.h>
#include <ddraw.h>

namespace {

constexpr LONG kWindowedStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
constexpr LONG kFullscreenStyle = WS_VISIBLE;

bool PlayerOpen() { return g_player != nullptr && g_player->IsOpen(); }

// The chosen display mode in fullscreen (unless "Use Desktop settings"),
// the desktop's otherwise.
void ApplyDisplayMode(bool fullscreen) {
  if (g_directDraw == nullptr) return;
  if (fullscreen && g_options.fullscreenBitsPerPixel != 1) {
    IDirectDraw4* directDraw4 = nullptr;
    HRESULT result = g_directDraw->QueryInterface(IID_IDirectDraw4,
                                                  reinterpret_cast<void**>(&directDraw4));
    if (SUCCEEDED(result)) {
      result = directDraw4->SetDisplayMode(g_options.fullscreenWidth, g_options.fullscreenHeight,
                                           g_options.fullscreenBitsPerPixel,
                                           g_options.fullscreenRefreshRate, 0);
      directDraw4->Release();
    }
    if (FAILED(result)) {
      ShowMessage(g_mainWindow, "Can't change display mode", "Display troubles",
                  MB_ICONEXCLAMATION);
    }
    return;
  }
  g_directDraw->RestoreDisplayMode();
}

}  // namespace

void ApplyWindowMode() {
  if (g_mainWindow == nullptr) return;
  const bool fullscreen = g_app.fullscreenRequested.load() != 0;
  ApplyDisplayMode(fullscreen);
  const bool playing = g_player != nullptr && g_player->State() == kPlaying;
  const bool topmost = (g_options.onTop != 0 && playing) || fullscreen;

  RECT rect;
  GetWindowRect(g_mainWindow, &rect);
  if (g_app.fullscreenApplied) {
    rect = g_app.savedWindowRect;
  } else {
    g_app.savedWindowRect = rect;
  }
  LONG style = kWindowedStyle;
  HMENU menu = g_app.mainMenu;
  if (fullscreen) {
    style = kFullscreenStyle;
    menu = nullptr;
    rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  SetWindowLongA(g_mainWindow, GWL_STYLE, style);
  SetMenu(g_mainWindow, menu);
  SetWindowPos(g_mainWindow, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, rect.left, rect.top,
               rect.right - rect.left, rect.bottom - rect.top, 0);
  g_app.fullscreenApplied = fullscreen ? 1 : 0;
  Repaint();
  Sleep(100);
}

void LeaveFullscreen() {
  g_app.fullscreenRequested.store(0);
  ApplyWindowMode();
  SyncMenuWithOptions();
  Repaint();
}

void SwitchFullscreen(bool wanted) {
  g_app.fullscreenRequested.store(wanted && PlayerOpen() ? 1 : 0);
  RearmCursorTimer();
  SyncMenuWithOptions();
  ApplyWindowMode();
  if (g_app.fullscreenRequested.load()) SettleAfterModal();
}

void SetWindowScale(int scale) {
  if (g_mainWindow == nullptr || g_app.fullscreenRequested.load() || !PlayerOpen()) return;
  POINT origin = {0, 0};
  ClientToScreen(g_mainWindow, &origin);
  RECT rect = ScaledClientRect(origin.x, origin.y, g_player->VideoWidth(),
                               g_player->VideoHeight(), scale);
  AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, TRUE);
  MoveMainWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void MoveMainWindow(int x, int y, int width, int height) {
  if (g_mainWindow == nullptr) return;
  RECT rect = {x, y, x + width, y + height};
  SendMessageA(g_mainWindow, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&rect));
  MoveWindow(g_mainWindow, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
             TRUE);
}
