// velmora_command: talks to a running Velmora Player from scripts, the way a
// menu or key would (Windows console program).
//
//   velmora_command ID [LPARAM]   posts WM_COMMAND ID to the player's window
//                                 (105 is Exit, 32817 Play/Pause)
//   velmora_command title         prints the window's title
//   velmora_command boxes         answers every open message box with OK and
//                                 prints its caption (one a line)
//   velmora_command windows       prints how many player windows there are
//   velmora_command dialog        status 0 when a dialog (a file dialog, a
//                                 message box) is open, 1 when none is
//
// Exit status 0 on success, 1 when no player runs (for boxes: when there was
// none), 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Message boxes and file dialogs are of the standard dialog class.
bool IsDialog(HWND window) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  return std::strcmp(className, "#32770") == 0 && IsWindowVisible(window);
}

BOOL CALLBACK CountDialog(HWND window, LPARAM count) {
  if (IsDialog(window)) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

BOOL CALLBACK AnswerBox(HWND window, LPARAM answered) {
  if (!IsDialog(window)) return TRUE;
  char caption[256] = {};
  GetWindowTextA(window, caption, sizeof caption);
  std::printf("%s\n", caption);
  PostMessageA(window, WM_COMMAND, IDOK, 0);
  ++*reinterpret_cast<int*>(answered);
  return TRUE;
}

BOOL CALLBACK CountPlayer(HWND window, LPARAM count) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "VelmoraClass") == 0) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: velmora_command ID [LPARAM] | title | boxes | windows | dialog\n");
    return 2;
  }
  if (std::strcmp(argv[1], "windows") == 0) {
    int count = 0;
    EnumWindows(CountPlayer, reinterpret_cast<LPARAM>(&count));
    std::printf("%d\n", count);
    return 0;
  }
  if (std::strcmp(argv[1], "dialog") == 0) {
    int count = 0;
    EnumWindows(CountDialog, reinterpret_cast<LPARAM>(&count));
    return count > 0 ? 0 : 1;
  }
  if (std::strcmp(argv[1], "boxes") == 0) {
    int answered = 0;
    EnumWindows(AnswerBox, reinterpret_cast<LPARAM>(&answered));
    return answered > 0 ? 0 : 1;
  }
  HWND window = FindWindowA("VelmoraClass", nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "velmora_command: no Velmora Player window\n");
    return 1;
  }
  if (std::strcmp(argv[1], "title") == 0) {
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    std::printf("%s\n", title);
    return 0;
  }
  char* end = nullptr;
  const long id = std::strtol(argv[1], &end, 10);
  if (end == argv[1] || *end != '\0' || id <= 0 || id > 0xFFFF) {
    std::fprintf(stderr, "velmora_command: %s is not a command id\n", argv[1]);
    return 2;
  }
  const LPARAM lParam = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0;
  return PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), lParam) ? 0 : 1;
}
