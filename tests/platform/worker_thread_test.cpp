#include <gtest/gtest.h>

#include "platform/worker_thread.h"

#include <atomic>
#include <thread>

namespace {

// A routine that sets its own priority every pass, as the video thread
// does, and counts its passes until stopped.
struct Routine {
  WorkerThread* thread = nullptr;
  std::atomic<int> passes{0};
};

DWORD WINAPI RunUntilStopped(LPVOID argument) {
  auto* r = static_cast<Routine*>(argument);
  while (r->thread->IsRunning()) {
    r->thread->SetPriority(r->passes % 2 == 0 ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_ABOVE_NORMAL);
    ++r->passes;
    std::this_thread::yield();
  }
  return 0;
}

// The thread and the window's thread set the priority at the same time
// (ThreadSanitizer sees any unguarded access); once stopped, nothing is set.
// (Stop waiting for the routine's end, and the destructor stopping a running
// thread: the media threading test's reader, closed or opened again while
// its read-ahead thread loads.)
TEST(WorkerThread, PrioritiesSetFromTwoThreadsAtOnce) {
  WorkerThread thread;
  Routine setter{&thread};
  ASSERT_TRUE(thread.Create(RunUntilStopped, &setter));
  for (int i = 0; i < 2000 || setter.passes < 100; ++i) {
    thread.SetPriority(i % 2 == 0 ? THREAD_PRIORITY_BELOW_NORMAL : THREAD_PRIORITY_NORMAL);
  }
  thread.Stop();
  thread.SetPriority(THREAD_PRIORITY_TIME_CRITICAL);
  EXPECT_NE(thread.LastPriority(), THREAD_PRIORITY_TIME_CRITICAL);
}

}  // namespace
