// RGB, palette and bitfield rows into YUY2 (picture_to_yuy2.h). The plain
// form reads each pixel as 8-bit B, G, R and converts each pair with the
// RGB24 arithmetic. The vector forms load 32-bit and 16-bit pixels straight
// into the shared pair arithmetic (rgb_pair_vectors.h); palettes, other
// masks and 24-bit pixels are first spread into 32-bit pixels, a piece of
// the row at a time, in a buffer on the stack.
#include "video/picture_rows.h"

#include "platform/vector_helpers.h"
#include "video/rgb_pair_vectors.h"

#include <immintrin.h>

#include <algorithm>

namespace {

// Pixels spread at a time (even, so that pairs never straddle two pieces).
constexpr int32_t kPiecePixels = 256;

// A field of `width` bits as 8 bits: its bits repeated from the top down, or
// its top 8 when it is wider.
inline uint32_t ExpandField(uint32_t value, int32_t width) {
  if (width >= 8) return value >> (width - 8);
  uint32_t repeated = 0;
  int32_t bits = 0;
  while (bits < 8) {
    repeated = (repeated << width) | value;
    bits += width;
  }
  return (repeated >> (bits - 8)) & 0xFF;
}

inline uint32_t MaskedChannel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  const int32_t shift = __builtin_ctz(mask);
  return ExpandField((pixel & mask) >> shift, __builtin_popcount(mask));
}

inline uint32_t Bgr(uint32_t b, uint32_t g, uint32_t r) { return b | (g << 8) | (r << 16); }

inline uint32_t Load16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }

// Pixel x of a row as 0x00RRGGBB, field by field as the header describes it.
uint32_t ReferencePixel(const PictureLayout& layout, const uint8_t* row, const uint32_t* palette, int32_t x) {
  const uint32_t* m = layout.masks;
  switch (layout.form) {
    case PictureForm::kRgb24: return Bgr(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
    case PictureForm::kRgb32: return LoadWord(row + 4 * x) & 0xFFFFFF;
    case PictureForm::kRgb555: {
      const uint32_t w = Load16(row + 2 * x);
      return Bgr(ExpandField(w & 31, 5), ExpandField((w >> 5) & 31, 5), ExpandField((w >> 10) & 31, 5));
    }
    case PictureForm::kRgb565: {
      const uint32_t w = Load16(row + 2 * x);
      return Bgr(ExpandField(w & 31, 5), ExpandField((w >> 5) & 63, 6), ExpandField(w >> 11, 5));
    }
    case PictureForm::kBitfields16:
    case PictureForm::kBitfields32: {
      const uint32_t w = layout.form == PictureForm::kBitfields16 ? Load16(row + 2 * x) : LoadWord(row + 4 * x);
      return Bgr(MaskedChannel(w, m[2]), MaskedChannel(w, m[1]), MaskedChannel(w, m[0]));
    }
    case PictureForm::kPalette8: return palette[row[x]] & 0xFFFFFF;
    case PictureForm::kPalette4: return palette[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15] & 0xFFFFFF;
    case PictureForm::kPalette1: return palette[(row[x / 8] >> (7 - x % 8)) & 1] & 0xFFFFFF;
    default: return 0;
  }
}

// Two 0x00RRGGBB pixels as one pair word.
inline uint32_t PairOfPixels(uint32_t p0, uint32_t p1, bool highQuality, const uint32_t* table) {
  const uint8_t pair[6] = {static_cast<uint8_t>(p0), static_cast<uint8_t>(p0 >> 8), static_cast<uint8_t>(p0 >> 16),
                           static_cast<uint8_t>(p1), static_cast<uint8_t>(p1 >> 8), static_cast<uint8_t>(p1 >> 16)};
  return Rgb24PairToYuy2(pair, highQuality, table);
}

void ReferenceRow(const PictureLayout& layout, const uint8_t* row, const uint32_t* palette, uint8_t* out,
                  int32_t pairs, bool highQuality, const uint32_t* table) {
  for (int32_t k = 0; k < pairs; ++k) {
    const uint32_t p0 = ReferencePixel(layout, row, palette, 2 * k);
    const uint32_t p1 = ReferencePixel(layout, row, palette, 2 * k + 1);
    StoreWord(out + 4 * k, PairOfPixels(p0, p1, highQuality, table));
  }
}

// --- 32-bit pixels (B, G, R, unused) ------------------------------------------

VELMORA_SSE2 inline Channels128 LoadBgrx128(const uint8_t* p) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  const __m128i byte = _mm_set1_epi32(0xFF);
  auto channel = [&](int shift) VELMORA_SSE2 {
    return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(a, shift), byte),
                           _mm_and_si128(_mm_srli_epi32(b, shift), byte));
  };
  return {channel(0), channel(8), channel(16)};
}

// Byte `shift` / 8 of each 32-bit lane of a, then of b, in 16-bit lanes.
VELMORA_AVX2 inline __m256i ByteLanes256(__m256i a, __m256i b, int shift) {
  const __m256i byte = _mm256_set1_epi32(0xFF);
  return _mm256_packs_epi32(_mm256_and_si256(_mm256_srli_epi32(a, shift), byte),
                            _mm256_and_si256(_mm256_srli_epi32(b, shift), byte));
}

// Sixteen pixels: the lanes of the two loads are regrouped first, so that
// packing gives pixels 0-7 in the low half and 8-15 in the high half.
VELMORA_AVX2 inline Channels256 LoadBgrx256(const uint8_t* p) {
  const __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
  const __m256i a = _mm256_permute2x128_si256(x0, x1, 0x20);
  const __m256i b = _mm256_permute2x128_si256(x0, x1, 0x31);
  return {ByteLanes256(a, b, 0), ByteLanes256(a, b, 8), ByteLanes256(a, b, 16)};
}

VELMORA_AVX2 int32_t BgrxPairsAvx2(const uint8_t* pixels, uint8_t* out, int32_t pairs, bool highQuality) {
  int32_t k = 0;
  if (highQuality) {
    for (; k + 8 <= pairs; k += 8) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k), HighQuality256(LoadBgrx256(pixels + 8 * k)));
    }
  } else {
    const LowQualityFactors256 factors = MakeLowQualityFactors256();
    for (; k + 8 <= pairs; k += 8) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k), LowQuality256(LoadBgrx256(pixels + 8 * k), factors));
    }
  }
  return k;
}

VELMORA_SSE2 int32_t BgrxPairsSse2(const uint8_t* pixels, uint8_t* out, int32_t pairs, bool highQuality) {
  int32_t k = 0;
  for (; k + 4 <= pairs; k += 4) {
    const Channels128 c = LoadBgrx128(pixels + 8 * k);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k), highQuality ? HighQuality128(c) : LowQuality128(c));
  }
  return k;
}

VELMORA_SSE2 void ConvertBgrxPairsSse2(const uint8_t* pixels, uint8_t* out, int32_t pairs, bool highQuality,
                      const uint32_t* table, VectorLevel level) {
  int32_t k = level >= VectorLevel::kAvx2 ? BgrxPairsAvx2(pixels, out, pairs, highQuality) : 0;
  k += BgrxPairsSse2(pixels + 8 * k, out + 4 * k, pairs - k, highQuality);
  for (; k < pairs; ++k) {
    StoreWord(out + 4 * k, PairOfPixels(LoadWord(pixels + 8 * k), LoadWord(pixels + 8 * k + 4), highQuality, table));
  }
}

// --- 16-bit pixels, 555 or 565 ------------------------------------------------

VELMORA_SSE2 inline __m128i Expand5Bits128(__m128i v) { return _mm_or_si128(_mm_slli_epi16(v, 3), _mm_srli_epi16(v, 2)); }

template <bool kGreen6>
VELMORA_SSE2 inline Channels128 Load16Bit128(const uint8_t* p) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i five = _mm_set1_epi16(31);
  const __m128i b = Expand5Bits128(_mm_and_si128(x, five));
  if (kGreen6) {
    const __m128i g6 = _mm_and_si128(_mm_srli_epi16(x, 5), _mm_set1_epi16(63));
    return {b, _mm_or_si128(_mm_slli_epi16(g6, 2), _mm_srli_epi16(g6, 4)), Expand5Bits128(_mm_srli_epi16(x, 11))};
  }
  return {b, Expand5Bits128(_mm_and_si128(_mm_srli_epi16(x, 5), five)), Expand5Bits128(_mm_and_si128(_mm_srli_epi16(x, 10), five))};
}

VELMORA_AVX2 inline __m256i Expand5Bits256(__m256i v) {
  return _mm256_or_si256(_mm256_slli_epi16(v, 3), _mm256_srli_epi16(v, 2));
}

template <bool kGreen6>
VELMORA_AVX2 inline Channels256 Load16Bit256(const uint8_t* p) {
  const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i five = _mm256_set1_epi16(31);
  const __m256i b = Expand5Bits256(_mm256_and_si256(x, five));
  if (kGreen6) {
    const __m256i g6 = _mm256_and_si256(_mm256_srli_epi16(x, 5), _mm256_set1_epi16(63));
    return {b, _mm256_or_si256(_mm256_slli_epi16(g6, 2), _mm256_srli_epi16(g6, 4)),
            Expand5Bits256(_mm256_srli_epi16(x, 11))};
  }
  return {b, Expand5Bits256(_mm256_and_si256(_mm256_srli_epi16(x, 5), five)),
          Expand5Bits256(_mm256_and_si256(_mm256_srli_epi16(x, 10), five))};
}

template <bool kGreen6>
VELMORA_AVX2 int32_t Pairs16Avx2(const uint8_t* row, uint8_t* out, int32_t pairs, bool highQuality) {
  int32_t k = 0;
  if (highQuality) {
    for (; k + 8 <= pairs; k += 8) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k), HighQuality256(Load16Bit256<kGreen6>(row + 4 * k)));
    }
  } else {
    const LowQualityFactors256 factors = MakeLowQualityFactors256();
    for (; k + 8 <= pairs; k += 8) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k),
                          LowQuality256(Load16Bit256<kGreen6>(row + 4 * k), factors));
    }
  }
  return k;
}

template <bool kGreen6>
VELMORA_SSE2 int32_t Pairs16Sse2(const uint8_t* row, uint8_t* out, int32_t pairs, bool highQuality) {
  int32_t k = 0;
  for (; k + 4 <= pairs; k += 4) {
    const Channels128 c = Load16Bit128<kGreen6>(row + 4 * k);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k), highQuality ? HighQuality128(c) : LowQuality128(c));
  }
  return k;
}

template <bool kGreen6>
VELMORA_SSE2 void Convert16BitPairsSse2(const PictureLayout& layout, const uint8_t* row, uint8_t* out, int32_t pairs,
                       bool highQuality, const uint32_t* table, VectorLevel level) {
  int32_t k = level >= VectorLevel::kAvx2 ? Pairs16Avx2<kGreen6>(row, out, pairs, highQuality) : 0;
  k += Pairs16Sse2<kGreen6>(row + 4 * k, out + 4 * k, pairs - k, highQuality);
  for (; k < pairs; ++k) {
    StoreWord(out + 4 * k, PairOfPixels(ReferencePixel(layout, row, nullptr, 2 * k),
                                        ReferencePixel(layout, row, nullptr, 2 * k + 1), highQuality, table));
  }
}

// --- everything else: spread into 32-bit pixels first ---------------------------

VELMORA_SSE2 void SpreadPixelsSse2(const PictureLayout& layout, const uint8_t* row, const uint32_t* palette, int32_t first,
                  int32_t count, uint32_t* pixels) {
  switch (layout.form) {
    case PictureForm::kRgb24:
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = row + 3 * (first + i);
        pixels[i] = Bgr(p[0], p[1], p[2]);
      }
      return;
    case PictureForm::kPalette8:
      for (int32_t i = 0; i < count; ++i) pixels[i] = palette[row[first + i]];
      return;
    case PictureForm::kPalette4:  // first is even: whole bytes
      for (int32_t i = 0; i < count; i += 2) {
        const uint8_t b = row[(first + i) / 2];
        pixels[i] = palette[b >> 4];
        pixels[i + 1] = palette[b & 15];
      }
      return;
    case PictureForm::kPalette1: {
      // Whole bytes (first is a multiple of 256): each bit picks one of the
      // two colours through a mask.
      const __m128i zero = _mm_set1_epi32(static_cast<int32_t>(palette[0]));
      const __m128i one = _mm_set1_epi32(static_cast<int32_t>(palette[1]));
      const __m128i high = _mm_setr_epi32(0x80, 0x40, 0x20, 0x10), low = _mm_setr_epi32(8, 4, 2, 1);
      int32_t i = 0;
      for (; i + 8 <= count; i += 8) {
        const __m128i bits = _mm_set1_epi32(row[(first + i) >> 3]);
        const __m128i first4 = _mm_cmpeq_epi32(_mm_and_si128(bits, high), high);
        const __m128i last4 = _mm_cmpeq_epi32(_mm_and_si128(bits, low), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i),
                         _mm_or_si128(_mm_andnot_si128(first4, zero), _mm_and_si128(first4, one)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i + 4),
                         _mm_or_si128(_mm_andnot_si128(last4, zero), _mm_and_si128(last4, one)));
      }
      for (; i < count; ++i) {
        const int32_t x = first + i;
        pixels[i] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
      }
      return;
    }
    default:
      for (int32_t i = 0; i < count; ++i) pixels[i] = ReferencePixel(layout, row, palette, first + i);
      return;
  }
}

}  // namespace

void ConvertRgbFormRow(const PictureLayout& layout, const uint8_t* row, const uint32_t* palette,
                       uint8_t* out, int32_t pairs, bool highQuality, const uint32_t* table,
                       VectorLevel level) {
  if (level == VectorLevel::kScalar) {
    ReferenceRow(layout, row, palette, out, pairs, highQuality, table);
    return;
  }
  switch (layout.form) {
    case PictureForm::kRgb32:
      ConvertBgrxPairsSse2(row, out, pairs, highQuality, table, level);
      return;
    case PictureForm::kRgb555:
      Convert16BitPairsSse2<false>(layout, row, out, pairs, highQuality, table, level);
      return;
    case PictureForm::kRgb565:
      Convert16BitPairsSse2<true>(layout, row, out, pairs, highQuality, table, level);
      return;
    default:
      break;
  }
  uint32_t pixels[kPiecePixels];
  for (int32_t k = 0; k < pairs; k += kPiecePixels / 2) {
    const int32_t n = std::min(kPiecePixels / 2, pairs - k);
    SpreadPixelsSse2(layout, row, palette, 2 * k, 2 * n, pixels);
    ConvertBgrxPairsSse2(reinterpret_cast<const uint8_t*>(pixels), out + 4 * k, n, highQuality, table, level);
  }
}
