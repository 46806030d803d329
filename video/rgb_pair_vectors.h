// The arithmetic of the RGB to YUY2 conversions on vectors, shared by every
// RGB form: the B, G and R of consecutive pixels in 16-bit lanes (8 bits of
// value each), a pixel pair in each two adjacent lanes; out come the YUY2
// words Y0 U Y1 V of the pairs, in the same order. The sums and products are
// those of the scalar forms in rgb24_to_yuy2.cpp, lane for lane.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "platform/vector_helpers.h"

#define VELMORA_AVX2 __attribute__((target("avx2")))

// --- SSE2: eight pixels (four pairs) per vector ------------------------------

struct Channels128 {
  __m128i b, g, r;
};

// The sum of each pixel pair in the even lanes.
VELMORA_SSE2 inline __m128i PairSum128(__m128i x) { return _mm_add_epi16(x, _mm_srli_epi32(x, 16)); }

// Y in every lane, U and V in the even lanes (clamped to bytes): Y0 U Y1 V.
VELMORA_SSE2 inline __m128i Assemble128(__m128i y, __m128i u, __m128i v) {
  const __m128i zero = _mm_setzero_si128(), byte = _mm_set1_epi16(255);
  u = _mm_min_epi16(_mm_max_epi16(u, zero), byte);
  v = _mm_min_epi16(_mm_max_epi16(v, zero), byte);
  const __m128i uv = _mm_or_si128(_mm_and_si128(u, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(v, 16));
  return _mm_or_si128(y, _mm_slli_epi16(uv, 8));
}

VELMORA_SSE2 inline __m128i HighQuality128(const Channels128& c) {
  const __m128i y = _mm_add_epi16(
      _mm_add_epi16(_mm_mulhi_epi16(_mm_slli_epi16(c.b, 7), _mm_set1_epi16(58)),
                    _mm_mulhi_epi16(_mm_slli_epi16(c.g, 7), _mm_set1_epi16(300))),
      _mm_mulhi_epi16(_mm_slli_epi16(c.r, 7), _mm_set1_epi16(154)));  // at most 253
  const __m128i bs = _mm_srli_epi16(PairSum128(c.b), 1);
  const __m128i gs = _mm_srli_epi16(PairSum128(c.g), 1);
  const __m128i rs = _mm_srli_epi16(PairSum128(c.r), 1);
  const __m128i bias = _mm_set1_epi16(128);
  const __m128i v = _mm_add_epi16(
      _mm_add_epi16(bias, _mm_srli_epi16(rs, 1)),
      _mm_add_epi16(_mm_mulhi_epi16(gs, _mm_set1_epi16(-27392)), _mm_mulhi_epi16(bs, _mm_set1_epi16(-5120))));
  const __m128i u = _mm_add_epi16(
      _mm_add_epi16(bias, _mm_srli_epi16(bs, 1)),
      _mm_add_epi16(_mm_mulhi_epi16(rs, _mm_set1_epi16(-11008)), _mm_mulhi_epi16(gs, _mm_set1_epi16(-21760))));
  return Assemble128(y, u, v);
}

// The low-quality table entries computed instead of read: with 5-bit
// channels times 8, 77 R + 150 G + 29 B and the chroma sums plus 32768 all
// lie in 0 .. 64512, so 16-bit lanes taken without sign hold them exactly
// (the chroma sums pass through negative values only modulo 2^16) and
// ClampShift8 never clamps.
VELMORA_SSE2 inline __m128i ShiftedSum128(const Channels128& q, int16_t r, int16_t g, int16_t b, int16_t k) {
  const __m128i s = _mm_add_epi16(
      _mm_add_epi16(_mm_mullo_epi16(q.r, _mm_set1_epi16(r)), _mm_mullo_epi16(q.g, _mm_set1_epi16(g))),
      _mm_add_epi16(_mm_mullo_epi16(q.b, _mm_set1_epi16(b)), _mm_set1_epi16(k)));
  return _mm_srli_epi16(s, 8);
}

VELMORA_SSE2 inline __m128i LowQuality128(const Channels128& c) {
  const __m128i mask = _mm_set1_epi16(0xF8);
  const Channels128 q = {_mm_and_si128(c.b, mask), _mm_and_si128(c.g, mask), _mm_and_si128(c.r, mask)};
  return Assemble128(ShiftedSum128(q, 77, 150, 29, 0),
                     _mm_srli_epi16(PairSum128(ShiftedSum128(q, -43, -85, 128, -32768)), 1),
                     _mm_srli_epi16(PairSum128(ShiftedSum128(q, 128, -107, -21, -32768)), 1));
}

// --- AVX2: sixteen pixels (eight pairs) per vector ---------------------------

struct Channels256 {
  __m256i b, g, r;
};

VELMORA_AVX2 inline __m256i PairSum256(__m256i x) { return _mm256_add_epi16(x, _mm256_srli_epi32(x, 16)); }

VELMORA_AVX2 inline __m256i Assemble256(__m256i y, __m256i u, __m256i v) {
  const __m256i zero = _mm256_setzero_si256(), byte = _mm256_set1_epi16(255);
  u = _mm256_min_epi16(_mm256_max_epi16(u, zero), byte);
  v = _mm256_min_epi16(_mm256_max_epi16(v, zero), byte);
  const __m256i uv = _mm256_blend_epi16(u, _mm256_slli_epi32(v, 16), 0xAA);
  return _mm256_or_si256(y, _mm256_slli_epi16(uv, 8));
}

VELMORA_AVX2 inline __m256i HighQuality256(const Channels256& c) {
  const __m256i y = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mulhi_epi16(_mm256_slli_epi16(c.b, 7), _mm256_set1_epi16(58)),
                       _mm256_mulhi_epi16(_mm256_slli_epi16(c.g, 7), _mm256_set1_epi16(300))),
      _mm256_mulhi_epi16(_mm256_slli_epi16(c.r, 7), _mm256_set1_epi16(154)));  // at most 253
  const __m256i bs = _mm256_srli_epi16(PairSum256(c.b), 1);
  const __m256i gs = _mm256_srli_epi16(PairSum256(c.g), 1);
  const __m256i rs = _mm256_srli_epi16(PairSum256(c.r), 1);
  const __m256i bias = _mm256_set1_epi16(128);
  const __m256i v = _mm256_add_epi16(
      _mm256_add_epi16(bias, _mm256_srli_epi16(rs, 1)),
      _mm256_add_epi16(_mm256_mulhi_epi16(gs, _mm256_set1_epi16(-27392)), _mm256_mulhi_epi16(bs, _mm256_set1_epi16(-5120))));
  const __m256i u = _mm256_add_epi16(
      _mm256_add_epi16(bias, _mm256_srli_epi16(bs, 1)),
      _mm256_add_epi16(_mm256_mulhi_epi16(rs, _mm256_set1_epi16(-11008)), _mm256_mulhi_epi16(gs, _mm256_set1_epi16(-21760))));
  return Assemble256(y, u, v);
}

struct LowFactors256 {
  __m256i r, g, b, k;
};

VELMORA_AVX2 inline LowFactors256 MakeFactors256(int16_t r, int16_t g, int16_t b, int16_t k) {
  LowFactors256 f = {_mm256_set1_epi16(r), _mm256_set1_epi16(g), _mm256_set1_epi16(b), _mm256_set1_epi16(k)};
  // Opaque to the compiler, so that the products stay single multiplies
  // instead of longer shift-and-add chains (measured faster).
  __asm__("" : "+x"(f.r), "+x"(f.g), "+x"(f.b));
  return f;
}

VELMORA_AVX2 inline __m256i ShiftedSum256(const Channels256& c, const LowFactors256& f) {
  const __m256i s = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(c.r, f.r), _mm256_mullo_epi16(c.g, f.g)),
                                     _mm256_add_epi16(_mm256_mullo_epi16(c.b, f.b), f.k));
  return _mm256_srli_epi16(s, 8);
}

// The three sets of factors of the low-quality entries, made once per row.
struct LowQualityFactors256 {
  LowFactors256 y, u, v;
};

VELMORA_AVX2 inline LowQualityFactors256 MakeLowQualityFactors256() {
  return {MakeFactors256(77, 150, 29, 0), MakeFactors256(-43, -85, 128, -32768),
          MakeFactors256(128, -107, -21, -32768)};
}

VELMORA_AVX2 inline __m256i LowQuality256(const Channels256& c, const LowQualityFactors256& f) {
  const __m256i mask = _mm256_set1_epi16(0xF8);
  const Channels256 q = {_mm256_and_si256(c.b, mask), _mm256_and_si256(c.g, mask), _mm256_and_si256(c.r, mask)};
  return Assemble256(ShiftedSum256(q, f.y), _mm256_srli_epi16(PairSum256(ShiftedSum256(q, f.u)), 1),
                     _mm256_srli_epi16(PairSum256(ShiftedSum256(q, f.v)), 1));
}
