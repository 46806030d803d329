// A small value (a rectangle) that one thread writes and others read whole:
// both sides go through the value's own lock, so a reader never sees half of
// an update.
#pragma once

#include "platform/critical_section_lock.h"
#include "platform/win32.h"

template <typename T>
class LockedValue {
 public:
  explicit LockedValue(const T& value = T()) : value_(value) { InitializeCriticalSection(&lock_); }
  ~LockedValue() { DeleteCriticalSection(&lock_); }
  LockedValue(const LockedValue&) = delete;
  LockedValue& operator=(const LockedValue&) = delete;

  T Get() {
    CriticalSectionLock lock(&lock_);
    return value_;
  }
  void Set(const T& value) {
    CriticalSectionLock lock(&lock_);
    value_ = value;
  }

 private:
  CRITICAL_SECTION lock_;
  T value_;
};
