#include "settings/shared_options.h"

#include "platform/critical_section_lock.h"

#include <cstring>

namespace {

// The published copy with its lock; made on first use, so that it is there
// whatever static initialisation order the program has.
struct Published {
  Published() {
    InitializeCriticalSection(&lock);
    std::memcpy(&options, &g_options, sizeof options);
  }
  CRITICAL_SECTION lock;
  Options options;
};

Published& TheCopy() {
  static Published published;
  return published;
}

}  // namespace

void PublishOptions() {
  Published& copy = TheCopy();
  CriticalSectionLock lock(&copy.lock);
  std::memcpy(&copy.options, &g_options, sizeof copy.options);
}

Options PublishedOptions() {
  Published& copy = TheCopy();
  CriticalSectionLock lock(&copy.lock);
  return copy.options;
}
