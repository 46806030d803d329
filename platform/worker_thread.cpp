#include "platform/worker_thread.h"

#include "platform/critical_section_lock.h"

WorkerThread::WorkerThread() { InitializeCriticalSection(&lock_); }

WorkerThread::~WorkerThread() {
  Stop();
  DeleteCriticalSection(&lock_);
}

bool WorkerThread::Create(Routine routine, LPVOID argument) {
  Stop();
  {
    CriticalSectionLock lock(&lock_);
    stopFlag_ = 0;
  }
  handle_ = CreateThread(nullptr, 0, routine, argument, 0, &threadId_);
  if (handle_ == nullptr) return false;
  SetThreadPriority(handle_, THREAD_PRIORITY_NORMAL);
  lastPriority_ = THREAD_PRIORITY_NORMAL;
  return true;
}

bool WorkerThread::IsRunning() {
  CriticalSectionLock lock(&lock_);
  return stopFlag_ == 0;
}

void WorkerThread::SetPriority(int priority) {
  if (handle_ == nullptr || priority == lastPriority_) return;
  SetThreadPriority(handle_, priority);
  lastPriority_ = priority;
}

void WorkerThread::Stop() {
  {
    CriticalSectionLock lock(&lock_);
    stopFlag_ = 1;
  }
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
