#include "tests/common/failing_allocations.h"

#include <atomic>
#include <new>

namespace {

std::atomic<size_t> g_smallest{1};
std::atomic<size_t> g_largest{0};  // below smallest: nothing fails
std::atomic<int> g_refused{0};

// The nothrow forms over the plain ones, so that every delete matches.
void* Allocate(size_t bytes, bool array) {
  if (bytes >= g_smallest.load() && bytes <= g_largest.load()) {
    ++g_refused;
    return nullptr;
  }
  try {
    return array ? ::operator new[](bytes) : ::operator new(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes, false); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes, true); }

FailingAllocations::FailingAllocations(size_t smallest, size_t largest) {
  g_refused = 0;
  g_smallest = smallest;
  g_largest = largest;
}

FailingAllocations::~FailingAllocations() {
  g_smallest = 1;
  g_largest = 0;
}

int FailingAllocations::Refused() const { return g_refused.load(); }
