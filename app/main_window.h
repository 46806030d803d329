// The main window: its class, creation, accelerators and window procedure,
// and the menu check marks that mirror the options (Windows only).
#pragma once

#include <windows.h>

// The class every start looks for: a running instance owns a window of it.
constexpr char kMainClassName[] = "VelmoraClass";

// Accelerator table 109, translated by MainWindowProc itself.
extern HACCEL g_accelerators;

// Formats the default title ("Velmora Player V0.25 Beta") into its buffer.
void FormatDefaultTitle();

// Registers "VelmoraClass" (icons 107 and 108, menu 109). True also when
// the class is registered already.
bool RegisterMainClass(HINSTANCE instance);

// Creates, shows and paints the main window, then refreshes the menu's check
// marks. Null when the window could not be made.
HWND CreateMainWindow(HINSTANCE instance, int showCommand);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sets every check mark of the main menu from the options (choices out of
// range become 0) and saves the options; returns what saving returned.
bool SyncMenuWithOptions();
