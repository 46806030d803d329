#include <gtest/gtest.h>

#include "platform/worker_thread.h"

#include <atomic>

namespace {

struct Counter {
  WorkerThread* thread = nullptr;
  std::atomic<int> passes{0};
  std::atomic<bool> started{false};
};

DWORD WINAPI CountUntilStopped(LPVOID argument) {
  auto* c = static_cast<Counter*>(argument);
  c->started = true;
  while (c->thread->IsRunning()) {
    ++c->passes;
    Sleep(1);
  }
  return 0;
}

TEST(WorkerThread, RunsUntilStoppedAndStopWaitsForTheEnd) {
  WorkerThread thread;
  Counter counter;
  counter.thread = &thread;
  ASSERT_TRUE(thread.Create(CountUntilStopped, &counter));
  EXPECT_TRUE(thread.IsRunning());
  while (counter.passes < 3) Sleep(1);
  thread.Stop();
  EXPECT_FALSE(thread.IsRunning());
  const int after = counter.passes;
  Sleep(20);
  EXPECT_EQ(counter.passes, after);  // the routine really ended
}

// Stop is safe without a thread and twice; the object takes a new thread
// after a stop.
TEST(WorkerThread, CanBeCreatedAgainAfterStop) {
  WorkerThread thread;
  thread.Stop();
  Counter first, second;
  first.thread = second.thread = &thread;
  ASSERT_TRUE(thread.Create(CountUntilStopped, &first));
  while (!first.started) Sleep(1);
  thread.Stop();
  thread.Stop();
  EXPECT_FALSE(thread.IsRunning());
  ASSERT_TRUE(thread.Create(CountUntilStopped, &second));
  EXPECT_TRUE(thread.IsRunning());
  while (second.passes < 1) Sleep(1);
  thread.Stop();
}

TEST(WorkerThread, PriorityIsRememberedAndOnlyChangedWhenDifferent) {
  WorkerThread thread;
  Counter counter;
  counter.thread = &thread;
  ASSERT_TRUE(thread.Create(CountUntilStopped, &counter));
  EXPECT_EQ(thread.LastPriority(), THREAD_PRIORITY_NORMAL);
  thread.SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
  EXPECT_EQ(thread.LastPriority(), THREAD_PRIORITY_ABOVE_NORMAL);
  thread.SetPriority(THREAD_PRIORITY_BELOW_NORMAL);
  EXPECT_EQ(thread.LastPriority(), THREAD_PRIORITY_BELOW_NORMAL);
  thread.Stop();
}

TEST(WorkerThread, DestructorStopsARunningThread) {
  Counter counter;
  {
    WorkerThread thread;
    counter.thread = &thread;
    ASSERT_TRUE(thread.Create(CountUntilStopped, &counter));
    while (!counter.started) Sleep(1);
  }
  // The destructor waited for the routine: the count no longer moves.
  const int after = counter.passes;
  Sleep(20);
  EXPECT_EQ(counter.passes, after);
}

}  // namespace
