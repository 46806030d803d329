// The pictures loaded from the resources at start-up: the idle picture and
// its dimmed copy, the balance bar's signs, and the context menu's picture
// strip (Windows only).
#pragma once

#include <windows.h>

// ID_TAVO into the idle picture and its dark sepia copy (1x1 pictures when
// it is missing); ID_BALANCE's red components into the balance image.
void LoadPictures(HINSTANCE instance);

// Loads menu 140 and puts the picture strip ID_CONTEXT in a column of its
// own before the first item.
void InstallContextStrip(HINSTANCE instance);

// WM_MEASUREITEM and WM_DRAWITEM for the strip's menu item; false for other
// items.
bool MeasureContextStrip(MEASUREITEMSTRUCT* item);
bool DrawContextStrip(HWND window, const DRAWITEMSTRUCT* item);

// Gives back the idle pictures (shutdown).
void DestroyPictures();
