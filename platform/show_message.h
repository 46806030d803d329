// The one place the program shows a message box to the user.
//
// Every message (the "Opening troubles", "DirectSound troubles", "Restriction"
// and "Display troubles" boxes, the first-run notice) goes through ShowMessage,
// which calls MessageBoxExA with language 1033. Tests install a sink instead,
// so that they can observe the messages and never block on a box.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <string>

#ifndef _WIN32
#define MB_OK 0x00000000u
#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONINFORMATION 0x00000040u
#endif

constexpr WORD kMessageLanguage = 1033;  // English (United States)

struct ShownMessage {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

using MessageSink = std::function<int(const ShownMessage&)>;

// Shows the box (or hands it to the installed sink) and returns its result.
int ShowMessage(HWND owner, const char* text, const char* caption, UINT type);

// Installs a sink in place of the real box; an empty sink restores the box.
// Returns the previous sink.
MessageSink SetMessageSink(MessageSink sink);
