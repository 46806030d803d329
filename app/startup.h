// Start-up and shutdown of the program (Windows only). The entry point in
// main.cpp runs RunVelmora; tests run the steps themselves, with a message
// sink installed, to drive the real window in their own process.
#pragma once

#include <windows.h>

// The whole program: options, single instance, the shell, the message loop,
// shutdown. Returns the WM_QUIT code, or 0 after handing over to a running
// instance.
int RunVelmora(HINSTANCE instance, const char* commandLine, int showCommand);

// Entry steps 3 to 12: title, DirectDraw, the subsystem objects, the command
// line into the play list, the pictures, the window, accelerators, menus and
// the first command. False when the main window could not be made.
bool StartShell(HINSTANCE instance, const char* commandLine, int showCommand);

// GetMessageA, TranslateMessage, DispatchMessageA until WM_QUIT.
int RunMessageLoop();

// Saves the options and destroys the objects in their shutdown order.
void ShutdownShell();

// Writes what played (frames shown and dropped, sound blocks written) to the
// debugger output, one line, at the end of the program.
void ReportPlayback();
