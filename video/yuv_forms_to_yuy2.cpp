// YUV rows into YUY2 (picture_to_yuy2.h): packed pairs reordered, planar
// rows interleaved. No arithmetic: every form moves bytes only.
#include "video/picture_rows.h"

#include "platform/vector_helpers.h"
#include "video/rgb_pair_vectors.h"

#include <immintrin.h>

#include <cstring>

namespace {

// One packed pair word (little-endian) reordered into Y0 U Y1 V.
inline uint32_t PackedPair(PictureForm form, uint32_t w) {
  switch (form) {
    case PictureForm::kUyvy: return ((w << 8) & 0xFF00FF00) | ((w >> 8) & 0x00FF00FF);
    case PictureForm::kYvyu: return (w & 0x00FF00FF) | ((w >> 16) & 0x0000FF00) | ((w << 16) & 0xFF000000);
    default: return w;
  }
}

VELMORA_SSE2 inline __m128i PackedPairs128(PictureForm form, __m128i x) {
  if (form == PictureForm::kUyvy) return _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
  return _mm_or_si128(_mm_and_si128(x, _mm_set1_epi32(0x00FF00FF)),
                      _mm_or_si128(_mm_and_si128(_mm_srli_epi32(x, 16), _mm_set1_epi32(0x0000FF00)),
                                   _mm_and_si128(_mm_slli_epi32(x, 16), _mm_set1_epi32(0xFF000000))));
}

VELMORA_AVX2 inline __m256i PackedPairs256(PictureForm form, __m256i x) {
  if (form == PictureForm::kUyvy) return _mm256_or_si256(_mm256_slli_epi16(x, 8), _mm256_srli_epi16(x, 8));
  return _mm256_or_si256(_mm256_and_si256(x, _mm256_set1_epi32(0x00FF00FF)),
                         _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(x, 16), _mm256_set1_epi32(0x0000FF00)),
                                         _mm256_and_si256(_mm256_slli_epi32(x, 16), _mm256_set1_epi32(0xFF000000))));
}

VELMORA_AVX2 int32_t PackedPairsAvx2(PictureForm form, const uint8_t* row, uint8_t* out, int32_t pairs) {
  int32_t k = 0;
  for (; k + 8 <= pairs; k += 8) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * k));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k), PackedPairs256(form, x));
  }
  return k;
}

VELMORA_SSE2 int32_t PackedPairsSse2(PictureForm form, const uint8_t* row, uint8_t* out, int32_t pairs) {
  int32_t k = 0;
  for (; k + 4 <= pairs; k += 4) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k), PackedPairs128(form, x));
  }
  return k;
}

// Thirty-two pixels: bytes 0-7 and 16-23 of luma and of the chroma pairs
// meet in the low lane's unpacking, 8-15 and 24-31 in the high lane's.
VELMORA_AVX2 int32_t PlanarPairsAvx2(const uint8_t* luma, const uint8_t* u, const uint8_t* v, uint8_t* out,
                                     int32_t pairs) {
  int32_t k = 0;
  for (; k + 16 <= pairs; k += 16) {
    const __m256i y = _mm256_permute4x64_epi64(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma + 2 * k)), 0xD8);
    const __m128i u16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + k));
    const __m128i v16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + k));
    const __m256i uv = _mm256_permute4x64_epi64(
        _mm256_setr_m128i(_mm_unpacklo_epi8(u16, v16), _mm_unpackhi_epi8(u16, v16)), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k), _mm256_unpacklo_epi8(y, uv));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k + 32), _mm256_unpackhi_epi8(y, uv));
  }
  return k;
}

VELMORA_SSE2 int32_t PlanarPairsSse2(const uint8_t* luma, const uint8_t* u, const uint8_t* v, uint8_t* out, int32_t pairs) {
  int32_t k = 0;
  for (; k + 8 <= pairs; k += 8) {
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + 2 * k));
    const __m128i uv = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + k)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + k)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k), _mm_unpacklo_epi8(y, uv));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k + 16), _mm_unpackhi_epi8(y, uv));
  }
  return k;
}

}  // namespace

void ConvertPackedYuvRow(PictureForm form, const uint8_t* row, uint8_t* out, int32_t pairs, VectorLevel level) {
  if (form == PictureForm::kYuy2) {
    std::memcpy(out, row, static_cast<size_t>(pairs) * 4);
    return;
  }
  int32_t k = 0;
  if (level >= VectorLevel::kAvx2) k = PackedPairsAvx2(form, row, out, pairs);
  if (level >= VectorLevel::kSse2) k += PackedPairsSse2(form, row + 4 * k, out + 4 * k, pairs - k);
  for (; k < pairs; ++k) StoreWord(out + 4 * k, PackedPair(form, LoadWord(row + 4 * k)));
}

void ConvertPlanarRow(const uint8_t* luma, const uint8_t* u, const uint8_t* v, uint8_t* out, int32_t pairs,
                      VectorLevel level) {
  int32_t k = 0;
  if (level >= VectorLevel::kAvx2) k = PlanarPairsAvx2(luma, u, v, out, pairs);
  if (level >= VectorLevel::kSse2) k += PlanarPairsSse2(luma + 2 * k, u + k, v + k, out + 4 * k, pairs - k);
  for (; k < pairs; ++k) {
    StoreWord(out + 4 * k, static_cast<uint32_t>(luma[2 * k] | (u[k] << 8) | (luma[2 * k + 1] << 16)) |
                               (static_cast<uint32_t>(v[k]) << 24));
  }
}
