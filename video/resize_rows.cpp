#include "video/resize_rows.h"

#include "platform/cpu_features.h"
#include "platform/vector_helpers.h"
#include "platform/vector_level.h"

#include <immintrin.h>

#include <cstring>

namespace {

// --- Bilinear, scalar ------------------------------------------------------

// The high half of a signed 16 x 16-bit product (operands here are >= 0).
inline int32_t MulHigh(int32_t a, int32_t b) { return (a * b) >> 16; }

// Row A and row B blended at source pixel x, channel c (0 B, 1 G, 2 R).
inline int32_t VerticalBlend(const uint32_t* rowA, const uint32_t* rowB, uint32_t x, int c,
                             int32_t wa, int32_t wb) {
  const int32_t a = static_cast<int32_t>((rowA[x] >> (8 * c)) & 0xFF) * 4;
  const int32_t b = static_cast<int32_t>((rowB[x] >> (8 * c)) & 0xFF) * 4;
  return MulHigh(a, wa) + MulHigh(b, wb);
}

void BilinearPixels(const uint32_t* rowA, const uint32_t* rowB, int32_t position,
                    uint8_t* destination, uint32_t step, int32_t first, int32_t count) {
  const int32_t fy = static_cast<int32_t>((static_cast<uint32_t>(position) >> 1) & 0x7FFF);
  const int32_t wa = 0x7FFF - fy, wb = fy;
  uint32_t p = static_cast<uint32_t>(first) * step;
  for (int32_t i = first; i < count; ++i, p += step) {
    const uint32_t x = p >> 16;
    const int32_t fx = static_cast<int32_t>((p >> 1) & 0x7FFF);
    uint32_t pixel = 0;
    for (int c = 0; c < 3; ++c) {
      const int32_t left = VerticalBlend(rowA, rowB, x, c, wa, wb);
      const int32_t right = VerticalBlend(rowA, rowB, x + 1, c, wa, wb);
      const int32_t out = MulHigh(left, 0x7FFF - fx) + MulHigh(right, fx);
      pixel |= static_cast<uint32_t>(SaturateByte(out)) << (8 * c);
    }
    StoreWord(destination + 3 * static_cast<intptr_t>(i), pixel);
  }
}

// --- Bilinear, SSE2 --------------------------------------------------------
// The vertical blend of a source pixel does not depend on the output pixel,
// so it is done once per source pixel into a small buffer of 16-bit lanes
// (B, G, R, X) and the horizontal pass reads both neighbours in one load.

constexpr int32_t kBlendChunk = 512;  // source pixels blended per pass

struct alignas(16) BlendBuffer {
  int16_t lanes[(kBlendChunk + 1) * 4];
};

// Blends source pixels [from, to) of rows A and B into buffer lanes.
VELMORA_SSE2 void BlendRowsSse2(const uint32_t* rowA, const uint32_t* rowB, uint32_t from, uint32_t to,
                   __m128i wa, __m128i wb, int16_t* lanes) {
  const __m128i zero = _mm_setzero_si128();
  uint32_t x = from;
  for (; x + 2 <= to; x += 2, lanes += 8) {
    const __m128i a = _mm_slli_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rowA + x)), zero), 2);
    const __m128i b = _mm_slli_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rowB + x)), zero), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes),
                     _mm_add_epi16(_mm_mulhi_epi16(a, wa), _mm_mulhi_epi16(b, wb)));
  }
  if (x < to) {
    const __m128i a = _mm_slli_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(rowA[x])), zero), 2);
    const __m128i b = _mm_slli_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(rowB[x])), zero), 2);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(lanes),
                     _mm_add_epi16(_mm_mulhi_epi16(a, wa), _mm_mulhi_epi16(b, wb)));
  }
}

// Weights of two output pixels at positions p0 and p1 (64-bit lanes):
// [fx fx fx 0] per pixel, so that the fourth byte comes out 0.
VELMORA_SSE2 inline __m128i RightWeights(__m128i positions) {
  const __m128i f = _mm_and_si128(_mm_srli_epi64(positions, 1), _mm_set1_epi64x(0x7FFF));
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(f, 0xC0), 0xC0);
}

VELMORA_SSE2 bool BilinearSse2(const uint32_t* rowA, const uint32_t* rowB, int32_t position,
                  uint8_t* destination, uint32_t step, int32_t count) {
  // The last source pixel read; rows whose positions would wrap stay scalar.
  const uint64_t lastPosition = static_cast<uint64_t>(count - 1) * step;
  if (lastPosition > 0xFFFFFFFFu) return false;
  const uint32_t limit = static_cast<uint32_t>(lastPosition >> 16) + 1;

  const int32_t fy = static_cast<int32_t>((static_cast<uint32_t>(position) >> 1) & 0x7FFF);
  const __m128i wa = _mm_set1_epi16(static_cast<int16_t>(0x7FFF - fy));
  const __m128i wb = _mm_set1_epi16(static_cast<int16_t>(fy));
  const __m128i full = _mm_set_epi16(0, 0x7FFF, 0x7FFF, 0x7FFF, 0, 0x7FFF, 0x7FFF, 0x7FFF);
  BlendBuffer buffer;
  uint32_t base = 0, end = 0;  // buffer holds source pixels [base, end)

  uint32_t p = 0;
  __m128i positions = _mm_set_epi64x(step, 0);
  const __m128i twoSteps = _mm_set1_epi64x(2 * static_cast<int64_t>(step));
  int32_t i = 0;
  for (; i + 2 <= count; i += 2, p += 2 * step) {
    const uint32_t x0 = p >> 16, x1 = (p + step) >> 16;
    if (x1 + 1 >= end) {
      base = x0;
      end = base + kBlendChunk + 1 < limit + 1 ? base + kBlendChunk + 1 : limit + 1;
      BlendRowsSse2(rowA, rowB, base, end, wa, wb, buffer.lanes);
      if (x1 + 1 >= end) break;  // a step too long for the chunk: finish in scalar
    }
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer.lanes + 4 * (x0 - base)));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer.lanes + 4 * (x1 - base)));
    const __m128i right = RightWeights(positions);
    const __m128i left = _mm_sub_epi16(full, right);
    const __m128i out = _mm_add_epi16(_mm_mulhi_epi16(_mm_unpacklo_epi64(v0, v1), left),
                                      _mm_mulhi_epi16(_mm_unpackhi_epi64(v0, v1), right));
    const __m128i bytes = _mm_packus_epi16(out, out);
    uint8_t* d = destination + 3 * static_cast<intptr_t>(i);
    StoreWord(d, static_cast<uint32_t>(_mm_cvtsi128_si32(bytes)));
    StoreWord(d + 3, static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_epi64(bytes, 32))));
    positions = _mm_add_epi64(positions, twoSteps);
  }
  BilinearPixels(rowA, rowB, position, destination, step, i, count);
  return true;
}

// --- Bilinear, AVX2: four output pixels per step ------------------------------

#define VELMORA_AVX2 __attribute__((target("avx2")))

VELMORA_AVX2 void BlendRowsAvx2(const uint32_t* rowA, const uint32_t* rowB, uint32_t from, uint32_t to,
                                int16_t wa, int16_t wb, int16_t* lanes) {
  const __m256i a16 = _mm256_set1_epi16(wa), b16 = _mm256_set1_epi16(wb);
  uint32_t x = from;
  for (; x + 4 <= to; x += 4, lanes += 16) {
    const __m256i a = _mm256_slli_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rowA + x))), 2);
    const __m256i b = _mm256_slli_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rowB + x))), 2);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes),
                        _mm256_add_epi16(_mm256_mulhi_epi16(a, a16), _mm256_mulhi_epi16(b, b16)));
  }
  BlendRowsSse2(rowA, rowB, x, to, _mm_set1_epi16(wa), _mm_set1_epi16(wb), lanes);
}

// A byte shuffle that drops the fourth byte of each of four 32-bit pixels,
// leaving their twelve bytes of B, G, R at the front.
VELMORA_SSE2 inline __m128i DropFourthBytes() {
  return _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
}

VELMORA_AVX2 bool BilinearAvx2(const uint32_t* rowA, const uint32_t* rowB, int32_t position,
                               uint8_t* destination, uint32_t step, int32_t count) {
  const uint64_t lastPosition = static_cast<uint64_t>(count - 1) * step;
  if (lastPosition > 0xFFFFFFFFu) return false;
  const uint32_t limit = static_cast<uint32_t>(lastPosition >> 16) + 1;

  const int32_t fy = static_cast<int32_t>((static_cast<uint32_t>(position) >> 1) & 0x7FFF);
  const __m256i full = _mm256_set1_epi64x(0x00007FFF7FFF7FFF);
  const __m128i drop = DropFourthBytes();
  BlendBuffer buffer;
  uint32_t base = 0, end = 0;  // buffer holds source pixels [base, end)

  uint32_t p = 0;
  __m256i positions = _mm256_set_epi64x(3 * int64_t{step}, 2 * int64_t{step}, step, 0);
  const __m256i fourSteps = _mm256_set1_epi64x(4 * static_cast<int64_t>(step));
  int32_t i = 0;
  // The sixteen-byte store reaches into the next pixel, so one pixel must follow.
  for (; i + 4 < count; i += 4, p += 4 * step) {
    const uint32_t x0 = p >> 16, x3 = (p + 3 * step) >> 16;
    if (x3 + 1 >= end) {
      base = x0;
      end = base + kBlendChunk + 1 < limit + 1 ? base + kBlendChunk + 1 : limit + 1;
      BlendRowsAvx2(rowA, rowB, base, end, static_cast<int16_t>(0x7FFF - fy), static_cast<int16_t>(fy),
                    buffer.lanes);
      if (x3 + 1 >= end) break;  // a step too long for the chunk: finish in scalar
    }
    auto pair = [&](uint32_t q) VELMORA_AVX2 {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer.lanes + 4 * ((q >> 16) - base)));
    };
    const __m256i t0 = _mm256_inserti128_si256(_mm256_castsi128_si256(pair(p)), pair(p + 2 * step), 1);
    const __m256i t1 = _mm256_inserti128_si256(_mm256_castsi128_si256(pair(p + step)), pair(p + 3 * step), 1);
    const __m256i f = _mm256_and_si256(_mm256_srli_epi64(positions, 1), _mm256_set1_epi64x(0x7FFF));
    const __m256i right = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(f, 0xC0), 0xC0);
    const __m256i left = _mm256_sub_epi16(full, right);
    const __m256i out = _mm256_add_epi16(_mm256_mulhi_epi16(_mm256_unpacklo_epi64(t0, t1), left),
                                         _mm256_mulhi_epi16(_mm256_unpackhi_epi64(t0, t1), right));
    const __m256i bytes = _mm256_packus_epi16(out, out);  // pixels 0, 1 | 2, 3
    const __m128i four = _mm_unpacklo_epi64(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 3 * static_cast<intptr_t>(i)),
                     _mm_shuffle_epi8(four, drop));
    positions = _mm256_add_epi64(positions, fourSteps);
  }
  BilinearPixels(rowA, rowB, position, destination, step, i, count);
  return true;
}

// --- Nearest, AVX2 ----------------------------------------------------------
// When enlarging (a step of at most one pixel) eight output pixels come from
// eight neighbouring source pixels: one load and a lane permute. Their fourth
// bytes are dropped and they are stored as two sixteen-byte writes of twelve
// bytes each. The four bytes behind the second write are those the next
// pixel's own 4-byte write covers, so the loop stops while one pixel follows,
// and reads no source pixel the scalar form would not; the rest goes as in the
// scalar form, and every byte ends as the scalar form leaves it.
VELMORA_AVX2 int32_t NearestAvx2(const uint32_t* source, uint8_t* destination, uint32_t step,
                                 int32_t count) {
  if (step > 65536 || count < 1) return 0;
  const uint32_t lastSource = (static_cast<uint32_t>(count - 1) * step) >> 16;
  const __m256i drop = _mm256_broadcastsi128_si256(DropFourthBytes());
  const __m256i steps = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                           _mm256_set1_epi32(static_cast<int32_t>(step)));
  uint32_t p = 0;
  int32_t i = 0;
  for (; i + 9 <= count && (p >> 16) + 7 <= lastSource; i += 8, p += 8 * step) {
    // Positions relative to the first pixel's source pixel, fraction kept.
    const __m256i relative =
        _mm256_srli_epi32(_mm256_add_epi32(steps, _mm256_set1_epi32(static_cast<int32_t>(p & 0xFFFF))), 16);
    const __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + (p >> 16)));
    const __m256i pixels = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(window, relative), drop);
    uint8_t* out = destination + 3 * static_cast<intptr_t>(i);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(pixels));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), _mm256_extracti128_si256(pixels, 1));
  }
  return i;
}

void NearestPixels(const uint32_t* source, uint8_t* destination, uint32_t step, int32_t first,
                   int32_t count) {
  uint32_t p = static_cast<uint32_t>(first) * step;
  for (int32_t i = first; i < count; ++i, p += step) {
    StoreWord(destination + 3 * static_cast<intptr_t>(i), source[p >> 16]);
  }
}

}  // namespace

namespace reference {

void ResizeRowNearest(const uint32_t* source, uint8_t* destination, int32_t step, int32_t count) {
  NearestPixels(source, destination, static_cast<uint32_t>(step), 0, count);
}

void ResizeRowBilinear(const uint32_t* rowA, const uint32_t* rowB, int32_t position,
                       uint8_t* destination, int32_t step, int32_t count) {
  if (!HasMmx()) return;
  BilinearPixels(rowA, rowB, position, destination, static_cast<uint32_t>(step), 0, count);
}

}  // namespace reference

void ResizeRowNearest(const uint32_t* source, uint8_t* destination, int32_t step, int32_t count) {
  const uint32_t unsignedStep = static_cast<uint32_t>(step);
  const int32_t done = CurrentVectorLevel() >= VectorLevel::kAvx2
                           ? NearestAvx2(source, destination, unsignedStep, count)
                           : 0;
  NearestPixels(source, destination, unsignedStep, done, count);
}

void ResizeRowBilinear(const uint32_t* rowA, const uint32_t* rowB, int32_t position,
                       uint8_t* destination, int32_t step, int32_t count) {
  if (!HasMmx() || count < 1) return;
  const VectorLevel level = CurrentVectorLevel();
  const uint32_t unsignedStep = static_cast<uint32_t>(step);
  if (level >= VectorLevel::kAvx2 && BilinearAvx2(rowA, rowB, position, destination, unsignedStep, count)) return;
  if (level >= VectorLevel::kSse2 && BilinearSse2(rowA, rowB, position, destination, unsignedStep, count)) return;
  reference::ResizeRowBilinear(rowA, rowB, position, destination, step, count);
}
