// The pause between two looks of a polling wait (the reader waiting for its
// block, the read-ahead thread waiting for a request).
//
// The reader and the read-ahead thread mostly wait for each other for the
// time of one block load, tens of microseconds, and a flat 100 ms sleep would
// cost a whole sleep per block: sequential reading then runs at about 5 MB/s.
// So the pause grows with the time since the last activity: it only gives up
// the time slice during the first millisecond, sleeps 1 ms up to 100 ms, and
// from then on sleeps the long idle sleep of 100 ms. An idle reader thus still
// wakes ten times a second, and no events are needed.
#pragma once

#include "platform/win32.h"

#include <cstdint>

class PollPacer {
 public:
  static constexpr DWORD kIdleSleepMs = 100;
  static constexpr int64_t kYieldSpellUs = 1000;
  static constexpr int64_t kShortSleepSpellUs = 100000;

  // The time starts at the first pause: most waits end before it, and reading
  // the counter on every read would cost more than the read.
  PollPacer() { since_.QuadPart = -1; }

  // Something happened: the next pauses start short again.
  void Restart() { QueryPerformanceCounter(&since_); }

  void Pause() {
    if (since_.QuadPart < 0) Restart();
    const int64_t waited = MicrosecondsSince(since_);
    if (waited < kYieldSpellUs) {
      Sleep(0);
    } else if (waited < kShortSleepSpellUs) {
      Sleep(1);
    } else {
      Sleep(kIdleSleepMs);
    }
  }

 private:
  static int64_t MicrosecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
  }

  LARGE_INTEGER since_;
};
