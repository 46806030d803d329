// The clock that paces the picture, and the time source under it.
#pragma once

#include <cstdint>

// Where the playback threads get their time and their sleep. The program uses
// the performance counter and Sleep (SystemTime); tests script both.
class PlaybackTime {
 public:
  virtual ~PlaybackTime() {}
  // QueryPerformanceFrequency: false when there is no counter.
  virtual bool Frequency(int64_t* countsPerSecond) = 0;
  // QueryPerformanceCounter.
  virtual int64_t Counter() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

// The performance counter and Sleep of the system.
PlaybackTime* SystemTime();

// Counts video frames since its last restart, at the stream's rate / scale.
class PlaybackClock {
 public:
  explicit PlaybackClock(PlaybackTime* time);

  // Takes the frequency (50,000 when there is no counter, 1 instead of 0)
  // and restarts.
  void Create(int32_t rate, int32_t scale);
  void Restart();
  // (counter - start) x rate / scale / frequency, signed 64-bit in that order:
  // the frames that should have been shown since the restart.
  int64_t Now() const;

  int64_t Frequency() const { return frequency_; }

 private:
  PlaybackTime* time_;
  int64_t startCount_ = 0;
  int64_t frequency_ = 1;
  int32_t rate_ = 1;
  int32_t scale_ = 1;
  int64_t lastValue_ = 0;  // the value at the last restart
};
