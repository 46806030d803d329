#include "engine/playback_clock.h"

#include "platform/win32.h"

namespace {

// The frequency taken when the performance counter can't be had.
constexpr int64_t kFallbackFrequency = 50000;

class SystemPlaybackTime : public PlaybackTime {
 public:
  bool Frequency(int64_t* countsPerSecond) override {
    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value)) return false;
    *countsPerSecond = value.QuadPart;
    return true;
  }
  int64_t Counter() override {
    LARGE_INTEGER value;
    value.QuadPart = 0;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
  }
  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

PlaybackTime* SystemTime() {
  static SystemPlaybackTime time;
  return &time;
}

PlaybackClock::PlaybackClock(PlaybackTime* time) : time_(time) {}

void PlaybackClock::Create(int32_t rate, int32_t scale) {
  rate_ = rate;
  scale_ = scale < 1 ? 1 : scale;
  int64_t frequency = 0;
  if (!time_->Frequency(&frequency)) frequency = kFallbackFrequency;
  frequency_ = frequency == 0 ? 1 : frequency;
  Restart();
}

void PlaybackClock::Restart() {
  startCount_ = time_->Counter();
  lastValue_ = Now();
}

int64_t PlaybackClock::Now() const {
  return (time_->Counter() - startCount_) * rate_ / scale_ / frequency_;
}
