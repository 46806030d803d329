// The vector level the pixel routines use, against the processor's own
// answer: a detection that found nothing would leave every vector form
// untested (the bit-exact checks walk the detected levels only).
#include <gtest/gtest.h>

#include "platform/vector_level.h"

#include <cpuid.h>

#include <algorithm>

namespace {

// CPUID and XGETBV read directly: SSE2 (function 1, EDX bit 26); AVX2
// (function 7, EBX bit 5) with the YMM state saved by the system (OSXSAVE,
// and bits 1 and 2 of XCR0).
VectorLevel LevelFromProcessor() {
  unsigned int a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0) return VectorLevel::kScalar;
  const bool sse2 = (d & (1u << 26)) != 0;
  const bool osSavesYmm = (c & (1u << 27)) != 0 && (c & (1u << 28)) != 0;
  bool avx2 = false;
  if (osSavesYmm && __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & (1u << 5)) != 0) {
    unsigned int low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    avx2 = (low & 6u) == 6u;
  }
  return avx2 ? VectorLevel::kAvx2 : (sse2 ? VectorLevel::kSse2 : VectorLevel::kScalar);
}

TEST(VectorLevel, DetectedAsTheProcessorReportsAndCappedByTests) {
  const VectorLevel detected = DetectedVectorLevel();
  EXPECT_EQ(detected, LevelFromProcessor());
  for (VectorLevel cap : {VectorLevel::kScalar, VectorLevel::kSse2, VectorLevel::kAvx2}) {
    ScopedVectorLevelCap scope(cap);
    EXPECT_EQ(CurrentVectorLevel(), std::min(cap, detected)) << static_cast<int>(cap);
  }
  EXPECT_EQ(CurrentVectorLevel(), detected);
}

}  // namespace
