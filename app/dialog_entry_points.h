// The dialogs that commands open, one file each: about_dialog.cpp,
// statistics_dialog.cpp, file_properties_dialog.cpp, fullscreen_mode_dialog.cpp,
// time_displacement_dialog.cpp; and the help file (help_contents.cpp).
// Each runs on the user-interface thread and returns when its window closes.
#pragma once

#include <windows.h>

// Realtime Statistics: no owner, so the main window stays usable.
void ShowStatisticsDialog(HWND window);
// File Properties of the open file and its decompressors.
void ShowFilePropertiesDialog(HWND window);
// Select Fullscreen Video Mode: the mode the next switch to fullscreen uses.
void ShowFullscreenModeDialog(HWND window);
// The audio delay of the play list's current file.
void ShowTimeDisplacementDialog(HWND window);
void ShowAboutDialog(HWND window);
// Writes the carried help file to the temporary directory and opens it.
void ShowHelpContents(HWND window);
