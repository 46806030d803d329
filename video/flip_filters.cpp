#include "video/flip_filters.h"

#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_frame.h"

#include <immintrin.h>

#include <utility>

namespace {

// Y0 and Y1 exchanged, U and V in place.
inline uint32_t SwapLumas(uint32_t w) {
  return (w & 0xFF00FF00u) | ((w & 0xFFu) << 16) | ((w >> 16) & 0xFFu);
}

VELMORA_SSE2 inline __m128i SwapLumas128(__m128i w) {
  const __m128i y = _mm_and_si128(w, _mm_set1_epi32(0x00FF00FF));
  return _mm_or_si128(_mm_andnot_si128(_mm_set1_epi32(0x00FF00FF), w),
                      _mm_or_si128(_mm_slli_epi32(y, 16), _mm_srli_epi32(y, 16)));
}

VELMORA_SSE2 void SwapRowsSse2(uint8_t* a, uint8_t* b, int32_t bytes) {
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a + i), y);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b + i), x);
  }
  for (; i < bytes; i += 4) {
    const uint32_t x = LoadWord(a + i);
    StoreWord(a + i, LoadWord(b + i));
    StoreWord(b + i, x);
  }
}

// Mirrors the first 2n words of a row.
void MirrorRowScalar(uint8_t* row, int32_t n, int32_t from) {
  for (int32_t i = from; i < n; ++i) {
    uint8_t* front = row + 4 * i;
    uint8_t* back = row + 4 * (2 * n - 1 - i);
    const uint32_t a = LoadWord(front), b = LoadWord(back);
    StoreWord(front, SwapLumas(b));
    StoreWord(back, SwapLumas(a));
  }
}

// Four words from each end per step; the blocks meet in the middle.
VELMORA_SSE2 void MirrorRowSse2(uint8_t* row, int32_t n) {
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i* front = reinterpret_cast<__m128i*>(row + 4 * i);
    __m128i* back = reinterpret_cast<__m128i*>(row + 4 * (2 * n - 4 - i));
    const __m128i a = _mm_loadu_si128(front), b = _mm_loadu_si128(back);
    _mm_storeu_si128(front, SwapLumas128(_mm_shuffle_epi32(b, 0x1B)));
    _mm_storeu_si128(back, SwapLumas128(_mm_shuffle_epi32(a, 0x1B)));
  }
  MirrorRowScalar(row, n, i);
}

// Eight words from each end per step, then the SSE2 steps for the middle.
__attribute__((target("avx2"))) void MirrorRowAvx2(uint8_t* row, int32_t n) {
  const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  const __m256i luma = _mm256_set1_epi32(0x00FF00FF);
  auto mirror = [&](__m256i w) __attribute__((target("avx2"))) {
    const __m256i r = _mm256_permutevar8x32_epi32(w, reverse);
    const __m256i y = _mm256_and_si256(r, luma);
    return _mm256_or_si256(_mm256_andnot_si256(luma, r), _mm256_or_si256(_mm256_slli_epi32(y, 16), _mm256_srli_epi32(y, 16)));
  };
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i* front = reinterpret_cast<__m256i*>(row + 4 * i);
    __m256i* back = reinterpret_cast<__m256i*>(row + 4 * (2 * n - 8 - i));
    const __m256i a = _mm256_loadu_si256(front), b = _mm256_loadu_si256(back);
    _mm256_storeu_si256(front, mirror(b));
    _mm256_storeu_si256(back, mirror(a));
  }
  // The words i .. 2n - 1 - i that are left form a smaller mirror of their own.
  MirrorRowSse2(row + 4 * i, n - i);
}

void FlipVerticalWith(uint8_t* frame, int32_t width, int32_t height, bool vector) {
  const int32_t stride = Yuy2RowStride(width), bytes = width / 2 * 4;
  for (int32_t r = 0; r < height / 2; ++r) {
    uint8_t* a = frame + static_cast<intptr_t>(r) * stride;
    uint8_t* b = frame + static_cast<intptr_t>(height - 1 - r) * stride;
    if (vector) {
      SwapRowsSse2(a, b, bytes);
    } else {
      for (int32_t i = 0; i < bytes; i += 4) {
        const uint32_t x = LoadWord(a + i);
        StoreWord(a + i, LoadWord(b + i));
        StoreWord(b + i, x);
      }
    }
  }
}

void FlipHorizontalWith(uint8_t* frame, int32_t width, int32_t height, VectorLevel level) {
  const int32_t stride = Yuy2RowStride(width), n = width / 4;
  for (int32_t r = 0; r < height; ++r) {
    uint8_t* row = frame + static_cast<intptr_t>(r) * stride;
    if (level >= VectorLevel::kAvx2) MirrorRowAvx2(row, n);
    else if (level >= VectorLevel::kSse2) MirrorRowSse2(row, n);
    else MirrorRowScalar(row, n, 0);
  }
}

bool UseVectors() { return CurrentVectorLevel() >= VectorLevel::kSse2; }

}  // namespace

namespace reference {

void FlipVertical(uint8_t* frame, int32_t width, int32_t height) {
  FlipVerticalWith(frame, width, height, false);
}

void FlipHorizontal(uint8_t* frame, int32_t width, int32_t height) {
  FlipHorizontalWith(frame, width, height, VectorLevel::kScalar);
}

}  // namespace reference

void FlipVertical(uint8_t* frame, int32_t width, int32_t height) {
  FlipVerticalWith(frame, width, height, UseVectors());
}

void FlipHorizontal(uint8_t* frame, int32_t width, int32_t height) {
  FlipHorizontalWith(frame, width, height, CurrentVectorLevel());
}
