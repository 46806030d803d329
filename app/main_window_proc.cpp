// MainWindowProc: the main window's messages. It translates the accelerator
// keys itself (the message loop does not), then handles the message.
#include "app/application.h"
#include "app/main_window.h"
#include "app/mouse_input.h"
#include "app/pictures.h"
#include "app/playback_tally.h"
#include "app/shell.h"
#include "app/shell_commands.h"
#include "app/shell_state.h"
#include "app/window_geometry.h"
#include "engine/player.h"
#include "video/draw_dib_context.h"

#include <windowsx.h>

namespace {

bool PlayerClosed() { return g_player == nullptr || g_player->State() == kClosed; }

void TranslateAccelerators(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_accelerators == nullptr) return;
  MSG msg = {};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  TranslateAcceleratorA(window, g_accelerators, &msg);
}

void OnDestroy() {
  g_app.windowActive.store(0);
  ClosePlayer();
  PostQuitMessage(0);
}

void OnContextMenu(HWND window, LPARAM lParam) {
  RearmCursorTimer();
  if (PlayerClosed() || g_app.contextMenu == nullptr) return;
  g_app.modalOpen.store(1);
  const int chosen = TrackPopupMenu(g_app.contextMenu, TPM_RETURNCMD, GET_X_LPARAM(lParam),
                                    GET_Y_LPARAM(lParam), 0, window, nullptr);
  g_app.modalOpen.store(0);
  if (chosen != 0) PostMessageA(window, WM_COMMAND, chosen, 0);
}

void OnDisplayChange() {
  if (g_player != nullptr && g_player->IsOpen()) {
    g_app.displayChanged.store(1);
  } else {
    g_drawDib.Reopen();
  }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TranslateAccelerators(window, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE:
      g_mainWindow = window;  // painting during creation needs it already
      break;
    case WM_NCDESTROY:
      if (g_mainWindow == window) g_mainWindow = nullptr;
      break;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_MOVE:
      if (PlayerClosed()) return 0;
      Repaint();
      break;
    case WM_SIZE:
    case WM_PAINT:
      Repaint();
      break;
    case WM_MEASUREITEM:
      if (MeasureContextStrip(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_DRAWITEM:
      if (DrawContextStrip(window, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_CONTEXTMENU:
      OnContextMenu(window, lParam);
      return 0;
    case WM_DISPLAYCHANGE:
      OnDisplayChange();
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(window, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      OnLeftButtonDoubleClick(window);
      return 0;
    case WM_MOUSEWHEEL:
      OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_SIZING:
      KeepMinimumWindowSize(static_cast<int>(wParam), reinterpret_cast<RECT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (HandleShellCommand(window, LOWORD(wParam), lParam)) return 0;
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
