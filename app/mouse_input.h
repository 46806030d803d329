// The mouse on the main window: the seek bar, the balance bar, the play list
// screen and the wheel (Windows only). Coordinates are client pixels.
#pragma once

#include <windows.h>

void OnMouseMove(HWND window, WPARAM keys, int x, int y);
void OnLeftButtonDown(HWND window, int x, int y);
void OnLeftButtonDoubleClick(HWND window);
void OnMouseWheel(int delta);
