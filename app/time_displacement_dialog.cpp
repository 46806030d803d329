// The audio delay of the current file: how far the sound is moved against the
// picture, remembered per file (the ten most recent) and saved at once.
#include "app/dialog_entry_points.h"

#include "app/application.h"
#include "app/options_registry.h"
#include "app/resource.h"
#include "engine/player.h"
#include "platform/show_message.h"
#include "playlist/playlist.h"
#include "settings/displacement_list.h"
#include "settings/options.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kTextCapacity = 256;

std::string CurrentPath() { return g_playlist->Item(g_app.currentIndex); }

void ShowRememberedDelay(HWND dialog) {
  int32_t delay = 0;
  g_displacementList.Lookup(CurrentPath(), &delay);
  char text[16];
  std::snprintf(text, sizeof text, "%i", delay);
  SetDlgItemTextA(dialog, IDC_DELAY, text);
}

// False (and the dialog stays) when the text is not a number.
bool TakeDelay(HWND dialog) {
  char text[kTextCapacity + 1] = {};
  GetDlgItemTextA(dialog, IDC_DELAY, text, kTextCapacity);
  const std::string path = CurrentPath();
  int delay = 0;
  if (std::sscanf(text, "%d", &delay) != 1 || path.empty()) {
    ShowMessage(dialog, "You should enter integer number", "Restriction", MB_ICONEXCLAMATION);
    return false;
  }
  g_player->SetDisplacement(delay);
  g_displacementList.Remember(path, delay);
  SaveOptions(&g_options);
  return true;
}

INT_PTR CALLBACK TimeDisplacementProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    ShowRememberedDelay(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  if (LOWORD(wParam) == IDOK) {
    if (TakeDelay(dialog)) EndDialog(dialog, IDOK);
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowTimeDisplacementDialog(HWND window) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TIME_DISPLACEMENT), window,
                  TimeDisplacementProc, 0);
}
