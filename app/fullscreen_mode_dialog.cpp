// Select Fullscreen Video Mode: the RGB display modes DirectDraw enumerates,
// or the desktop's own. The choice is taken by the next switch to fullscreen
// and stored with the options.
#include "app/dialog_entry_points.h"

#include "app/resource.h"
#include "app/shell.h"
#include "settings/options.h"

#include <ddraw.h>

#include <cctype>
#include <cstdio>
#include <memory>

// The modes found, in the order DirectDraw gave them. A record whose bits
// field is 0 is free; the last record is a fixed end mark (bits 1), so at
// most kRecords - 1 modes are kept.
struct ModeTable {
  static constexpr int kRecords = 1024;
  struct Mode {
    uint32_t width, height, bitsPerPixel, refreshRate;
  };
  Mode modes[kRecords] = {};
  ModeTable() { modes[kRecords - 1].bitsPerPixel = 1; }
};

namespace {

HRESULT WINAPI KeepRgbMode(LPDDSURFACEDESC description, LPVOID context) {
  if ((description->ddpfPixelFormat.dwFlags & DDPF_RGB) == 0) return DDENUMRET_OK;
  ModeTable* table = static_cast<ModeTable*>(context);
  for (ModeTable::Mode& mode : table->modes) {
    if (mode.bitsPerPixel == 1) break;  // the end mark: full, further modes are ignored
    if (mode.bitsPerPixel != 0) continue;
    mode = {description->dwWidth, description->dwHeight,
            description->ddpfPixelFormat.dwRGBBitCount, description->dwRefreshRate};
    break;
  }
  return DDENUMRET_OK;
}

bool IsChosenMode(const ModeTable::Mode& mode) {
  return mode.width == g_options.fullscreenWidth && mode.height == g_options.fullscreenHeight &&
         mode.bitsPerPixel == g_options.fullscreenBitsPerPixel &&
         mode.refreshRate == g_options.fullscreenRefreshRate;
}

void FillList(HWND dialog) {
  const HWND list = GetDlgItem(dialog, IDC_MODE_LIST);
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Use Desktop settings"));
  auto table = std::make_unique<ModeTable>();
  if (g_directDraw != nullptr) {
    g_directDraw->EnumDisplayModes(DDEDM_REFRESHRATES, nullptr, table.get(), KeepRgbMode);
  }
  int selection = 0;
  for (int i = 0; i < ModeTable::kRecords - 1 && table->modes[i].bitsPerPixel != 0; ++i) {
    const ModeTable::Mode& mode = table->modes[i];
    char text[64];
    int used = std::snprintf(text, sizeof text, "%ix%i %iBit", mode.width, mode.height,
                             mode.bitsPerPixel);
    if (mode.refreshRate > 20) std::snprintf(text + used, sizeof text - used, " %iHz", mode.refreshRate);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (selection == 0 && IsChosenMode(mode)) selection = i + 1;
  }
  SendMessageA(list, CB_SETCURSEL, selection, 0);
}

// "640x480 16Bit 60Hz": the numbers in order; a mode listed without its
// refresh rate gets 0 (the driver's default).
void TakeChoice(HWND dialog) {
  const HWND list = GetDlgItem(dialog, IDC_MODE_LIST);
  const LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (item == CB_ERR) return;
  if (item == 0) {
    g_options.fullscreenBitsPerPixel = 1;
    return;
  }
  char text[256] = {};
  if (SendMessageA(list, CB_GETLBTEXTLEN, item, 0) >= static_cast<LRESULT>(sizeof text)) return;
  SendMessageA(list, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
  for (char& c : text) {
    if (c != '\0' && !std::isdigit(static_cast<unsigned char>(c))) c = ' ';
  }
  int values[4] = {0, 0, 0, 0};
  std::sscanf(text, "%i%i%i%i", &values[0], &values[1], &values[2], &values[3]);
  g_options.fullscreenWidth = values[0];
  g_options.fullscreenHeight = values[1];
  g_options.fullscreenBitsPerPixel = values[2];
  g_options.fullscreenRefreshRate = values[3];
}

INT_PTR CALLBACK FullscreenModeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetWindowTextA(dialog, "Select fullscreen video mode");
    FillList(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  if (LOWORD(wParam) == IDOK) {
    TakeChoice(dialog);
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowFullscreenModeDialog(HWND window) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FULLSCREEN_MODE), window,
                  FullscreenModeProc, 0);
}
