// Windowed and fullscreen, the window's z-order and its size (Windows only;
// LeaveFullscreen, SetWindowScale and MoveMainWindow are in app/shell.h).
#pragma once

// Brings the window in line with the fullscreen request, "On Top" and the
// player state: display mode, style, menu, rectangle and z-order.
void ApplyWindowMode();

// The Fullscreen command (toggle) and Esc in fullscreen (leave): fullscreen
// needs an open file.
void SwitchFullscreen(bool wanted);
