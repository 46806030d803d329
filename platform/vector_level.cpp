#include "platform/vector_level.h"

#include <immintrin.h>

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

// Code run before (other libraries, drivers) may leave the upper halves of
// the 256-bit registers in use; the SSE2 loops, encoded without VEX, then run
// several times slower on some processors (measured: up to 7x after
// libswscale). VZEROUPPER clears that state.
__attribute__((target("avx"))) static void ClearUpperHalves() { _mm256_zeroupper(); }

VectorLevel CurrentVectorLevel() {
  const VectorLevel detected = DetectedVectorLevel();
  if (detected >= VectorLevel::kAvx2) ClearUpperHalves();
  int level = std::min(static_cast<int>(detected), g_cap.load(std::memory_order_relaxed));
  return static_cast<VectorLevel>(level);
}

ScopedVectorLevelCap::ScopedVectorLevelCap(VectorLevel cap)
    : previous_(static_cast<VectorLevel>(g_cap.exchange(static_cast<int>(cap)))) {}

ScopedVectorLevelCap::~ScopedVectorLevelCap() { g_cap.store(static_cast<int>(previous_)); }
