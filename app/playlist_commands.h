// The commands that fill or reorder the play list: File > Open, and the Play
// list menu's New, Load, Save, Delete File, Add File(s), Sort, Reverse and
// Randomize (Windows only).
#pragma once

#include <windows.h>

// Carries out a play list command; false for other ids.
bool HandlePlaylistCommand(HWND window, int id);
