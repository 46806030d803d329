#include "video/neighbour_filters.h"

#include "platform/cpu_features.h"
#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_frame.h"

#include <immintrin.h>

namespace {

#define VELMORA_AVX2 __attribute__((target("avx2")))

// Each pixel's new luma depends only on unfiltered values (itself, its right
// neighbour and the two below, none of them written yet in scan order), so
// eight (SSE2) or sixteen (AVX2) pixels can be done at once as long as they
// are read before written.

struct SoftenRule {
  static int32_t Scalar(int32_t y, int32_t right, int32_t below, int32_t belowRight) {
    return (y + right + below + belowRight) >> 2;
  }
  VELMORA_SSE2 static __m128i Vector(__m128i y, __m128i right, __m128i below, __m128i belowRight) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(y, right), _mm_add_epi16(below, belowRight)), 2);
  }
  VELMORA_AVX2 static __m256i Vector(__m256i y, __m256i right, __m256i below, __m256i belowRight) {
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(y, right), _mm256_add_epi16(below, belowRight)), 2);
  }
};

struct SharpenRule {
  static int32_t Scalar(int32_t y, int32_t right, int32_t below, int32_t belowRight) {
    const int32_t v = (5 * y - right - below - belowRight) >> 1;  // floor of the half
    return v < 0 ? 0 : (v > 255 ? 255 : v);
  }
  VELMORA_SSE2 static __m128i Vector(__m128i y, __m128i right, __m128i below, __m128i belowRight) {
    const __m128i five = _mm_add_epi16(_mm_slli_epi16(y, 2), y);
    const __m128i v = _mm_srai_epi16(
        _mm_sub_epi16(five, _mm_add_epi16(_mm_add_epi16(right, below), belowRight)), 1);
    return _mm_min_epi16(_mm_max_epi16(v, _mm_setzero_si128()), _mm_set1_epi16(255));
  }
  VELMORA_AVX2 static __m256i Vector(__m256i y, __m256i right, __m256i below, __m256i belowRight) {
    const __m256i five = _mm256_add_epi16(_mm256_slli_epi16(y, 2), y);
    const __m256i v = _mm256_srai_epi16(
        _mm256_sub_epi16(five, _mm256_add_epi16(_mm256_add_epi16(right, below), belowRight)), 1);
    return _mm256_min_epi16(_mm256_max_epi16(v, _mm256_setzero_si256()), _mm256_set1_epi16(255));
  }
};

template <typename Filter>
void FilterPixelsScalar(uint8_t* row, const uint8_t* below, int32_t from, int32_t to) {
  for (int32_t x = from; x < to; ++x) {
    row[2 * x] = static_cast<uint8_t>(
        Filter::Scalar(row[2 * x], row[2 * x + 2], below[2 * x], below[2 * x + 2]));
  }
}

// Pixels x .. x + 7 as 16-bit lanes (luma low, chroma high); x + 8 must exist.
template <typename Filter>
VELMORA_SSE2 void FilterRowSse2(uint8_t* row, const uint8_t* below, int32_t pixels) {
  const __m128i luma = _mm_set1_epi16(0xFF);
  int32_t x = 0;
  for (; x + 8 <= pixels; x += 8) {
    __m128i* at = reinterpret_cast<__m128i*>(row + 2 * x);
    const __m128i here = _mm_loadu_si128(at);
    const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * x + 2));
    const __m128i down = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + 2 * x));
    const __m128i downRight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + 2 * x + 2));
    const __m128i y = Filter::Vector(_mm_and_si128(here, luma), _mm_and_si128(right, luma),
                                     _mm_and_si128(down, luma), _mm_and_si128(downRight, luma));
    _mm_storeu_si128(at, _mm_or_si128(_mm_andnot_si128(luma, here), y));
  }
  FilterPixelsScalar<Filter>(row, below, x, pixels);
}

// The same with sixteen pixels per step.
template <typename Filter>
VELMORA_AVX2 void FilterRowAvx2(uint8_t* row, const uint8_t* below, int32_t pixels) {
  const __m256i luma = _mm256_set1_epi16(0xFF);
  int32_t x = 0;
  for (; x + 16 <= pixels; x += 16) {
    __m256i* at = reinterpret_cast<__m256i*>(row + 2 * x);
    const __m256i here = _mm256_loadu_si256(at);
    const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 2 * x + 2));
    const __m256i down = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + 2 * x));
    const __m256i downRight = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + 2 * x + 2));
    const __m256i y = Filter::Vector(_mm256_and_si256(here, luma), _mm256_and_si256(right, luma),
                                     _mm256_and_si256(down, luma), _mm256_and_si256(downRight, luma));
    _mm256_storeu_si256(at, _mm256_or_si256(_mm256_andnot_si256(luma, here), y));
  }
  FilterPixelsScalar<Filter>(row, below, x, pixels);
}

// Filters pixels 0 .. W - 2 of rows 0 .. H - 2.
template <typename Filter>
void FilterFrame(uint8_t* frame, int32_t width, int32_t height, VectorLevel level) {
  const int32_t stride = Yuy2RowStride(width);
  for (int32_t y = 0; y + 1 < height; ++y) {
    uint8_t* row = frame + static_cast<intptr_t>(y) * stride;
    if (level >= VectorLevel::kAvx2) FilterRowAvx2<Filter>(row, row + stride, width - 1);
    else if (level >= VectorLevel::kSse2) FilterRowSse2<Filter>(row, row + stride, width - 1);
    else FilterPixelsScalar<Filter>(row, row + stride, 0, width - 1);
  }
}

}  // namespace

namespace reference {

void Soften(uint8_t* frame, int32_t width, int32_t height) {
  FilterFrame<SoftenRule>(frame, width, height, VectorLevel::kScalar);
}

void Sharpen(uint8_t* frame, int32_t width, int32_t height) {
  if (!HasMmx()) return;
  FilterFrame<SharpenRule>(frame, width, height, VectorLevel::kScalar);
}

}  // namespace reference

void Soften(uint8_t* frame, int32_t width, int32_t height) {
  FilterFrame<SoftenRule>(frame, width, height, CurrentVectorLevel());
}

void Sharpen(uint8_t* frame, int32_t width, int32_t height) {
  if (!HasMmx()) return;
  FilterFrame<SharpenRule>(frame, width, height, CurrentVectorLevel());
}
