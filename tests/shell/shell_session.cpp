#include "tests/shell/shell_session.h"

#include "app/application.h"
#include "settings/options.h"
#include "app/painting.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/shell.h"
#include "app/startup.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "tests/common/test_paths.h"

#include <atomic>
#include <fstream>
#include <new>
#include <thread>

namespace {

ShellSession* g_session = nullptr;

// What start-up finds in a fresh process: the application record as it is
// built (earlier sessions in this process changed it), and the system's
// cursor count back where it was.
void ResetApplicationRecord() {
  ReleaseListImage();
  if (!g_app.cursorShown.load()) ShowCursor(TRUE);
  g_app.~Application();
  new (&g_app) Application();
}

}  // namespace

ShellSession::ShellSession(const std::string& commandLine) {
  g_session = this;
  previousSink_ = SetMessageSink([this](const ShownMessage& m) {
    messages_.push_back(m);
    return IDOK;
  });
  ResetApplicationRecord();
  ResetTally();
  SetDefaultOptions(&g_options);
  g_options.fullscreenAsDefault = 0;  // the tests start in a window
  started_ = StartShell(GetModuleHandleA(nullptr), commandLine.c_str(), SW_SHOWNORMAL);
  if (!started_) return;
  original_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      g_mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ShellSession::CountingProc)));
}

ShellSession::~ShellSession() {
  Finish();
  SetMessageSink(previousSink_);
  g_session = nullptr;
}

HWND ShellSession::Window() const { return g_mainWindow; }

LRESULT CALLBACK ShellSession::CountingProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == WM_COMMAND && g_session != nullptr) ++g_session->commands_[LOWORD(wParam)];
  WNDPROC original = g_session != nullptr ? g_session->original_ : nullptr;
  return CallWindowProcA(original, window, message, wParam, lParam);
}

bool ShellSession::PumpUntil(const std::function<bool()>& done, int timeoutMilliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (quitCode_ < 0 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quitCode_ = static_cast<int>(message.wParam);  // the loop's end, for Finish
        break;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (done()) return true;
    if (quitCode_ >= 0 || GetTickCount() - start >= static_cast<DWORD>(timeoutMilliseconds)) return false;
    Sleep(5);
  }
}

bool ShellSession::PumpUntilPictureAfter(int32_t presented, int timeoutMilliseconds) {
  const bool shown = PumpUntil([presented] { return g_player->PicturesPresented() > presented; },
                               timeoutMilliseconds);
  Drain();  // the wake-up that puts the drawing on the screen
  return shown;
}

bool ShellSession::PumpForVideoPasses(int32_t passes, int timeoutMilliseconds) {
  const int32_t until = g_player->VideoPasses() + passes;
  return PumpUntil([until] { return g_player->VideoPasses() >= until; }, timeoutMilliseconds);
}

int ShellSession::Finish() {
  if (finished_) return 0;
  finished_ = true;
  if (started_ && g_mainWindow != nullptr) {
    Command(IDM_EXIT);
    PumpUntil([this] { return quitCode_ >= 0; }, 10000);
  }
  ShutdownShell();
  return quitCode_;
}

bool OpenPaused(ShellSession& session, const std::string& list) {
  g_playlist->SetText(list);
  g_app.currentIndex = 0;
  session.Command(IDM_PLAY_PAUSE), session.Command(IDM_PLAY_PAUSE);
  return g_player->State() == kPaused;
}

Capture CaptureDc(HDC source, int left, int top, int width, int height) {
  Capture capture;
  if (width <= 0 || height <= 0) return capture;
  capture.width = width, capture.height = height;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32};  // top-down
  void* bits = nullptr;
  const HDC memory = CreateCompatibleDC(source);
  const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY);
  GdiFlush();
  const uint8_t* bgra = static_cast<const uint8_t*>(bits);
  for (size_t i = 0; i < size_t{4} * width * height; i += 4) capture.rgb.insert(capture.rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
  SelectObject(memory, old), DeleteObject(bitmap), DeleteDC(memory);
  return capture;
}

Capture CaptureClientArea(HWND window) {
  const auto [w, h] = ClientSize(window);
  const HDC dc = GetDC(window);
  Capture capture = CaptureDc(dc, 0, 0, w, h);
  ReleaseDC(window, dc);
  return capture;
}

bool PollUntil(const std::function<bool()>& done, int timeoutMilliseconds) {
  for (const DWORD start = GetTickCount(); !done(); Sleep(10)) {
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMilliseconds)) return false;
  }
  return true;
}

HWND FindOwnDialog(const char* caption, HWND other) {
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", caption)) != nullptr;) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (w != other && process == GetCurrentProcessId() && IsWindowVisible(w)) return w;
  }
  return nullptr;
}

bool RunDialog(ShellSession& session, int command, const char* caption, const std::string& shot,
               const std::function<void(HWND)>& act, int closeId) {
  std::atomic<bool> seen{false};
  std::thread helper([&] {
    HWND dialog = nullptr;
    if (!PollUntil([&] { return (dialog = FindOwnDialog(caption)) != nullptr; }, 10000)) return;
    seen = true;
    // Painted before it is read: the dialog's thread draws it while this waits.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!shot.empty()) {
      const Capture capture = CaptureClientArea(dialog);
      std::ofstream out(ClipPath("dialog_" + shot + ".ppm"), std::ios::binary);
      out << "P6\n" << capture.width << " " << capture.height << "\n255\n";
      out.write(reinterpret_cast<const char*>(capture.rgb.data()), capture.rgb.size());
    }
    act(dialog);
    if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, closeId, 0);
  });
  session.Command(command);
  helper.join();
  return seen;
}

std::string WindowTitle(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::pair<LONG, LONG> ClientSize(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  return {r.right, r.bottom};
}

std::pair<LONG, LONG> WindowSize(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}
