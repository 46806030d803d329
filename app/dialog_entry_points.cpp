#include "app/dialog_entry_points.h"

// Placeholders until the dialogs are built; nothing is shown yet.
void ShowStatisticsDialog(HWND) {}
void ShowFilePropertiesDialog(HWND) {}
void ShowFullscreenModeDialog(HWND) {}
void ShowTimeDisplacementDialog(HWND) {}
void ShowAboutDialog(HWND) {}
void ShowHelpContents(HWND) {}
