#include "subtitles/subtitle_pixels.h"

#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_frame.h"

#include <immintrin.h>

namespace {

// Truncated toward zero, then clamped to a byte.
uint32_t ToByte(double x) { return SaturateByte(static_cast<int32_t>(x)); }

// Each byte (a + b) div 2, without overflow.
inline uint32_t AverageBytes(uint32_t a, uint32_t b) {
  return (a & b) + (((a ^ b) >> 1) & 0x7F7F7F7Fu);
}

void MergeWordsScalar(uint8_t* frame, const uint8_t* band, int32_t from, int32_t bytes, bool transparent) {
  for (int32_t i = from; i < bytes; i += 4) {
    const uint32_t b = LoadWord(band + i);
    if (b == 0) continue;
    StoreWord(frame + i, transparent ? AverageBytes(LoadWord(frame + i), b) : b);
  }
}

VELMORA_SSE2 void MergeWordsSse2(uint8_t* frame, const uint8_t* band, int32_t bytes, bool transparent) {
  const __m128i low7 = _mm_set1_epi8(0x7F);
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    __m128i* f = reinterpret_cast<__m128i*>(frame + i);
    const __m128i a = _mm_loadu_si128(f);
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(band + i));
    const __m128i empty = _mm_cmpeq_epi32(b, _mm_setzero_si128());
    __m128i merged = b;
    if (transparent) {
      merged = _mm_add_epi8(_mm_and_si128(a, b), _mm_and_si128(_mm_srli_epi16(_mm_xor_si128(a, b), 1), low7));
    }
    _mm_storeu_si128(f, _mm_or_si128(_mm_and_si128(empty, a), _mm_andnot_si128(empty, merged)));
  }
  MergeWordsScalar(frame, band, i, bytes, transparent);
}

void MergeWith(uint8_t* frame, int32_t width, int32_t height, const uint8_t* band, int32_t bandHeight,
               bool transparent, bool vector) {
  const int32_t stride = Yuy2RowStride(width), bytes = width / 2 * 4;
  for (int32_t r = 0; r < bandHeight; ++r) {
    const int32_t target = height - bandHeight + r;
    if (target < 0) continue;
    uint8_t* frameRow = frame + static_cast<intptr_t>(target) * stride;
    const uint8_t* bandRow = band + static_cast<intptr_t>(r) * stride;
    if (vector) MergeWordsSse2(frameRow, bandRow, bytes, transparent);
    else MergeWordsScalar(frameRow, bandRow, 0, bytes, transparent);
  }
}

}  // namespace

uint32_t ColorToYuy2(COLORREF color) {
  const double r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  const uint32_t y = ToByte(0.299 * r + 0.587 * g + 0.114 * b);
  const uint32_t u = ToByte(0.5 * b - (0.1687 * r + 0.3313 * g) + 128);
  const uint32_t v = ToByte(0.5 * r - (0.4187 * g + 0.0813 * b) + 128);
  return (v << 24) | (y << 16) | (u << 8) | y;
}

namespace reference {

void MergeSubtitleBand(uint8_t* frame, int32_t width, int32_t height, const uint8_t* band,
                       int32_t bandHeight, bool transparent) {
  MergeWith(frame, width, height, band, bandHeight, transparent, false);
}

}  // namespace reference

void MergeSubtitleBand(uint8_t* frame, int32_t width, int32_t height, const uint8_t* band,
                       int32_t bandHeight, bool transparent) {
  MergeWith(frame, width, height, band, bandHeight, transparent,
            CurrentVectorLevel() >= VectorLevel::kSse2);
}
