// velmora_sync_probe: the least a player does for picture and sound, so that
// an outside measurement (bench/av_sync --probe) can tell what the platform
// adds from what the player adds.
//
//   velmora_sync_probe MODE [SECONDS [primary]]
//
// Plays a looping one-second DirectSound buffer (44.1 kHz, 16-bit mono) with
// a 10 ms click at its start and, taking the play cursor as the clock, paints
// a window covering the screen 25 times a second: white for the frame in
// which the click starts, black otherwise. MODE says who paints, through
// GetDC and FillRect:
//   main         the window's own thread, on a 1 ms timer;
//   thread       a worker thread, as the player's video thread does;
//   thread-wake  a worker thread that also posts WM_NULL to the window after
//                each frame, so that the window's thread goes idle once more.
//   dib          as thread-wake, but each frame is a screen-sized 24-bit
//                bottom-up image drawn with DrawDibDraw, the way the player
//                draws when it has no overlay: what Wine costs to show a
//                full-screen picture and play the sound, with no decoding,
//                conversion or resizing (bench/cpu_vs).
// Prints the frames painted when it ends (after SECONDS, default 30), and how
// fast the play cursor ran against the performance counter, the clock a
// player paces its picture with between corrections (over the whole run, and
// from the end of the first minute on). With "primary" it first sets the
// primary buffer to the sound's own format, as the player does.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
#include <vfw.h>

#include <atomic>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFps = 25;
constexpr DWORD kBufferBytes = kRate * 2;  // one second

enum class Mode { kMain, kThread, kThreadWake, kDib };

struct Probe {
  HWND window = nullptr;
  IDirectSoundBuffer* buffer = nullptr;
  IDirectSoundBuffer* primary = nullptr;  // held while playing, as the player holds it
  Mode mode = Mode::kMain;
  LONG lastFrame = -1;
  // The cursor's whole course, wraps counted, from its first reading.
  DWORD lastPlay = 0;
  int64_t cursorBytes = -1;
  LARGE_INTEGER frequency = {}, firstCount = {}, lastCount = {};
  int64_t minuteBytes = -1;  // the course at the first reading a minute on
  LARGE_INTEGER minuteCount = {};
  std::atomic<bool> stop{false};
  std::atomic<int> painted{0};
  // dib mode: one white and one black image, the window's size.
  HDRAWDIB drawDib = nullptr;
  BITMAPINFOHEADER header = {};
  std::vector<unsigned char> white, black;
};

Probe g_probe;

// The frame of the second the play cursor is in; -1 when it can't be read.
LONG CursorFrame() {
  DWORD play = 0;
  DWORD write = 0;
  if (FAILED(g_probe.buffer->GetCurrentPosition(&play, &write))) return -1;
  QueryPerformanceCounter(&g_probe.lastCount);
  if (g_probe.cursorBytes < 0) {
    QueryPerformanceFrequency(&g_probe.frequency);
    g_probe.cursorBytes = 0;
    g_probe.firstCount = g_probe.lastCount;
  } else {
    g_probe.cursorBytes += (play + kBufferBytes - g_probe.lastPlay) % kBufferBytes;
    if (g_probe.minuteBytes < 0 &&
        g_probe.lastCount.QuadPart - g_probe.firstCount.QuadPart >= 60 * g_probe.frequency.QuadPart) {
      g_probe.minuteBytes = g_probe.cursorBytes;
      g_probe.minuteCount = g_probe.lastCount;
    }
  }
  g_probe.lastPlay = play;
  return static_cast<LONG>(play / (kBufferBytes / kFps));
}

// Paints when the clock has moved to another frame.
void PaintIfDue() {
  const LONG frame = CursorFrame();
  if (frame < 0 || frame == g_probe.lastFrame) return;
  g_probe.lastFrame = frame;
  HDC dc = GetDC(g_probe.window);
  if (dc == nullptr) return;
  if (g_probe.mode == Mode::kDib) {
    auto& image = frame == 0 ? g_probe.white : g_probe.black;
    DrawDibDraw(g_probe.drawDib, dc, 0, 0, -1, -1, &g_probe.header, image.data(), 0, 0,
                g_probe.header.biWidth, g_probe.header.biHeight, DDF_HALFTONE);
  } else {
    RECT rect;
    GetClientRect(g_probe.window, &rect);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(frame == 0 ? WHITE_BRUSH : BLACK_BRUSH)));
  }
  ReleaseDC(g_probe.window, dc);
  ++g_probe.painted;
  if (g_probe.mode == Mode::kThreadWake || g_probe.mode == Mode::kDib) {
    PostMessageA(g_probe.window, WM_NULL, 0, 0);
  }
}

// The two images of dib mode, as large as the window.
bool MakeImages() {
  RECT rect;
  GetClientRect(g_probe.window, &rect);
  BITMAPINFOHEADER& header = g_probe.header;
  header.biSize = sizeof header;
  header.biWidth = rect.right;
  header.biHeight = rect.bottom;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(((3 * rect.right + 3) & ~3) * rect.bottom);
  g_probe.white.assign(header.biSizeImage, 0xFF);
  g_probe.black.assign(header.biSizeImage, 0);
  g_probe.drawDib = DrawDibOpen();
  return g_probe.drawDib != nullptr;
}

DWORD WINAPI PaintThread(void*) {
  while (!g_probe.stop) {
    PaintIfDue();
    Sleep(1);
  }
  return 0;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (g_probe.mode == Mode::kMain) PaintIfDue();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HWND MakeWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "VelmoraSyncProbe";
  RegisterClassA(&windowClass);
  return CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "sync probe",
                         WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                         GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, windowClass.hInstance,
                         nullptr);
}

// 44.1 kHz, 16-bit mono.
WAVEFORMATEX SoundFormat() {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = kRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = kRate * 2;
  return format;
}

// The primary buffer set to the sound's format, as the player sets it.
bool SetPrimaryFormat(IDirectSound* sound) {
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
  if (FAILED(sound->CreateSoundBuffer(&desc, &g_probe.primary, nullptr))) return false;
  WAVEFORMATEX format = SoundFormat();
  return SUCCEEDED(g_probe.primary->SetFormat(&format));
}

// The looping second with a 1 kHz click of 10 ms at its start.
IDirectSoundBuffer* MakeSound(IDirectSound* sound) {
  WAVEFORMATEX format = SoundFormat();
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
  desc.dwBufferBytes = kBufferBytes;
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  if (FAILED(sound->CreateSoundBuffer(&desc, &buffer, nullptr))) return nullptr;
  void* bytes = nullptr;
  DWORD length = 0;
  if (FAILED(buffer->Lock(0, kBufferBytes, &bytes, &length, nullptr, nullptr, 0))) {
    buffer->Release();
    return nullptr;
  }
  auto* samples = static_cast<short*>(bytes);
  std::memset(samples, 0, length);
  for (int i = 0; i < kRate / 100; ++i) {
    samples[i] = static_cast<short>(26000 * std::sin(2 * 3.14159265358979 * 1000 * i / kRate));
  }
  buffer->Unlock(bytes, length, nullptr, 0);
  return buffer;
}

bool ParseMode(const char* text) {
  if (std::strcmp(text, "main") == 0) {
    g_probe.mode = Mode::kMain;
  } else if (std::strcmp(text, "thread") == 0) {
    g_probe.mode = Mode::kThread;
  } else if (std::strcmp(text, "thread-wake") == 0) {
    g_probe.mode = Mode::kThreadWake;
  } else if (std::strcmp(text, "dib") == 0) {
    g_probe.mode = Mode::kDib;
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !ParseMode(argv[1])) {
    std::fprintf(stderr, "usage: velmora_sync_probe main|thread|thread-wake|dib [SECONDS [primary]]\n");
    return 2;
  }
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
  timeBeginPeriod(1);
  g_probe.window = MakeWindow();
  IDirectSound* sound = nullptr;
  if (g_probe.window == nullptr || FAILED(DirectSoundCreate(nullptr, &sound, nullptr)) ||
      FAILED(sound->SetCooperativeLevel(g_probe.window, DSSCL_PRIORITY))) {
    std::fprintf(stderr, "velmora_sync_probe: no window or no DirectSound\n");
    return 1;
  }
  if (g_probe.mode == Mode::kDib && !MakeImages()) {
    std::fprintf(stderr, "velmora_sync_probe: no DrawDib\n");
    return 1;
  }
  if (argc > 3 && std::strcmp(argv[3], "primary") == 0 && !SetPrimaryFormat(sound)) {
    std::fprintf(stderr, "velmora_sync_probe: the primary buffer's format can't be set\n");
    return 1;
  }
  g_probe.buffer = MakeSound(sound);
  if (g_probe.buffer == nullptr || FAILED(g_probe.buffer->Play(0, 0, DSBPLAY_LOOPING))) {
    std::fprintf(stderr, "velmora_sync_probe: the sound buffer does not play\n");
    return 1;
  }
  HANDLE painter = nullptr;
  if (g_probe.mode == Mode::kMain) {
    SetTimer(g_probe.window, 1, 1, nullptr);
  } else {
    painter = CreateThread(nullptr, 0, PaintThread, nullptr, 0, nullptr);
  }
  const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
  MSG message;
  while (GetTickCount() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  g_probe.stop = true;
  if (painter != nullptr) {
    WaitForSingleObject(painter, INFINITE);
    CloseHandle(painter);
  }
  g_probe.buffer->Stop();
  g_probe.buffer->Release();
  if (g_probe.primary != nullptr) g_probe.primary->Release();
  sound->Release();
  if (g_probe.drawDib != nullptr) DrawDibClose(g_probe.drawDib);
  std::printf("velmora_sync_probe: %d frames painted in %d s\n", g_probe.painted.load(), seconds);
  auto pace = [&](const char* what, const LARGE_INTEGER& from, int64_t fromBytes) {
    const double counted = double(g_probe.lastCount.QuadPart - from.QuadPart) /
                           double(g_probe.frequency.QuadPart);
    const double played = double(g_probe.cursorBytes - fromBytes) / (2.0 * kRate);
    if (counted <= 0) return;
    std::printf("velmora_sync_probe: %s, the play cursor ran %.3f s in %.3f s of the "
                "performance counter: %+.0f ppm\n", what, played, counted,
                (played / counted - 1) * 1e6);
  };
  if (g_probe.cursorBytes >= 0) pace("from the start", g_probe.firstCount, 0);
  if (g_probe.minuteBytes >= 0) pace("after the first minute", g_probe.minuteCount, g_probe.minuteBytes);
  timeEndPeriod(1);
  return 0;
}
