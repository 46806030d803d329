#include "app/main_window.h"

#include "app/application.h"
#include "settings/options.h"
#include "app/resource.h"
#include "app/shell.h"

#include <cstdio>

HWND g_mainWindow = nullptr;
HACCEL g_accelerators = nullptr;

namespace {

constexpr int kTitleCapacity = 256;
char g_defaultTitle[kTitleCapacity];

}  // namespace

void FormatDefaultTitle() {
  std::snprintf(g_defaultTitle, sizeof g_defaultTitle, "Velmora Player V0.%i Beta",
                static_cast<int>(g_options.formatVersion));
}

const char* DefaultTitle() {
  if (g_defaultTitle[0] == '\0') FormatDefaultTitle();
  return g_defaultTitle;
}

bool RegisterMainClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;  // 48 bytes in a 32-bit build
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMORA));
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMORA_SMALL));
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = nullptr;  // every screen paints its whole client area
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
  windowClass.lpszClassName = kMainClassName;
  if (RegisterClassExA(&windowClass) != 0) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateMainWindow(HINSTANCE instance, int showCommand) {
  HWND window = CreateWindowExA(0, kMainClassName, DefaultTitle(), WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, 0, 512, 420, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return nullptr;
  g_mainWindow = window;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  SyncMenuWithOptions();
  return window;
}

void PostShellCommand(int id, LPARAM lParam) {
  if (g_mainWindow != nullptr) PostMessageA(g_mainWindow, WM_COMMAND, id, lParam);
}
