// The WM_COMMAND ids of the menus, the context menu and the accelerator
// table (Windows only): the File and Playback commands, the cursor command and
// the hand-over from a second start here; the options, the view and the play
// list through their own tables.
#pragma once

#include <windows.h>

// Carries out the command; false for ids it does not know (the window
// procedure hands those to DefWindowProcA).
bool HandleShellCommand(HWND window, int id, LPARAM lParam);
