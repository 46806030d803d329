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
  // The new thread may set its own priority before CreateThread returns here:
  // the handle and the last priority are only touched under the lock.
  CriticalSectionLock lock(&lock_);
  DWORD id = 0;
  handle_ = CreateThread(nullptr, 0, routine, argument, 0, &id);
  threadId_ = id;
  if (handle_ == nullptr) return false;
  SetThreadPriority(handle_, THREAD_PRIORITY_NORMAL);
  lastPriority_ = THREAD_PRIORITY_NORMAL;
  return true;
}

bool WorkerThread::IsRunning() {
  CriticalSectionLock lock(&lock_);
  return stopFlag_ == 0;
}

int WorkerThread::LastPriority() {
  CriticalSectionLock lock(&lock_);
  return lastPriority_;
}

void WorkerThread::SetPriority(int priority) {
  CriticalSectionLock lock(&lock_);
  if (handle_ == nullptr || priority == lastPriority_) return;
  SetThreadPriority(handle_, priority);
  lastPriority_ = priority;
}

void WorkerThread::Stop() {
  {
    CriticalSectionLock lock(&lock_);
    stopFlag_ = 1;
  }
  HANDLE handle = nullptr;
  {
    CriticalSectionLock lock(&lock_);
    handle = handle_;
  }
  if (handle == nullptr) return;
  WaitForSingleObject(handle, INFINITE);  // the routine may still take the lock meanwhile
  CriticalSectionLock lock(&lock_);
  CloseHandle(handle_);
  handle_ = nullptr;
}

void WorkerThread::Suspend() {
  CriticalSectionLock lock(&lock_);
  if (handle_ != nullptr) SuspendThread(handle_);
}

void WorkerThread::Resume() {
  CriticalSectionLock lock(&lock_);
  if (handle_ != nullptr) ResumeThread(handle_);
}

void WorkerThread::Terminate() {
  CriticalSectionLock lock(&lock_);
  if (handle_ != nullptr) TerminateThread(handle_, 0);
}
