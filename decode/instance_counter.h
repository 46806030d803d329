// Counts the live objects of one class, so that tests can see that a graph
// built and released, or a hundred files opened and closed, leave no filter,
// pin, enumerator or sample of ours behind. Derive privately from
// InstanceCounter<YourClass>.
#pragma once

#include <atomic>

template <class T>
class InstanceCounter {
 public:
  static int Live() { return live_.load(); }

 protected:
  InstanceCounter() { ++live_; }
  InstanceCounter(const InstanceCounter&) { ++live_; }
  ~InstanceCounter() { --live_; }

 private:
  static inline std::atomic<int> live_{0};
};
