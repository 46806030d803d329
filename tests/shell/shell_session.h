// Runs the real shell inside a test process: StartShell with a command line,
// the real window, window procedure, player, decoder, presenter and sound
// output, a message loop pumped by the test, and shutdown. Message boxes go
// to a sink and are recorded, so nothing ever waits for a click.
#pragma once

#include "platform/show_message.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A message box as "caption: text".
inline std::string Said(const ShownMessage& m) { return m.caption + ": " + m.text; }

class ShellSession {
 public:
  explicit ShellSession(const std::string& commandLine);
  ~ShellSession();  // Exit, the rest of the message loop, shutdown
  ShellSession(const ShellSession&) = delete;
  ShellSession& operator=(const ShellSession&) = delete;

  bool Started() const { return started_; }
  HWND Window() const;

  // Dispatches the window's messages until the condition holds; false on
  // timeout.
  bool PumpUntil(const std::function<bool()>& done, int timeoutMilliseconds);
  // Dispatches what is queued now.
  void Drain() { PumpUntil([] { return true; }, 0); }
  // Dispatches until the video thread has presented a picture after the
  // count given (taken before the command that asks for it) and the window's
  // thread has put it on the screen; false on timeout.
  bool PumpUntilPictureAfter(int32_t presented, int timeoutMilliseconds = 5000);
  // Dispatches until the video thread has made passes more passes.
  bool PumpForVideoPasses(int32_t passes, int timeoutMilliseconds = 5000);

  // Sends a WM_COMMAND as a menu would.
  void Command(int id, LPARAM lParam = 0) { SendMessageA(Window(), WM_COMMAND, id, lParam); }
  // WM_COMMAND ids that reached the window procedure (sent or posted).
  int CommandCount(int id) const { return commands_.count(id) != 0 ? commands_.at(id) : 0; }

  const std::vector<ShownMessage>& Messages() const { return messages_; }

  // Ends the session early: Exit, pump until WM_QUIT, shutdown. Returns the
  // WM_QUIT code.
  int Finish();

 private:
  static LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  bool started_ = false, finished_ = false;
  int quitCode_ = -1;  // WM_QUIT's code once the message loop saw it
  MessageSink previousSink_;
  std::vector<ShownMessage> messages_;
  std::map<int, int> commands_;
  WNDPROC original_ = nullptr;
};

// Makes the play list the text (paths apart by "\r"), from its first entry,
// and gives Play/Pause twice: true when the first entry is open, paused.
bool OpenPaused(ShellSession& session, const std::string& list);

// The client area of the main window as top-down rows of red, green, blue.
struct Capture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return rgb.data() + (static_cast<size_t>(y) * width + x) * 3; }
};
Capture CaptureClientArea(HWND window);
// A rectangle of a device context's picture.
Capture CaptureDc(HDC source, int left, int top, int width, int height);

// Runs the command, which shows a dialog of this process with the caption
// (any caption when null) and returns when it closes. Meanwhile a second
// thread waits for the dialog, lets it paint, saves its screenshot
// (dialog_<shot>.ppm beside the clips; none when shot is empty), runs act on
// it and presses closeId. False when no dialog came up.
bool RunDialog(ShellSession& session, int command, const char* caption, const std::string& shot,
               const std::function<void(HWND)>& act, int closeId = IDCANCEL);
// Polls the condition off the window's thread until it holds; false on timeout.
bool PollUntil(const std::function<bool()>& done, int timeoutMilliseconds);
// A visible dialog of this process with the caption (any caption when null)
// other than the one given, or null.
HWND FindOwnDialog(const char* caption, HWND other = nullptr);

// The window's title.
std::string WindowTitle(HWND window);
// The window's outer size and the client area's, as (width, height).
std::pair<LONG, LONG> WindowSize(HWND window);
std::pair<LONG, LONG> ClientSize(HWND window);
