#include <gtest/gtest.h>

#include "platform/worker_thread.h"

#include <atomic>

namespace {

struct Counter {
  WorkerThread* thread = nullptr;
  std::atomic<int> passes{0};
};

DWORD WINAPI CountUntilStopped(LPVOID argument) {
  auto* c = static_cast<Counter*>(argument);
  while (c->thread->IsRunning()) {
    ++c->passes;
    Sleep(1);
  }
  return 0;
}

// The routine really ended: its count no longer moves.
void ExpectEnded(const Counter& counter) {
  const int after = counter.passes;
  Sleep(20);
  EXPECT_EQ(counter.passes, after);
}

// Stop waits for the routine's end, is safe without a thread and twice, and
// the object takes a new thread after it; the destructor stops a running one.
TEST(WorkerThread, StopWaitsForTheEndAndTheObjectTakesANewThread) {
  Counter first, second;
  {
    WorkerThread thread;
    thread.Stop();
    first.thread = second.thread = &thread;
    ASSERT_TRUE(thread.Create(CountUntilStopped, &first));
    EXPECT_TRUE(thread.IsRunning());
    while (first.passes < 3) Sleep(1);
    thread.Stop();
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    ExpectEnded(first);
    ASSERT_TRUE(thread.Create(CountUntilStopped, &second));
    EXPECT_TRUE(thread.IsRunning());
    while (second.passes < 1) Sleep(1);
  }
  ExpectEnded(second);
}

struct PrioritySetter {
  WorkerThread* thread = nullptr;
  std::atomic<int> passes{0};
};

// Sets its own priority every pass, as the video thread does.
DWORD WINAPI SetOwnPriorityUntilStopped(LPVOID argument) {
  auto* s = static_cast<PrioritySetter*>(argument);
  while (s->thread->IsRunning()) {
    s->thread->SetPriority(s->passes++ % 2 == 0 ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_ABOVE_NORMAL);
  }
  return 0;
}

// The thread and the window's thread set the priority at the same time
// (ThreadSanitizer sees any unguarded access); the last value set is kept.
TEST(WorkerThread, PrioritiesSetFromTwoThreadsAtOnce) {
  WorkerThread thread;
  PrioritySetter setter;
  setter.thread = &thread;
  ASSERT_TRUE(thread.Create(SetOwnPriorityUntilStopped, &setter));
  for (int i = 0; i < 2000 || setter.passes < 100; ++i) {
    thread.SetPriority(i % 2 == 0 ? THREAD_PRIORITY_BELOW_NORMAL : THREAD_PRIORITY_NORMAL);
  }
  thread.Stop();
  thread.SetPriority(THREAD_PRIORITY_TIME_CRITICAL);  // no thread: nothing is set
  EXPECT_NE(thread.LastPriority(), THREAD_PRIORITY_TIME_CRITICAL);
}

}  // namespace
