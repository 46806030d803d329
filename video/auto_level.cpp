#include "video/auto_level.h"

#include "platform/cpu_features.h"
#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_rows.h"

#include <immintrin.h>

#include <algorithm>

AutoLevelState g_autoLevelState;

namespace {

struct LumaRange {
  int32_t minimum = 255;
  int32_t maximum = 0;
};

void ScanWordsScalar(const uint8_t* row, int32_t from, int32_t bytes, LumaRange* range) {
  for (int32_t i = from; i < bytes; i += 2) {
    range->minimum = std::min<int32_t>(range->minimum, row[i]);
    range->maximum = std::max<int32_t>(range->maximum, row[i]);
  }
}

VELMORA_SSE2 uint8_t ReduceBytes(__m128i v, bool minimum) {
  alignas(16) uint8_t bytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(bytes), v);
  return minimum ? *std::min_element(bytes, bytes + 16) : *std::max_element(bytes, bytes + 16);
}

LumaRange ScanFrameScalar(uint8_t* frame, int32_t width, int32_t height) {
  LumaRange range;
  const int32_t bytes = WordBytes(width);
  ForEachRow(frame, width, height, [&](uint8_t* row) { ScanWordsScalar(row, 0, bytes, &range); });
  return range;
}

VELMORA_SSE2 LumaRange ScanFrameSse2(uint8_t* frame, int32_t width, int32_t height) {
  LumaRange range;
  const int32_t bytes = WordBytes(width), stride = Yuy2RowStride(width);
  // Chroma bytes are forced to 255 for the minimum and to 0 for the maximum.
  const __m128i chroma = _mm_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
  __m128i low = _mm_set1_epi8(-1), high = _mm_setzero_si128();
  for (int32_t r = 0; r < height; ++r) {
    const uint8_t* row = frame + static_cast<intptr_t>(r) * stride;
    int32_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
      const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
      low = _mm_min_epu8(low, _mm_or_si128(w, chroma));
      high = _mm_max_epu8(high, _mm_andnot_si128(chroma, w));
    }
    ScanWordsScalar(row, i, bytes, &range);
  }
  range.minimum = std::min<int32_t>(range.minimum, ReduceBytes(low, true));
  range.maximum = std::max<int32_t>(range.maximum, ReduceBytes(high, false));
  return range;
}

// New = (frame value + 3 x previous) >> 2; the first frame is its own previous.
int32_t Smooth(int32_t value, int32_t* stored, bool* set) {
  const int32_t previous = *set ? *stored : value;
  *set = true;
  *stored = (value + 3 * previous) >> 2;
  return *stored;
}

int32_t StretchRange(int32_t minimum, int32_t maximum) { return std::max(maximum - minimum, 128); }

void StretchScalar(uint8_t* frame, int32_t width, int32_t height, int32_t minimum, int32_t maximum) {
  const int32_t range = StretchRange(minimum, maximum);
  uint8_t table[256];
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t value = (255 * i - 255 * minimum) / range;  // truncates toward zero
    table[i] = SaturateByte(value);
  }
  const int32_t bytes = WordBytes(width);
  ForEachRow(frame, width, height, [&](uint8_t* row) {
    for (int32_t i = 0; i < bytes; i += 2) row[i] = table[row[i]];
  });
}

// L[i] = 0 up to the minimum, above it min(255, floor(255 d / range)) with
// d = i - minimum. The division is a multiplication: with M = ceil(255 x
// 2^21 / range), floor(d x M / 2^21) is exact for d <= 255 and range >= 128
// (the error stays below 255 / 2^21, less than 1 / range). The product is
// formed by one multiply-add of (d, d << 7) with (M & 127, M >> 7).
VELMORA_SSE2 void StretchSse2(uint8_t* frame, int32_t width, int32_t height, int32_t minimum,
                              int32_t maximum) {
  const int32_t range = StretchRange(minimum, maximum);
  const int32_t m = ((255 << 21) + range - 1) / range;
  const __m128i factor = _mm_set1_epi32(LanePair(m & 127, m >> 7));
  const __m128i floor = _mm_set1_epi16(static_cast<int16_t>(minimum));
  const __m128i luma = _mm_set1_epi16(0xFF);
  const int32_t bytes = WordBytes(width), stride = Yuy2RowStride(width);
  for (int32_t r = 0; r < height; ++r) {
    uint8_t* row = frame + static_cast<intptr_t>(r) * stride;
    int32_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
      __m128i* p = reinterpret_cast<__m128i*>(row + i);
      const __m128i w = _mm_loadu_si128(p);
      const __m128i d = _mm_subs_epu16(_mm_and_si128(w, luma), floor);
      const __m128i d7 = _mm_slli_epi16(d, 7);
      const __m128i lo = _mm_srli_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(d, d7), factor), 21);
      const __m128i hi = _mm_srli_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(d, d7), factor), 21);
      const __m128i y = _mm_min_epi16(_mm_packs_epi32(lo, hi), luma);
      _mm_storeu_si128(p, _mm_or_si128(_mm_andnot_si128(luma, w), y));
    }
    for (; i < bytes; i += 2) {
      const int32_t d = std::max(row[i] - minimum, 0);
      row[i] = static_cast<uint8_t>(std::min((d * m) >> 21, 255));
    }
  }
}

bool UseVectors() { return CurrentVectorLevel() >= VectorLevel::kSse2; }

void AutoLevelWith(uint8_t* frame, int32_t width, int32_t height, AutoLevelState* state, bool vector) {
  if (!HasMmx() || width < 2 || height < 1) return;
  const LumaRange found =
      vector ? ScanFrameSse2(frame, width, height) : ScanFrameScalar(frame, width, height);
  const int32_t minimum = Smooth(found.minimum, &state->minimum, &state->minimumSet);
  const int32_t maximum = Smooth(found.maximum, &state->maximum, &state->maximumSet);
  if (maximum <= minimum || (minimum == 0 && maximum == 255)) return;
  if (vector) StretchSse2(frame, width, height, minimum, maximum);
  else StretchScalar(frame, width, height, minimum, maximum);
}

}  // namespace

namespace reference {

void AutoLevel(uint8_t* frame, int32_t width, int32_t height, AutoLevelState* state) {
  AutoLevelWith(frame, width, height, state, false);
}

void StretchLuma(uint8_t* frame, int32_t width, int32_t height, int32_t minimum, int32_t maximum) {
  StretchScalar(frame, width, height, minimum, maximum);
}

}  // namespace reference

void AutoLevel(uint8_t* frame, int32_t width, int32_t height, AutoLevelState* state) {
  AutoLevelWith(frame, width, height, state, UseVectors());
}

void StretchLuma(uint8_t* frame, int32_t width, int32_t height, int32_t minimum, int32_t maximum) {
  if (UseVectors()) StretchSse2(frame, width, height, minimum, maximum);
  else StretchScalar(frame, width, height, minimum, maximum);
}
