#include "video/rgb24_to_yuy2.h"

#include "video/clamp_shift8.h"
#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/rgb_pair_vectors.h"
#include "video/yuy2_frame.h"

#include <immintrin.h>

#include <cstdlib>
#include <new>

uint32_t Rgb555ToYuy2Entry(uint32_t index) {
  const int32_t r = static_cast<int32_t>((index >> 10) & 31) * 8;
  const int32_t g = static_cast<int32_t>((index >> 5) & 31) * 8;
  const int32_t b = static_cast<int32_t>(index & 31) * 8;
  const uint32_t y = static_cast<uint32_t>(ClampShift8(77 * r + 150 * g + 29 * b));
  const uint32_t v = static_cast<uint32_t>(ClampShift8(128 * r - 107 * g - 21 * b + 32768));
  const uint32_t u = static_cast<uint32_t>(ClampShift8(128 * b - 85 * g - 43 * r + 32768));
  return y | (u << 8) | (y << 16) | (v << 24);
}

bool Rgb555ToYuy2Table::Build() {
  if (entries_ != nullptr) return true;
  entries_.reset(new (std::nothrow) uint32_t[kEntries]);
  if (entries_ == nullptr) return false;
  for (uint32_t i = 0; i < kEntries; ++i) entries_[i] = Rgb555ToYuy2Entry(i);
  return true;
}

namespace {

// --- one pixel pair ----------------------------------------------------------

// floor(c x v / 65536): the high half of a signed 16 x 16-bit product.
inline int32_t MulHigh(int32_t v, int32_t c) { return (v * c) >> 16; }

uint32_t ConvertPairHigh(const uint8_t* p) {
  const int32_t b0 = p[0], g0 = p[1], r0 = p[2], b1 = p[3], g1 = p[4], r1 = p[5];
  auto luma = [](int32_t b, int32_t g, int32_t r) {
    const int32_t y = MulHigh(b << 7, 58) + MulHigh(g << 7, 300) + MulHigh(r << 7, 154);
    return static_cast<uint32_t>(y > 255 ? 255 : y);
  };
  const int32_t bs = (b0 + b1) >> 1, gs = (g0 + g1) >> 1, rs = (r0 + r1) >> 1;
  const uint32_t v = SaturateByte(128 + (rs >> 1) + MulHigh(gs, -27392) + MulHigh(bs, -5120));
  const uint32_t u = SaturateByte(128 + (bs >> 1) + MulHigh(rs, -11008) + MulHigh(gs, -21760));
  return luma(b0, g0, r0) | (u << 8) | (luma(b1, g1, r1) << 16) | (v << 24);
}

inline uint32_t TableIndex(const uint8_t* p) {
  return static_cast<uint32_t>((p[2] >> 3) * 1024 + (p[1] >> 3) * 32 + (p[0] >> 3));
}

uint32_t ConvertPairLow(const uint8_t* p, const uint32_t* table) {
  const uint32_t e0 = table[TableIndex(p)], e1 = table[TableIndex(p + 3)];
  const uint32_t u = (((e0 >> 8) & 0xFF) + ((e1 >> 8) & 0xFF)) >> 1;
  const uint32_t v = ((e0 >> 24) + (e1 >> 24)) >> 1;
  return (e0 & 0xFF) | (u << 8) | ((e1 & 0xFF) << 16) | (v << 24);
}

}  // namespace

uint32_t Rgb24PairToYuy2(const uint8_t* pair, bool highQuality, const uint32_t* table) {
  return highQuality ? ConvertPairHigh(pair) : ConvertPairLow(pair, table);
}

namespace {

void ConvertPairs(const uint8_t* source, uint8_t* destination, int32_t from, int32_t pairs,
                  bool highQuality, const uint32_t* table) {
  for (int32_t k = from; k < pairs; ++k) {
    StoreWord(destination + 4 * k, Rgb24PairToYuy2(source + 6 * k, highQuality, table));
  }
}

// --- AVX2: sixteen pixels per step -------------------------------------------
// Each 128-bit lane takes eight pixels (24 bytes) as two loads of four pixels
// (12 bytes each); one byte shuffle groups each load's B, G and R bytes, and
// unpacking spreads them into 16-bit lanes. Pair terms form in the even lanes.

VELMORA_AVX2 inline __m256i LoadTwice(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// Reads the 48 bytes of sixteen pixels and 4 bytes beyond (the load at +36
// ends at +52), so a pair must follow in the row.
VELMORA_AVX2 inline Channels256 LoadPixels(const uint8_t* p, __m256i group) {
  // Each load's first twelve bytes become B0-3 G0-3 R0-3.
  const __m256i first = _mm256_shuffle_epi8(LoadTwice(p, p + 24), group);
  const __m256i second = _mm256_shuffle_epi8(LoadTwice(p + 12, p + 36), group);
  const __m256i bg = _mm256_unpacklo_epi32(first, second);  // B0-7 G0-7
  const __m256i r = _mm256_unpackhi_epi32(first, second);   // R0-7
  const __m256i zero = _mm256_setzero_si256();
  return {_mm256_unpacklo_epi8(bg, zero), _mm256_unpackhi_epi8(bg, zero), _mm256_unpacklo_epi8(r, zero)};
}

VELMORA_AVX2 void ConvertRowAvx2(const uint8_t* source, uint8_t* destination, int32_t pairs,
                                 bool highQuality, const uint32_t* table) {
  const __m256i group = _mm256_setr_epi8(0, 3, 6, 9, 1, 4, 7, 10, 2, 5, 8, 11, -1, -1, -1, -1,
                                         0, 3, 6, 9, 1, 4, 7, 10, 2, 5, 8, 11, -1, -1, -1, -1);
  int32_t k = 0;
  if (highQuality) {
    for (; k + 8 < pairs; k += 8) {
      const __m256i out = HighQuality256(LoadPixels(source + 6 * k, group));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 4 * k), out);
    }
  } else {
    const LowQualityFactors256 factors = MakeLowQualityFactors256();
    for (; k + 8 < pairs; k += 8) {
      const __m256i out = LowQuality256(LoadPixels(source + 6 * k, group), factors);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 4 * k), out);
    }
  }
  ConvertPairs(source, destination, k, pairs, highQuality, table);
}

bool ConvertFrame(const uint8_t* source, uint8_t* destination, int32_t width, int32_t biHeight,
                  bool highQuality, Rgb555ToYuy2Table* table, bool vector) {
  const int32_t pairs = width / 2;
  if (pairs <= 0 || biHeight == 0 || biHeight == INT32_MIN) return true;
  const int32_t height = std::abs(biHeight);
  if (highQuality) table->Free();
  else if (!table->Build()) return false;
  const intptr_t sourceStride = (3 * static_cast<intptr_t>(width) + 3) / 4 * 4;
  const int32_t destinationStride = Yuy2RowStride(width);
  for (int32_t r = 0; r < height; ++r) {
    // A positive biHeight stores the rows bottom-up.
    const int32_t sourceRow = biHeight > 0 ? height - 1 - r : r;
    const uint8_t* in = source + sourceRow * sourceStride;
    uint8_t* out = destination + static_cast<intptr_t>(r) * destinationStride;
    if (vector) ConvertRowAvx2(in, out, pairs, highQuality, table->Entries());
    else ConvertPairs(in, out, 0, pairs, highQuality, table->Entries());
  }
  return true;
}

}  // namespace

namespace reference {

bool ConvertRgb24ToYuy2(const uint8_t* source, uint8_t* destination, int32_t width,
                        int32_t biHeight, bool highQuality, Rgb555ToYuy2Table* table) {
  return ConvertFrame(source, destination, width, biHeight, highQuality, table, false);
}

}  // namespace reference

bool ConvertRgb24ToYuy2(const uint8_t* source, uint8_t* destination, int32_t width,
                        int32_t biHeight, bool highQuality, Rgb555ToYuy2Table* table) {
  // The byte shuffles need SSSE3, which comes with every AVX2 processor; below
  // that the plain loop runs.
  return ConvertFrame(source, destination, width, biHeight, highQuality, table,
                      CurrentVectorLevel() >= VectorLevel::kAvx2);
}
