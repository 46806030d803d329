#include "video/interpolate_uv.h"

#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_rows.h"

#include <immintrin.h>

namespace {

// Row `mid` takes the truncated chroma averages of rows `above` and `below`.
void InterpolateWordsScalar(const uint8_t* above, uint8_t* mid, const uint8_t* below, int32_t from,
                            int32_t bytes) {
  for (int32_t i = from; i < bytes; i += 4) {
    const uint32_t a = LoadWord(above + i), b = LoadWord(below + i);
    const uint32_t u = (((a >> 8) & 0xFF) + ((b >> 8) & 0xFF)) / 2;
    const uint32_t v = ((a >> 24) + (b >> 24)) / 2;
    StoreWord(mid + i, (LoadWord(mid + i) & 0x00FF00FFu) | (u << 8) | (v << 24));
  }
}

VELMORA_SSE2 void InterpolateWordsSse2(const uint8_t* above, uint8_t* mid, const uint8_t* below, int32_t bytes) {
  const __m128i luma = _mm_set1_epi32(0x00FF00FF), low7 = _mm_set1_epi8(0x7F);
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + i));
    __m128i* m = reinterpret_cast<__m128i*>(mid + i);
    // (a + b) div 2 per byte without overflow: (a & b) + ((a ^ b) >> 1).
    const __m128i half = _mm_and_si128(_mm_srli_epi16(_mm_xor_si128(a, b), 1), low7);
    const __m128i average = _mm_add_epi8(_mm_and_si128(a, b), half);
    _mm_storeu_si128(m, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(m), luma),
                                     _mm_andnot_si128(luma, average)));
  }
  InterpolateWordsScalar(above, mid, below, i, bytes);
}

void InterpolateWith(uint8_t* frame, int32_t width, int32_t height, bool vector) {
  const int32_t stride = Yuy2RowStride(width), bytes = WordBytes(width);
  for (int32_t r = 0; r < height - 2; r += 2) {
    uint8_t* above = frame + static_cast<intptr_t>(r) * stride;
    if (vector) InterpolateWordsSse2(above, above + stride, above + 2 * stride, bytes);
    else InterpolateWordsScalar(above, above + stride, above + 2 * stride, 0, bytes);
  }
}

}  // namespace

namespace reference {

void InterpolateUV(uint8_t* frame, int32_t width, int32_t height) {
  InterpolateWith(frame, width, height, false);
}

}  // namespace reference

void InterpolateUV(uint8_t* frame, int32_t width, int32_t height) {
  InterpolateWith(frame, width, height, CurrentVectorLevel() >= VectorLevel::kSse2);
}
