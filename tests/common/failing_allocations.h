// Makes the program's checked allocations (new (std::nothrow)) of a size
// within [smallest, largest] bytes fail while the object lives, as on a
// machine out of memory. Other allocations go on as before.
#pragma once

#include <cstddef>

class FailingAllocations {
 public:
  FailingAllocations(size_t smallest, size_t largest);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;

  // The allocations refused so far.
  int Refused() const;
};
