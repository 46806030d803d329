#include "video/fade_step.h"

#include "platform/cpu_features.h"
#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_rows.h"

#include <immintrin.h>

namespace {

uint32_t FadeWord(uint32_t w) {
  const uint32_t y0 = w & 0xFF, y1 = (w >> 16) & 0xFF;
  const uint32_t f0 = y0 > 4 ? y0 - 4 : 0, f1 = y1 > 4 ? y1 - 4 : 0;
  return (w & 0xFF00FF00u) | f0 | (f1 << 16);
}

void FadeWords(uint8_t* row, int32_t from, int32_t bytes) {
  for (int32_t i = from; i < bytes; i += 4) StoreWord(row + i, FadeWord(LoadWord(row + i)));
}

VELMORA_SSE2 void FadeRowSse2(uint8_t* row, int32_t bytes) {
  const __m128i four = _mm_set1_epi32(0x00040004);
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    __m128i* p = reinterpret_cast<__m128i*>(row + i);
    _mm_storeu_si128(p, _mm_subs_epu8(_mm_loadu_si128(p), four));
  }
  FadeWords(row, i, bytes);
}

void FadeRows(uint8_t* frame, int32_t width, int32_t height, bool vector) {
  const int32_t bytes = GroupBytes(width);
  ForEachRow(frame, width, height, [&](uint8_t* row) {
    if (vector) FadeRowSse2(row, bytes);
    else FadeWords(row, 0, bytes);
  });
}

}  // namespace

namespace reference {

void FadeStep(uint8_t* frame, int32_t width, int32_t height) {
  if (!HasMmx()) return;
  FadeRows(frame, width, height, false);
}

}  // namespace reference

void FadeStep(uint8_t* frame, int32_t width, int32_t height) {
  if (!HasMmx()) return;
  FadeRows(frame, width, height, CurrentVectorLevel() >= VectorLevel::kSse2);
}
