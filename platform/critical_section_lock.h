// Holds a critical section for the life of the object. Critical sections are
// re-entrant, which the decoder's synchronous delivery through the graph
// relies on: the reading thread holds a lock while the decompressor calls
// back into the grabber on the same thread.
#pragma once

#include "platform/win32.h"

class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CRITICAL_SECTION* section) : section_(section) {
    EnterCriticalSection(section_);
  }
  ~CriticalSectionLock() { LeaveCriticalSection(section_); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CRITICAL_SECTION* section_;
};
