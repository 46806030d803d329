#include "video/present_packing.h"

#include "platform/vector_helpers.h"
#include "platform/vector_level.h"

#include <immintrin.h>

#include <cstring>

namespace {

// One 0x00RRGGBB pixel as RGB 5-6-5.
inline uint32_t Rgb565(uint32_t p) {
  return ((p >> 8) & 0xF800) | ((p >> 5) & 0x7E0) | ((p >> 3) & 0x1F);
}

inline uint32_t SwapBytesInHalves(uint32_t w) {
  return ((w << 8) & 0xFF00FF00u) | ((w >> 8) & 0x00FF00FFu);
}

// Four RGB 5-6-5 values in the low halves of 32-bit lanes, sign-extended so
// that the signed pack keeps them exactly.
VELMORA_SSE2 inline __m128i Rgb565Lanes(__m128i p) {
  const __m128i r = _mm_and_si128(_mm_srli_epi32(p, 8), _mm_set1_epi32(0xF800));
  const __m128i g = _mm_and_si128(_mm_srli_epi32(p, 5), _mm_set1_epi32(0x7E0));
  const __m128i b = _mm_and_si128(_mm_srli_epi32(p, 3), _mm_set1_epi32(0x1F));
  const __m128i v = _mm_or_si128(_mm_or_si128(r, g), b);
  return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
}

VELMORA_SSE2 void PackRgb16RowSse2(const uint32_t* pixels, uint8_t* out, int32_t words) {
  int32_t k = 0;
  for (; k + 4 <= words; k += 4) {
    const __m128i lo = Rgb565Lanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 2 * k)));
    const __m128i hi = Rgb565Lanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 2 * k + 4)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k), _mm_packs_epi32(lo, hi));
  }
  reference::PackRgb16Row(pixels + 2 * k, out + 4 * k, words - k);
}

VELMORA_SSE2 void PackUyvyRowSse2(const uint8_t* yuy2, uint8_t* out, int32_t words) {
  int32_t k = 0;
  for (; k + 4 <= words; k += 4) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(yuy2 + 4 * k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k),
                     _mm_or_si128(_mm_slli_epi16(w, 8), _mm_srli_epi16(w, 8)));
  }
  reference::PackUyvyRow(yuy2 + 4 * k, out + 4 * k, words - k);
}

// Four groups (sixteen pixels, 48 bytes out) per step: a byte shuffle drops
// the fourth byte of each pixel. The 128-bit shuffle comes with SSSE3, which
// every AVX2 processor has.
__attribute__((target("avx2"))) void PackRgb24RowAvx2(const uint32_t* pixels, uint8_t* out,
                                                         int32_t groups) {
  const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int32_t g = 0;
  for (; g + 4 <= groups; g += 4) {
    const __m128i* in = reinterpret_cast<const __m128i*>(pixels + 4 * g);
    const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(in + 0), drop);
    const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), drop);
    const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), drop);
    const __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), drop);
    // Twelve bytes each: a | b << 96, b >> 32 | c << 64, c >> 64 | d << 32.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12 * g), _mm_or_si128(a, _mm_slli_si128(b, 12)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12 * g + 16),
                     _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12 * g + 32),
                     _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
  }
  reference::PackRgb24Row(pixels + 4 * g, out + 12 * g, groups - g);
}

inline uint8_t* TargetRow(const PackTarget& target, int32_t r, int32_t byteOffset) {
  return target.surface + static_cast<intptr_t>(r + target.yo) * target.pitch + byteOffset;
}

}  // namespace

namespace reference {

void PackRgb16Row(const uint32_t* pixels, uint8_t* out, int32_t words) {
  for (int32_t k = 0; k < words; ++k) {
    StoreWord(out + 4 * k, Rgb565(pixels[2 * k]) | (Rgb565(pixels[2 * k + 1]) << 16));
  }
}

void PackRgb24Row(const uint32_t* pixels, uint8_t* out, int32_t groups) {
  for (int32_t g = 0; g < groups; ++g) {
    const uint32_t* p = pixels + 4 * g;
    StoreWord(out + 12 * g, p[0] | (p[1] << 24));
    StoreWord(out + 12 * g + 4, (p[1] >> 8) | (p[2] << 16));
    StoreWord(out + 12 * g + 8, (p[2] >> 16) | (p[3] << 8));
  }
}

void PackUyvyRow(const uint8_t* yuy2, uint8_t* out, int32_t words) {
  for (int32_t k = 0; k < words; ++k) StoreWord(out + 4 * k, SwapBytesInHalves(LoadWord(yuy2 + 4 * k)));
}

}  // namespace reference

void PackRgb16Row(const uint32_t* pixels, uint8_t* out, int32_t words) {
  if (CurrentVectorLevel() >= VectorLevel::kSse2) PackRgb16RowSse2(pixels, out, words);
  else reference::PackRgb16Row(pixels, out, words);
}

void PackRgb24Row(const uint32_t* pixels, uint8_t* out, int32_t groups) {
  if (CurrentVectorLevel() >= VectorLevel::kAvx2) PackRgb24RowAvx2(pixels, out, groups);
  else reference::PackRgb24Row(pixels, out, groups);
}

void PackUyvyRow(const uint8_t* yuy2, uint8_t* out, int32_t words) {
  if (CurrentVectorLevel() >= VectorLevel::kSse2) PackUyvyRowSse2(yuy2, out, words);
  else reference::PackUyvyRow(yuy2, out, words);
}

void PackFrameRgb16(const uint32_t* pixels, int32_t width, int32_t height, const PackTarget& target) {
  for (int32_t r = 0; r < height; ++r) {
    PackRgb16Row(pixels + static_cast<intptr_t>(r) * width, TargetRow(target, r, target.xo / 2 * 4), width / 2);
  }
}

void PackFrameRgb24(const uint32_t* pixels, int32_t width, int32_t height, const PackTarget& target) {
  for (int32_t r = 0; r < height; ++r) {
    PackRgb24Row(pixels + static_cast<intptr_t>(r) * width, TargetRow(target, r, target.xo / 4 * 12), width / 4);
  }
}

void PackFrameRgb32(const uint32_t* pixels, int32_t width, int32_t height, const PackTarget& target) {
  if (width < 1) return;
  for (int32_t r = 0; r < height; ++r) {
    std::memcpy(TargetRow(target, r, target.xo * 4), pixels + static_cast<intptr_t>(r) * width,
                static_cast<size_t>(width) * 4);
  }
}

void PackFrameUyvy(const uint8_t* frame, int32_t width, int32_t height, int32_t framePitch,
                   const PackTarget& target) {
  for (int32_t r = 0; r < height; ++r) {
    PackUyvyRow(frame + static_cast<intptr_t>(r) * framePitch, TargetRow(target, r, target.xo / 2 * 4), width / 2);
  }
}

void PackFrameYuy2(const uint8_t* frame, int32_t width, int32_t height, int32_t framePitch,
                   const PackTarget& target) {
  if (width / 2 < 1) return;
  for (int32_t r = 0; r < height; ++r) {
    std::memcpy(TargetRow(target, r, target.xo / 2 * 4), frame + static_cast<intptr_t>(r) * framePitch,
                static_cast<size_t>(width / 2) * 4);
  }
}
