// The "Subtitles" menu: open and close a subtitle file, Auto Load,
// Transparent and Shadow, and the font and colour choosers (Windows only).
#pragma once

#include <windows.h>

// Carries out a Subtitles command; false for any other id.
bool HandleSubtitleCommand(HWND window, int id);

// The font chooser: on OK the font (drawn without antialiasing) replaces the
// options' and the next frame builds a band for it.
void SelectSubtitleFont(HWND owner);

// The colour chooser with the options' 16 custom colours: on OK the colour
// replaces the options' and the band is drawn again.
void SelectSubtitleColor(HWND owner);
