// win_playback_probe: a scripted measurement, not a test. It plays one clip
// with the program's own player, sound output and presenter (and the
// installed decoder) and reports what the player did:
//
//   win_playback_probe CLIP.avi [--seconds N]
//   win_playback_probe --synthetic WxH SECONDS
//
// The synthetic source decodes instantly (25 fps, 44,100 Hz 16-bit stereo in
// blocks of two frames), so that the engine and the outputs are measured
// without a decompressor's cost.
//
//  - the picture's offset against the sound: for every frame the video thread
//    presents while playing, the frame's time against the sound's time at
//    that moment, taken two ways: from the blocks-written counter (the clock
//    the engine follows) and from the play cursor followed round the buffer;
//  - the drift of that offset (least squares, milliseconds per minute);
//
// PROBE_MODE=n sets the "Speed Troubles Mode"; PROBE_TRACE=n lists the first
// n presentations; PROBE_SILENT makes the synthetic source silent.
//  - frames shown and dropped;
//  - the process's CPU time (user + kernel) per second of playback.
#include "app/application.h"
#include "app/options.h"
#include "app/shell.h"
#include "audio/sound_output.h"
#include "decode/decoder_holder.h"
#include "engine/player.h"
#include "engine/video_thread.h"
#include "engine_fakes.h"
#include "playlist/playlist.h"
#include "video/video_presenter.h"

#include <mmsystem.h>
#include <dsound.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Presentation {
  int64_t counter;      // QueryPerformanceCounter
  int32_t frame;
  int32_t blocks;       // blocks-written counter
  DWORD playCursor;     // bytes into the sound buffer
  bool playing;
  int32_t target;       // the clock's target frame
};

// The presenter, recording each frame that goes out.
class RecordingPicture : public PicturePort {
 public:
  RecordingPicture(VideoPresenter* presenter, SoundOutput* sound)
      : presenter_(presenter), sound_(sound) {
    records_.reserve(1 << 20);
  }
  void SetPlayer(Player* player) { player_ = player; }

  bool Setup(IDirectDraw* directDraw, HWND window, const RECT* videoRect, int32_t width,
             int32_t height, int32_t pitch, uint32_t allowFlags) override {
    return presenter_->Setup(directDraw, window, videoRect, width, height, pitch, allowFlags);
  }
  bool Present(const uint8_t* frame) override {
    const bool shown = presenter_->Present(frame);
    if (shown) ++drawn_;
    Presentation p;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    p.counter = now.QuadPart;
    p.frame = player_->CurrentFrame();
    p.blocks = sound_->GetBlockCounter();
    DWORD write = 0;
    p.playCursor = 0;
    if (IDirectSoundBuffer* buffer = sound_->Buffer()) buffer->GetCurrentPosition(&p.playCursor, &write);
    p.playing = player_->State() == kPlaying;
    p.target = player_->Stream().targetFrame.load();
    records_.push_back(p);
    return shown;
  }
  void Release() override { presenter_->Release(); }
  void Shutdown() override { presenter_->Shutdown(); }
  int32_t Mode() override { return presenter_->Mode(); }

  const std::vector<Presentation>& Records() const { return records_; }
  int64_t Drawn() const { return drawn_; }

 private:
  VideoPresenter* presenter_;
  SoundOutput* sound_;
  Player* player_ = nullptr;
  std::vector<Presentation> records_;
  int64_t drawn_ = 0;  // presentations that reached the window
};

bool g_nextFile = false;
int g_trace = 0;  // frames to list one by one

int32_t g_syntheticWidth = 320;
int32_t g_syntheticHeight = 240;
int32_t g_syntheticSeconds = 10;

Decoder* OpenSynthetic(const char*, std::string*, bool* opened) {
  FakeDecoder* decoder = new FakeDecoder;
  decoder->width_ = g_syntheticWidth;
  decoder->height_ = g_syntheticHeight;
  decoder->frameCount_ = 25 * g_syntheticSeconds;
  decoder->hasAudio_ = std::getenv("PROBE_SILENT") == nullptr;
  decoder->stereo_ = 1;
  decoder->sixteenBit_ = 1;
  decoder->sampleRate_ = 44100;
  decoder->samplesPerBlock_ = 3528;
  *opened = true;
  return decoder;
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == kCommandNextFile) g_nextFile = true;
    return 0;
  }
  if (message == WM_SIZE) Repaint();  // lays out the video rectangle, as the shell does
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow() {
  WNDCLASSA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = ProbeWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "VelmoraProbe";
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "VelmoraProbe", "probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700,
                         560, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

struct Line {
  double slope = 0;  // y per x
  double intercept = 0;
};

Line LeastSquares(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    sx += x[i];
    sy += y[i];
    sxx += x[i] * x[i];
    sxy += x[i] * y[i];
  }
  Line line;
  const double d = n * sxx - sx * sx;
  if (d != 0) line.slope = (n * sxy - sx * sy) / d;
  line.intercept = (sy - line.slope * sx) / n;
  return line;
}

struct Stats {
  double mean = 0, sd = 0, low = 0, high = 0;
};

Stats StatsOf(const std::vector<double>& values) {
  Stats stats;
  if (values.empty()) return stats;
  double sum = 0;
  stats.low = stats.high = values[0];
  for (double v : values) {
    sum += v;
    stats.low = v < stats.low ? v : stats.low;
    stats.high = v > stats.high ? v : stats.high;
  }
  stats.mean = sum / values.size();
  double squares = 0;
  for (double v : values) squares += (v - stats.mean) * (v - stats.mean);
  stats.sd = std::sqrt(squares / values.size());
  return stats;
}

void PrintOffsets(const char* against, const std::vector<double>& when,
                  const std::vector<double>& offset, double frameMs) {
  const Stats s = StatsOf(offset);
  const Line line = LeastSquares(when, offset);
  std::printf("picture - sound against %s (ms): mean %.1f, sd %.1f, min %.1f, max %.1f; "
              "drift %.2f ms/min (one frame %.1f ms)\n",
              against, s.mean, s.sd, s.low, s.high, line.slope * 60.0, frameMs);
  std::printf("  per second:");
  size_t first = 0;
  for (size_t i = 1; i <= when.size(); ++i) {
    if (i < when.size() && when[i] - when[first] < 1.0) continue;
    double sum = 0;
    for (size_t k = first; k < i; ++k) sum += offset[k];
    std::printf(" %.0f", sum / (i - first));
    first = i;
  }
  std::printf("\n");
}

// Two references for the sound's time at each presentation: the engine's own
// (start block + blocks-written counter, plus the cursor's place inside the
// playing block) and the play cursor alone, followed round the looping buffer
// from the start of playing (what is being handed to the sound device).
void Report(const std::vector<Presentation>& records, const PlaybackStream& stream,
            int32_t blockBytes, int32_t bufferBytes, int32_t frameBytes) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  if (!stream.soundPlays || blockBytes <= 0 || bufferBytes <= 0) {
    std::printf("no sound: no offsets\n");
    return;
  }
  std::vector<double> when, byCounter, byCursor;
  const double startTime =
      static_cast<double>(stream.startBlock) * stream.blockLength / stream.sampleRate;
  int64_t playedBytes = 0;
  DWORD lastCursor = 0;
  bool started = false;
  for (const Presentation& p : records) {
    if (!p.playing) continue;
    if (started) playedBytes += (p.playCursor + bufferBytes - lastCursor) % bufferBytes;
    lastCursor = p.playCursor;
    started = true;
    const double frameTime = static_cast<double>(p.frame) * stream.scale / stream.rate;
    const double intoBlock = static_cast<double>(p.playCursor % blockBytes) / frameBytes;
    const double counterTime =
        (static_cast<double>(stream.startBlock + p.blocks) * stream.blockLength + intoBlock) /
        stream.sampleRate;
    const double cursorTime =
        startTime + static_cast<double>(playedBytes) / frameBytes / stream.sampleRate;
    when.push_back(static_cast<double>(p.counter) / frequency.QuadPart);
    byCounter.push_back((frameTime - counterTime) * 1000.0);
    byCursor.push_back((frameTime - cursorTime) * 1000.0);
  }
  if (when.empty()) {
    std::printf("no frames presented while playing\n");
    return;
  }
  if (g_trace > 0) {
    int shown = 0;
    for (const Presentation& p : records) {
      if (!p.playing || shown++ >= g_trace) continue;
      std::printf("t %.3f frame %d target %d blocks %d cursor %lu\n",
                  static_cast<double>(p.counter - records[0].counter) / frequency.QuadPart,
                  p.frame, p.target, p.blocks, static_cast<unsigned long>(p.playCursor));
    }
  }
  const double frameMs = 1000.0 * stream.scale / stream.rate;
  std::printf("%zu frames presented while playing, over %.0f s\n", when.size(),
              when.back() - when.front());
  PrintOffsets("the blocks-written counter", when, byCounter, frameMs);
  PrintOffsets("the play cursor", when, byCursor, frameMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: win_playback_probe CLIP.avi [--seconds N]\n"
                 "       win_playback_probe --synthetic WxH SECONDS\n");
    return 2;
  }
  int seconds = 0;
  const char* clip = argv[1];
  if (std::strcmp(argv[1], "--synthetic") == 0) {
    if (argc < 4 || std::sscanf(argv[2], "%dx%d", &g_syntheticWidth, &g_syntheticHeight) != 2) {
      return 2;
    }
    g_syntheticSeconds = std::atoi(argv[3]);
    DecoderHolder::SetOpenFunction(OpenSynthetic);
    clip = "synthetic.avi";
  } else if (argc >= 4 && std::strcmp(argv[2], "--seconds") == 0) {
    seconds = std::atoi(argv[3]);
  }
  if (const char* trace = std::getenv("PROBE_TRACE")) g_trace = std::atoi(trace);
  if (const char* mode = std::getenv("PROBE_MODE")) g_options.speedTroublesMode = std::atoi(mode);
  std::printf("speed troubles mode %u, frame buffer option %u\n", g_options.speedTroublesMode,
              g_options.frameBufferSize);

  // The display's DirectDraw object, made at start-up as the program does.
  if (DirectDrawCreate(nullptr, &g_directDraw, nullptr) == DD_OK) {
    g_directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
  } else {
    g_directDraw = nullptr;
  }
  g_mainWindow = MakeWindow();
  SoundOutput sound;
  VideoPresenter presenter;
  DecoderHolder holder;
  Playlist playlist;
  playlist.SetText(clip);
  g_soundOutput = &sound;
  g_presenter = &presenter;
  g_decoderHolder = &holder;
  g_playlist = &playlist;
  g_app.currentIndex = 0;

  RecordingPicture recorder(&presenter, &sound);
  PlaybackPorts ports = ApplicationPorts();
  ports.picture = &recorder;
  Player player(ports);
  recorder.SetPlayer(&player);
  g_player = &player;

  if (!player.OpenWithSubtitles()) {
    std::fprintf(stderr, "cannot open %s\n", clip);
    return 1;
  }
  const int32_t blockBytes = sound.BlockSize();
  const int32_t bufferBytes = blockBytes * sound.BlockCount();
  const PlaybackStream& stream = player.Stream();
  const int32_t frameBytes = (stream.stereo ? 2 : 1) * (stream.sixteenBit ? 2 : 1);
  Repaint();
  const double cpuBefore = CpuSeconds();
  const DWORD start = GetTickCount();
  LARGE_INTEGER playAt;
  QueryPerformanceCounter(&playAt);
  player.Play();
  MSG message;
  while (!g_nextFile) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (seconds > 0 && GetTickCount() - start > static_cast<DWORD>(seconds) * 1000) break;
    Sleep(10);
  }
  const double wall = (GetTickCount() - start) / 1000.0;
  LARGE_INTEGER endAt, frequency;
  QueryPerformanceCounter(&endAt);
  QueryPerformanceFrequency(&frequency);
  if (!recorder.Records().empty()) {
    std::printf("first frame %.3f s after play, next file %.3f s after the last frame\n",
                static_cast<double>(recorder.Records().front().counter - playAt.QuadPart) /
                    frequency.QuadPart,
                static_cast<double>(endAt.QuadPart - recorder.Records().back().counter) /
                    frequency.QuadPart);
  }
  const double cpu = CpuSeconds() - cpuBefore;
  const int32_t shown = player.CurrentFrame();
  const int32_t dropped = player.DroppedFrames();
  player.Pause();
  Report(recorder.Records(), stream, blockBytes, bufferBytes, frameBytes);
  std::printf("frames passed %d, dropped %d, drawn %lld (%dx%d into %ldx%ld, mode %s); "
              "sound blocks written %d\n",
              shown, dropped, static_cast<long long>(recorder.Drawn()), player.VideoWidth(),
              player.VideoHeight(), static_cast<long>(g_app.videoRect.right - g_app.videoRect.left),
              static_cast<long>(g_app.videoRect.bottom - g_app.videoRect.top),
              PresentModeName(presenter.Mode()), sound.GetBlockCounter());
  std::printf("played %.1f s; CPU %.2f s = %.1f %% of one core\n", wall, cpu,
              100.0 * cpu / (wall > 0 ? wall : 1));
  player.Close();
  g_player = nullptr;
  return 0;
}
