// The About box: the program's title, who made it, and what it does.
#include "app/dialog_entry_points.h"

#include "app/resource.h"
#include "app/shell.h"
#include "app/shell_state.h"

#include "velmora_version.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kTextCapacity = 4096;

// The second line names the version (the one in the version resource) and
// the build, 32- or 64-bit: they load different decompressors.
const char kAuthorLines[] =
    "Norvane Software\r\n"
    "Version " VELMORA_VERSION_TEXT ", %d-bit\r\n"
    "Picture: DirectDraw; sound: DirectSound\r\n"
    "Decoding: the decompressors installed on this computer\r\n";

void FillText(HWND dialog) {
  char authors[sizeof kAuthorLines + 8];
  std::snprintf(authors, sizeof authors, kAuthorLines, static_cast<int>(8 * sizeof(void*)));
  char text[kTextCapacity];
  int used = std::snprintf(text, sizeof text, "\r\n%s\r\n\r\n%s\r\n", DefaultTitle(), authors);
  if (used < 0 || used >= kTextCapacity) used = 0;
  LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUT_TEXT, text + used, kTextCapacity - used);
  SetDlgItemTextA(dialog, IDC_ABOUT_TEXT, text);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    FillText(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    SettleAfterModal();
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowAboutDialog(HWND window) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), window, AboutProc, 0);
}
