// The platform as the program relies on it: the player's file source over
// the file calls (natively and under Wine), and the vector level the pixel
// routines use, against the processor's own answer: a detection that found
// nothing would leave every vector form untested (the bit-exact checks walk
// the detected levels only).
#include <gtest/gtest.h>

#include "media/file_source.h"
#include "platform/vector_level.h"
#include "platform/win32.h"
#include "tests/common/test_paths.h"

#include <cpuid.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

// Positions whose low part is 0xFFFFFFFF (what a failed SetFilePointer also
// returns) are placed, whatever error an earlier call left behind. (Sizes
// past 4 GiB, short reads at the end and the refused moves beyond 2 GiB: the
// cached reader's tests, through the same calls.)
TEST(Kernel32File, FileSourceSeeksToPositionsWhoseLowPartIsAllOnes) {
  std::string bytes(1000, 0);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  std::unique_ptr<FileSource> source = OpenFileSource(WriteWholeFile(ScratchPath("ten.bin"), bytes).c_str());
  ASSERT_NE(source, nullptr);
  for (const uint64_t position : {0xFFFFFFFFull, 0x1FFFFFFFFull, 990ull}) {
    SetLastError(ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(source->Seek(position)) << std::hex << position;
  }
  char buffer[32] = {};
  uint32_t got = 0;
  ASSERT_TRUE(source->Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), bytes.substr(990));  // end of file: success, fewer bytes
}

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
