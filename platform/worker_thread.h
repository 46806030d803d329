// The thread object of every worker thread: the reader's read-ahead thread,
// the four playback threads and the sound output's notification thread.
//
// A thread routine polls IsRunning() and returns 0 once it turns false; Stop()
// sets the flag and waits for that without a time limit.
#pragma once

#include "platform/win32.h"

#include <cstdint>

class WorkerThread {
 public:
  typedef DWORD(WINAPI* Routine)(LPVOID argument);

  WorkerThread();
  ~WorkerThread();  // stops a thread that is still running
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts the routine at once (default security and stack), then sets the
  // normal priority. False when the thread could not be created.
  bool Create(Routine routine, LPVOID argument);

  // The stop flag is clear (read under the thread object's lock).
  bool IsRunning();

  // Calls SetThreadPriority only when the value differs from the last one
  // set. Any thread may call it (the thread itself every pass, the window's
  // thread while it stops playback).
  void SetPriority(int priority);

  // Sets the stop flag, waits for the routine's end and closes the handle.
  void Stop();

  void Suspend();
  void Resume();
  void Terminate();

  int LastPriority();

 private:
  // The handle, the stop flag and the last priority are guarded by lock_.
  HANDLE handle_ = nullptr;
  DWORD threadId_ = 0;
  CRITICAL_SECTION lock_;
  uint8_t stopFlag_ = 0;
  int32_t lastPriority_ = THREAD_PRIORITY_NORMAL;
};
