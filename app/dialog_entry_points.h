// One entry point per dialog that a command opens. The dialogs themselves
// are not built yet: until they are, these return without showing anything,
// and the commands that call them only check their own conditions.
#pragma once

#include <windows.h>

void ShowStatisticsDialog(HWND window);
void ShowFilePropertiesDialog(HWND window);
void ShowFullscreenModeDialog(HWND window);
void ShowTimeDisplacementDialog(HWND window);
void ShowAboutDialog(HWND window);
void ShowHelpContents(HWND window);
