// The WM_COMMAND ids the shell carries out so far: Play/Pause, Stop, Rewind,
// Next and Previous File, Close, Exit, Fullscreen and Esc, the cursor command
// and the hand-over from a second start (Windows only).
#pragma once

#include <windows.h>

// Carries out the command; false for ids it does not know (the window
// procedure hands those to DefWindowProcA).
bool HandleShellCommand(HWND window, int id, LPARAM lParam);
