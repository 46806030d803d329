#include <gtest/gtest.h>

#include "platform/worker_thread.h"

#include <atomic>
#include <thread>

namespace {

// A routine that counts its passes until stopped (or, with setPriority, sets
// its own priority every pass, as the video thread does) and notes its end.
struct Routine {
  WorkerThread* thread = nullptr;
  bool setPriority = false;
  std::atomic<int> passes{0};
  std::atomic<bool> ended{false};
};

DWORD WINAPI RunUntilStopped(LPVOID argument) {
  auto* r = static_cast<Routine*>(argument);
  while (r->thread->IsRunning()) {
    if (r->setPriority) {
      r->thread->SetPriority(r->passes % 2 == 0 ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_ABOVE_NORMAL);
    }
    ++r->passes;
    std::this_thread::yield();
  }
  r->ended = true;
  return 0;
}

void WaitForPasses(const Routine& r, int passes) {
  while (r.passes < passes) std::this_thread::yield();
}

// Stop waits for the routine's end, is safe without a thread and twice, and
// the object takes a new thread after it; the destructor stops a running one.
TEST(WorkerThread, StopWaitsForTheEndAndTheObjectTakesANewThread) {
  Routine first, second;
  {
    WorkerThread thread;
    thread.Stop();
    first.thread = second.thread = &thread;
    ASSERT_TRUE(thread.Create(RunUntilStopped, &first));
    EXPECT_TRUE(thread.IsRunning());
    WaitForPasses(first, 3);
    thread.Stop();
    EXPECT_TRUE(first.ended);
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    ASSERT_TRUE(thread.Create(RunUntilStopped, &second));
    EXPECT_TRUE(thread.IsRunning());
    WaitForPasses(second, 1);
    EXPECT_FALSE(second.ended);
  }
  EXPECT_TRUE(second.ended);
}

// The thread and the window's thread set the priority at the same time
// (ThreadSanitizer sees any unguarded access); once stopped, nothing is set.
TEST(WorkerThread, PrioritiesSetFromTwoThreadsAtOnce) {
  WorkerThread thread;
  Routine setter;
  setter.thread = &thread;
  setter.setPriority = true;
  ASSERT_TRUE(thread.Create(RunUntilStopped, &setter));
  for (int i = 0; i < 2000 || setter.passes < 100; ++i) {
    thread.SetPriority(i % 2 == 0 ? THREAD_PRIORITY_BELOW_NORMAL : THREAD_PRIORITY_NORMAL);
  }
  thread.Stop();
  thread.SetPriority(THREAD_PRIORITY_TIME_CRITICAL);
  EXPECT_NE(thread.LastPriority(), THREAD_PRIORITY_TIME_CRITICAL);
}

}  // namespace
