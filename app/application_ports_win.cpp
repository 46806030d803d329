// The application's ports: the engine works through the process-wide sound
// output, presenter and decoder holder, the main window of the shell, the
// system clock and the program's filters.
#include "app/application_ports.h"

#include "app/application.h"
#include "app/shell.h"
#include "app/sound_output_port.h"
#include "decode/decoder_holder.h"
#include "subtitles/subtitle_track.h"
#include "video/draw_dib_context.h"
#include "video/video_presenter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The longest stretch of free addresses in this process: the most that one
// allocation can take.
uint64_t LongestFreeAddressRange() {
  uint64_t longest = 0;
  uintptr_t address = 0;
  MEMORY_BASIC_INFORMATION region;
  while (VirtualQuery(reinterpret_cast<LPCVOID>(address), &region, sizeof region) == sizeof region) {
    if (region.State == MEM_FREE) longest = std::max<uint64_t>(longest, region.RegionSize);
    const uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;  // the top of the address space
    address = next;
  }
  return longest;
}

constexpr int kStatusStripHeight = 16;
constexpr int kNormalScale = 256;  // the video's own size, in 256ths

// Paints through the main window's DC for one scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

void FillBlack(HDC dc, LONG left, LONG top, LONG right, LONG bottom) {
  if (right <= left || bottom <= top) return;
  RECT rect = {left, top, right, bottom};
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

class WindowsPlaybackHost : public PlaybackHost {
 public:
  HWND MainWindow() override { return g_mainWindow; }
  IDirectDraw* DirectDraw() override { return g_directDraw; }

  void ShowFileTitle(const char* path) override {
    char title[1024];
    FileTitleOf(title, path);
    char text[1100];
    std::snprintf(text, sizeof text, "%s - Velmora Player", title);
    SetWindowTextA(g_mainWindow, text);
  }

  void ShowDefaultTitle() override { SetWindowTextA(g_mainWindow, DefaultTitle()); }

  void Repaint() override { ::Repaint(); }

  void WindowSize(int32_t* width, int32_t* height) override {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(g_mainWindow, &rect);
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
  }

  void FitWindowToVideo() override {
    SetWindowScale(kNormalScale);
    ShowPleaseWait();
  }

  void RestoreWindowSize(int32_t width, int32_t height) override {
    RECT rect = {0, 0, 0, 0};
    if (!GetWindowRect(g_mainWindow, &rect)) return;
    MoveMainWindow(rect.left, rect.top, width, height);
  }

  void LeaveFullscreen() override { ::LeaveFullscreen(); }

  void PostCommand(int32_t id, LPARAM lParam) override { PostShellCommand(id, lParam); }

  void DrawStatus(int32_t progress) override {
    WindowDc dc(g_mainWindow);
    RECT client = {0, 0, 0, 0};
    if (dc.Get() == nullptr || !GetClientRect(g_mainWindow, &client)) return;
    DrawPanel(dc.Get(), client.left, client.top, client.right, client.bottom, progress);
  }

  // Black around the picture, and the strip below it outside fullscreen.
  void DrawBorders() override {
    const bool fullscreen = g_app.fullscreenRequested.load() != 0;
    {
      WindowDc dc(g_mainWindow);
      RECT client = {0, 0, 0, 0};
      if (dc.Get() == nullptr || !GetClientRect(g_mainWindow, &client)) return;
      const LONG bottom = fullscreen ? client.bottom : client.bottom - kStatusStripHeight;
      const RECT video = g_app.videoRect.Get();
      FillBlack(dc.Get(), client.left, client.top, client.right, video.top);
      FillBlack(dc.Get(), client.left, video.bottom, client.right, bottom);
      FillBlack(dc.Get(), client.left, video.top, video.left, video.bottom);
      FillBlack(dc.Get(), video.right, video.top, client.right, video.bottom);
    }
    if (!fullscreen) DrawStatus(-1);
  }

  void ReopenDrawDib() override { g_drawDib.Reopen(); }

  uint64_t AvailableMemory() override {
    MEMORYSTATUS status;
    std::memset(&status, 0, sizeof status);
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    // A 64-bit process has far more addresses than the machine has memory; a
    // 32-bit one has 2 GB of them, and the frame ring is one allocation: it
    // gets at most half of the longest free stretch, leaving the rest to the
    // block ring, the decoders and the surfaces.
    if (sizeof(void*) < 8) return std::min<uint64_t>(status.dwAvailPhys, LongestFreeAddressRange() / 2);
    return status.dwAvailPhys;
  }

  void SaveAndDisableSystemSettings(SystemSettings* saved) override {
    saved->powerOff = Switch(SPI_GETPOWEROFFACTIVE, SPI_SETPOWEROFFACTIVE, 0);
    saved->lowPower = Switch(SPI_GETLOWPOWERACTIVE, SPI_SETLOWPOWERACTIVE, 0);
    saved->screenSaver = Switch(SPI_GETSCREENSAVEACTIVE, SPI_SETSCREENSAVEACTIVE, 0);
  }

  void RestoreSystemSettings(const SystemSettings& saved) override {
    SystemParametersInfoA(SPI_SETPOWEROFFACTIVE, static_cast<UINT>(saved.powerOff), nullptr, 0);
    SystemParametersInfoA(SPI_SETLOWPOWERACTIVE, static_cast<UINT>(saved.lowPower), nullptr, 0);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(saved.screenSaver), nullptr,
                          0);
  }

 private:
  // Reads one setting and sets it to value; returns what it was.
  static int32_t Switch(UINT get, UINT set, UINT value) {
    BOOL was = FALSE;
    SystemParametersInfoA(get, 0, &was, 0);
    SystemParametersInfoA(set, value, nullptr, 0);
    return was ? 1 : 0;
  }
};

}  // namespace

PlaybackHost* WindowsHost() {
  static WindowsPlaybackHost host;
  return &host;
}

PlaybackPorts ApplicationPorts() {
  PlaybackPorts ports;
  static SoundOutputPort sound(nullptr);
  sound = SoundOutputPort(g_soundOutput);
  ports.sound = &sound;
  ports.picture = g_presenter;
  ports.host = WindowsHost();
  ports.time = SystemTime();
  ports.decoders = g_decoderHolder;
  ports.shell = &g_app;
  ports.subtitles = g_subtitleTrack;
  ports.effects = ProgramEffects();
  return ports;
}
