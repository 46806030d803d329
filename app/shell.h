// What the playback engine asks of the application shell: the main window,
// its painting and its size. The shell (app/) implements these for Windows;
// engine tests substitute their own.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

struct IDirectDraw;

// The main window; null until it is created and after it is destroyed.
extern HWND g_mainWindow;

// The display's DirectDraw object, made at start-up; null when DirectDraw
// could not be created. The presenter and the display-mode code borrow it.
extern IDirectDraw* g_directDraw;

// "Velmora Player V0.25 Beta": the window title when no file is open.
const char* DefaultTitle();

// Lays out or draws the current screen (does nothing while the window is not
// active).
void Repaint();

// The "Please Wait" screen, painted before long work.
void ShowPleaseWait();

// The 16-pixel status strip at the bottom of the rectangle: seek bar and time
// (progress -1) or a fill percentage (0..100).
void DrawPanel(HDC target, int left, int top, int right, int bottom, int progress);

// The file's name without directory and extension (out holds 1,024 bytes).
void FileTitleOf(char* out, const char* path);

// Sizes the window to the video at scale/256 of its size plus the strip.
void SetWindowScale(int scale);

// Moves the main window, keeping its minimum size.
void MoveMainWindow(int x, int y, int width, int height);

// Leaves fullscreen (when the player stops).
void LeaveFullscreen();

// Posts WM_COMMAND id with lParam to the main window (used by the video thread).
void PostShellCommand(int id, LPARAM lParam);
