// The View menu's commands (colour balance, volume, On Top, window sizes)
// and the keys whose meaning depends on whether a file is open: with a file
// they move the balance or the volume, without one the play list's current
// entry (Windows only).
#pragma once

#include <windows.h>

// Carries out a view or key command; false for other ids.
bool HandleViewCommand(HWND window, int id);
