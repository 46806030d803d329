#include "engine/worker_thread.h"

WorkerThread::WorkerThread() { InitializeCriticalSection(&lock_); }

WorkerThread::~WorkerThread() {
  Stop();
  DeleteCriticalSection(&lock_);
}

bool WorkerThread::Create(Routine routine, LPVOID argument) {
  Stop();
  EnterCriticalSection(&lock_);
  stopFlag_ = 0;
  LeaveCriticalSection(&lock_);
  handle_ = CreateThread(nullptr, 0, routine, argument, 0, &threadId_);
  if (handle_ == nullptr) return false;
  SetThreadPriority(handle_, THREAD_PRIORITY_NORMAL);
  lastPriority_ = THREAD_PRIORITY_NORMAL;
  return true;
}

bool WorkerThread::IsRunning() {
  EnterCriticalSection(&lock_);
  const bool running = stopFlag_ == 0;
  LeaveCriticalSection(&lock_);
  return running;
}

void WorkerThread::SetPriority(int priority) {
  if (handle_ == nullptr || priority == lastPriority_) return;
  SetThreadPriority(handle_, priority);
  lastPriority_ = priority;
}

void WorkerThread::Stop() {
  EnterCriticalSection(&lock_);
  stopFlag_ = 1;
  LeaveCriticalSection(&lock_);
  if (handle_ == nullptr) return;
  WaitForSingleObject(handle_, INFINITE);
  CloseHandle(handle_);
  handle_ = nullptr;
}

void WorkerThread::Suspend() {
  if (handle_ != nullptr) SuspendThread(handle_);
}

void WorkerThread::Resume() {
  if (handle_ != nullptr) ResumeThread(handle_);
}

void WorkerThread::Terminate() {
  if (handle_ != nullptr) TerminateThread(handle_, 0);
}
