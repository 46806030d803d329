#include "video/vector_level.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<int> g_cap{static_cast<int>(VectorLevel::kAvx2)};

VectorLevel Detect() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  // GCC and clang check that the operating system saves the YMM state too.
  if (__builtin_cpu_supports("avx2")) return VectorLevel::kAvx2;
  if (__builtin_cpu_supports("sse2")) return VectorLevel::kSse2;
#endif
  return VectorLevel::kScalar;
}

}  // namespace

VectorLevel DetectedVectorLevel() {
  static const VectorLevel detected = Detect();
  return detected;
}

VectorLevel CurrentVectorLevel() {
  int level = std::min(static_cast<int>(DetectedVectorLevel()),
                       g_cap.load(std::memory_order_relaxed));
  return static_cast<VectorLevel>(level);
}

ScopedVectorLevelCap::ScopedVectorLevelCap(VectorLevel cap)
    : previous_(static_cast<VectorLevel>(g_cap.exchange(static_cast<int>(cap)))) {}

ScopedVectorLevelCap::~ScopedVectorLevelCap() { g_cap.store(static_cast<int>(previous_)); }
