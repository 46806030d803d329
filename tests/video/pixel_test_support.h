// Helpers for the pixel and sample routine tests: forcing the MMX flag,
// walking the vector levels, random frames with guard bytes.
#pragma once

#include "platform/cpu_features.h"
#include "platform/vector_level.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

// Sets the MMX flag for the scope's lifetime (every processor that runs the
// tests has MMX: the flag is on unless a test turns it off).
class ScopedMmxFlag {
 public:
  explicit ScopedMmxFlag(uint8_t value) : saved_(HasMmx()) { SetHasMmx(value != 0); }
  ~ScopedMmxFlag() { SetHasMmx(saved_); }

 private:
  const uint8_t saved_;
};

// Random 0x00RRGGBB pixels.
inline std::vector<uint32_t> RandomPixels(size_t n, std::mt19937* random) {
  std::vector<uint32_t> pixels(n);
  for (auto& p : pixels) p = (*random)() & 0xFFFFFF;
  return pixels;
}

struct FrameSize {
  int32_t width, height;
};
inline std::string SizeName(const FrameSize& size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Sizes that exercise vector tails: one row, one column, odd widths, widths
// not a multiple of 4, and a few wide ones.
inline std::vector<FrameSize> AwkwardFrameSizes() {
  return {{1, 1},  {2, 1},  {1, 5},  {3, 3},  {4, 1},  {5, 7},   {6, 2},   {7, 4},  {8, 8},
          {9, 3},  {15, 2}, {16, 5}, {17, 6}, {31, 3}, {32, 4},  {33, 5},  {34, 3}, {63, 2},
          {64, 3}, {65, 4}, {66, 5}, {67, 3}, {130, 7}, {257, 3}, {642, 2}, {719, 5}};
}

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_TEST_ASAN 1
#endif
#endif

// A buffer of `size` random bytes followed by guard bytes that must stay.
// Under AddressSanitizer there are no guard bytes: the buffer ends exactly
// where its payload does, so that the sanitizer reports any read or write
// beyond it.
class GuardedBuffer {
 public:
#ifdef VELMORA_TEST_ASAN
  static constexpr size_t kGuard = 0;
#else
  static constexpr size_t kGuard = 64;
#endif
  static constexpr uint8_t kGuardByte = 0xA5;

  GuardedBuffer(size_t size, std::mt19937* random) : size_(size), bytes_(size + kGuard, kGuardByte) {
    for (size_t i = 0; i < size; ++i) bytes_[i] = static_cast<uint8_t>((*random)());
  }
  uint8_t* data() { return bytes_.data(); }
  bool GuardIntact() const {
    return std::all_of(bytes_.begin() + size_, bytes_.end(), [](uint8_t b) { return b == kGuardByte; });
  }
  // The payload only (guards excluded), for comparisons.
  std::vector<uint8_t> Payload() const { return {bytes_.begin(), bytes_.begin() + size_}; }

 private:
  size_t size_;
  std::vector<uint8_t> bytes_;
};

// The first differing byte of two buffers, or -1.
inline long FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  const auto at = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin();
  return a.size() == b.size() && static_cast<size_t>(at) == a.size() ? -1 : static_cast<long>(at);
}

// The harness of every routine with fast forms: the reference form writes
// into random bytes; the fast form, at each vector level, into the same
// bytes: the results must be equal bit for bit, the guard bytes of both
// untouched.
inline void ExpectFastFormMatches(size_t bytes, std::mt19937* random,
                                  const std::function<void(uint8_t*)>& reference,
                                  const std::function<void(uint8_t*)>& fast, const std::string& what) {
  GuardedBuffer want(bytes, random);
  const std::vector<uint8_t> before = want.Payload();
  reference(want.data());
  ASSERT_TRUE(want.GuardIntact()) << what << " reference";
  // A processor without AVX2 cannot check those forms: it says so, once.
  static const bool told = DetectedVectorLevel() < VectorLevel::kAvx2 &&
                           std::printf("[ NOT CHECKED ] this processor has no AVX2: the AVX2 forms of the "
                                       "pixel routines are not run here\n") > 0;
  (void)told;
  for (VectorLevel level : {VectorLevel::kSse2, VectorLevel::kAvx2}) {
    if (level > DetectedVectorLevel()) continue;
    ScopedVectorLevelCap cap(level);
    GuardedBuffer got(bytes, random);
    std::copy(before.begin(), before.end(), got.data());  // no memcpy: an empty buffer has no data
    fast(got.data());
    ASSERT_TRUE(got.GuardIntact()) << what << " level " << static_cast<int>(level);
    ASSERT_EQ(FirstDifference(got.Payload(), want.Payload()), -1) << what << " level " << static_cast<int>(level);
  }
}
