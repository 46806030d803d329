// One instance at a time: a second start hands its command line to the
// running one through the registry value "Command Line" and command 123
// (Windows only).
#pragma once

#include <windows.h>

#include <string>

// Second start: stores the command line (when there is one) and sends
// command 123 to the running window.
void HandOverToRunningInstance(HWND running, const char* commandLine);

// Running instance: takes and deletes the "Command Line" value. True when
// the value held at least one byte.
bool TakeHandedOverCommandLine(std::string* text);
