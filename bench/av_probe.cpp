// velmora_av_probe: plays one clip in the real shell and reports what the
// program did (a measurement, not a test; bench/measure_playback.sh
// runs it):
//
//   velmora_av_probe CLIP.avi [RECORDS.csv]
//
// Every frame the video thread hands to the presenter is recorded with the
// sound output's blocks-written counter at that moment. From those it prints
// the offset of the picture against the sound's clock (the frame presented
// against the frame the counter stands for), minute by minute to show drift;
// the flash frames of a sync clip (tools/demo_clip --flash) found in the
// pictures themselves; frames shown and dropped; and the process's CPU time
// per second of playback.
#include "app/application.h"
#include "app/application_ports.h"
#include "settings/options.h"
#include "platform/show_message.h"
#include "app/startup.h"
#include "app/shell.h"
#include "audio/sound_output.h"
#include "engine/player.h"
#include "video/video_presenter.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct PresentRecord {
  int64_t counter;      // QueryPerformanceCounter
  int32_t frame;        // the player's current frame: the frame being presented
  int32_t blocks;       // the blocks-written counter
  uint8_t meanLuma;     // of the frame's pixels (sampled)
};

// Passes every call to the presenter and notes each presented frame.
class RecordingPicture : public PicturePort {
 public:
  explicit RecordingPicture(PicturePort* inner) : inner_(inner) { records_.reserve(1 << 20); }

  bool Setup(IDirectDraw* directDraw, HWND window, const RECT* videoRect, int32_t width,
             int32_t height, int32_t pitch, uint32_t allowFlags) override {
    width_ = width;
    height_ = height;
    pitch_ = pitch;
    return inner_->Setup(directDraw, window, videoRect, width, height, pitch, allowFlags);
  }

  bool Present(const uint8_t* frame, const Options& options) override {
    PresentRecord record;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    record.counter = now.QuadPart;
    record.frame = g_player->CurrentFrame();
    record.blocks = g_soundOutput->GetBlockCounter();
    record.meanLuma = MeanLuma(frame);
    if (records_.size() < records_.capacity()) records_.push_back(record);
    return inner_->Present(frame, options);
  }

  void Release() override { inner_->Release(); }
  void Shutdown() override { inner_->Shutdown(); }
  int32_t Mode() override { return inner_->Mode(); }

  const std::vector<PresentRecord>& Records() const { return records_; }

 private:
  uint8_t MeanLuma(const uint8_t* frame) const {
    if (frame == nullptr || width_ <= 0 || height_ <= 0) return 0;
    int64_t sum = 0;
    int64_t count = 0;
    for (int32_t y = 0; y < height_; y += 8) {
      const uint8_t* row = frame + static_cast<size_t>(y) * pitch_;
      for (int32_t x = 0; x < width_; x += 8) {
        sum += row[2 * x];  // Y of a YUY2 pixel
        ++count;
      }
    }
    return static_cast<uint8_t>(count > 0 ? sum / count : 0);
  }

  PicturePort* inner_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t pitch_ = 0;
  std::vector<PresentRecord> records_;
};

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

void Pump(int milliseconds, const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < static_cast<DWORD>(milliseconds)) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (done()) return;
    Sleep(5);
  }
}

struct StreamFacts {
  int32_t rate = 0, scale = 1, frames = 0;
  int32_t startBlock = 0, blockLength = 0, sampleRate = 0;
  bool sound = false;
};

// The frame the blocks-written counter stands for, as the video thread's
// lip sync computes it (without the displacement, which is 0 here).
double AudioFrame(const StreamFacts& s, int32_t blocks) {
  const int64_t perBlock = static_cast<int64_t>(s.blockLength) * s.rate;
  return static_cast<double>((s.startBlock + static_cast<int64_t>(blocks)) * perBlock) /
         (static_cast<double>(s.scale) * s.sampleRate);
}

void Report(const StreamFacts& s, const std::vector<PresentRecord>& records, int32_t dropped,
            double cpu, double seconds) {
  const double msPerFrame = 1000.0 * s.scale / s.rate;
  std::vector<const PresentRecord*> firsts;  // the first presentation of each frame
  int32_t last = -1;
  for (const PresentRecord& r : records) {
    if (r.frame != last) firsts.push_back(&r);
    last = r.frame;
  }
  std::printf("frames: %d in the file, %zu presented, %d dropped by the player\n", s.frames,
              firsts.size(), static_cast<int>(dropped));
  std::printf("cpu: %.2f s over %.1f s of playback = %.0f ms per second\n", cpu, seconds,
              1000.0 * cpu / seconds);
  if (!s.sound || firsts.empty()) return;

  // Offsets once the sound runs (the counter has moved).
  const int framesPerMinute = static_cast<int>(60.0 * s.rate / s.scale);
  double sum = 0, low = 1e9, high = -1e9;
  int count = 0;
  int minute = 0;
  double minuteSum = 0;
  int minuteCount = 0;
  for (const PresentRecord* r : firsts) {
    if (r->blocks <= 0) continue;
    const double offset = (r->frame - AudioFrame(s, r->blocks)) * msPerFrame;
    sum += offset;
    low = std::min(low, offset);
    high = std::max(high, offset);
    ++count;
    if (r->frame / framesPerMinute != minute) {
      if (minuteCount > 0) {
        std::printf("  minute %d: mean offset %+.1f ms over %d frames\n", minute + 1,
                    minuteSum / minuteCount, minuteCount);
      }
      minute = r->frame / framesPerMinute;
      minuteSum = 0;
      minuteCount = 0;
    }
    minuteSum += offset;
    ++minuteCount;
  }
  if (minuteCount > 0) {
    std::printf("  minute %d: mean offset %+.1f ms over %d frames\n", minute + 1,
                minuteSum / minuteCount, minuteCount);
  }
  const double blockMs = 1000.0 * s.blockLength / s.sampleRate;
  std::printf(
      "a/v offset (picture minus sound by the blocks-written counter; one block is %.1f ms): "
      "mean %+.1f ms, from %+.1f to %+.1f ms over %d frames\n",
      blockMs, count > 0 ? sum / count : 0.0, low, high, count);
  // A block is written when the one before it has finished playing, so the
  // sound is on average half a block past the counter.
  std::printf("a/v offset against the middle of the block playing: mean %+.1f ms\n",
              count > 0 ? sum / count - blockMs / 2 : 0.0);

  // Flashes: frames much brighter than the ones before them.
  int flashes = 0, misplaced = 0;
  double flashSum = 0, flashLow = 1e9, flashHigh = -1e9;
  const int fps = static_cast<int>(std::lround(static_cast<double>(s.rate) / s.scale));
  for (const PresentRecord* r : firsts) {
    if (r->meanLuma < 128) continue;
    ++flashes;
    if (fps > 0 && r->frame % fps != 0) ++misplaced;
    if (r->blocks <= 0) continue;
    const double offset = (r->frame - AudioFrame(s, r->blocks)) * msPerFrame;
    flashSum += offset;
    flashLow = std::min(flashLow, offset);
    flashHigh = std::max(flashHigh, offset);
  }
  if (flashes > 0) {
    std::printf("flashes: %d seen, %d not on a whole second; at the flashes the picture was "
                "%+.1f ms (from %+.1f to %+.1f) from the sound's clock\n",
                flashes, misplaced, flashSum / flashes, flashLow, flashHigh);
  }
}

// One line per presentation: seconds since the first, frame, blocks
// written, mean luma.
void WriteRecords(const char* path, const std::vector<PresentRecord>& records) {
  FILE* file = std::fopen(path, "w");
  if (file == nullptr || records.empty()) return;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::fprintf(file, "seconds,frame,blocks,luma\n");
  for (const PresentRecord& r : records) {
    std::fprintf(file, "%.4f,%d,%d,%d\n",
                 static_cast<double>(r.counter - records[0].counter) / frequency.QuadPart,
                 static_cast<int>(r.frame), static_cast<int>(r.blocks),
                 static_cast<int>(r.meanLuma));
  }
  std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: velmora_av_probe CLIP.avi [RECORDS.csv]\n");
    return 2;
  }
  SetMessageSink([](const ShownMessage& m) {
    std::printf("message box [%s] %s\n", m.caption.c_str(), m.text.c_str());
    return IDOK;
  });
  SetDefaultOptions(&g_options);
  g_options.fullscreenAsDefault = 0;
  if (!StartShell(GetModuleHandleA(nullptr), argv[1], SW_SHOWNORMAL)) return 1;
  RecordingPicture recorder(g_presenter);
  delete g_player;
  PlaybackPorts ports = ApplicationPorts();
  ports.picture = &recorder;
  g_player = new Player(ports);

  Pump(20000, [] { return g_player->State() == kPlaying; });
  StreamFacts facts;
  PlaybackRecord& record = g_player->Record();
  facts.rate = record.rate;
  facts.scale = record.scale;
  facts.frames = record.frameCount;
  facts.sound = record.soundPlays != 0;
  facts.startBlock = record.startBlock;
  facts.blockLength = record.blockLength;
  facts.sampleRate = record.sampleRate;
  std::printf("clip: %dx%d, %d frames at %d/%d per second, sound %s (%d Hz, %d samples a block)\n",
              static_cast<int>(record.width), static_cast<int>(record.height),
              static_cast<int>(facts.frames), static_cast<int>(facts.rate),
              static_cast<int>(facts.scale), facts.sound ? "on" : "off",
              static_cast<int>(facts.sampleRate), static_cast<int>(facts.blockLength));
  const double cpuBefore = CpuSeconds();
  const DWORD start = GetTickCount();
  const int limit = static_cast<int>(static_cast<int64_t>(facts.frames) * facts.scale * 1000 /
                                     std::max(facts.rate, 1)) + 60000;
  int32_t dropped = 0;
  Pump(limit, [&dropped] {
    dropped = g_player->DroppedFrames();
    return g_player->State() != kPlaying;
  });
  const double seconds = (GetTickCount() - start) / 1000.0;
  const double cpu = CpuSeconds() - cpuBefore;
  std::printf("played for %.1f s\n", seconds);
  Report(facts, recorder.Records(), dropped, cpu, seconds);
  if (argc == 3) WriteRecords(argv[2], recorder.Records());
  SendMessageA(g_mainWindow, WM_COMMAND, 105, 0);
  Pump(5000, [] { return g_mainWindow == nullptr; });
  ShutdownShell();
  return 0;
}
