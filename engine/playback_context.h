// What each playback thread works with: the open file's record, the ports,
// the decoder, the clock and the four thread objects. The player fills one
// under its lock when it starts a thread; tests build their own.
#pragma once

#include "engine/playback_clock.h"
#include "engine/playback_ports.h"
#include "engine/playback_record.h"
#include "platform/worker_thread.h"

class Decoder;

struct PlaybackContext {
  PlaybackRecord* record = nullptr;
  PlaybackPorts ports;
  Decoder* decoder = nullptr;
  PlaybackClock* clock = nullptr;
  // Null in tests: a missing thread object counts as running and its
  // priority is not set.
  WorkerThread* videoThread = nullptr;
  WorkerThread* videoFeeder = nullptr;
  WorkerThread* audioFeeder = nullptr;
  WorkerThread* audioOutput = nullptr;

  void Sleep(uint32_t milliseconds) const { ports.time->Sleep(milliseconds); }
};

// The thread object is running, or there is none (tests).
inline bool IsRunning(WorkerThread* thread) { return thread == nullptr || thread->IsRunning(); }

inline void SetPriority(WorkerThread* thread, int priority) {
  if (thread != nullptr) thread->SetPriority(priority);
}
