#include "video/yuy2_to_rgb32.h"

#include "platform/cpu_features.h"
#include "video/clamp_shift8.h"
#include "platform/vector_helpers.h"
#include "platform/vector_level.h"

#include <immintrin.h>

#include <cstring>
#include <new>

uint32_t YuvLookupEntry(uint32_t key) {
  const int32_t u = static_cast<int32_t>(key & 31) * 8 - 128;
  const int32_t y = static_cast<int32_t>((key >> 5) & 63) * 4;
  const int32_t v = static_cast<int32_t>((key >> 11) & 31) * 8 - 128;
  const int32_t r = ClampShift8(259 * y + 369 * v);
  const int32_t g = ClampShift8(259 * y - 88 * u - 183 * v - 2199);
  const int32_t b = ClampShift8(259 * y + 467 * u);
  return static_cast<uint32_t>((r << 16) | (g << 8) | b);
}

bool YuvLookup::Build() {
  if (entries_ != nullptr) return true;
  entries_.reset(new (std::nothrow) uint32_t[kEntries]);
  if (entries_ == nullptr) return false;
  for (uint32_t key = 0; key < kEntries; ++key) entries_[key] = YuvLookupEntry(key);
  return true;
}

namespace {

// One source word, high quality: two pixels.
void ConvertWordHigh(uint32_t w, uint32_t* out) {
  const int32_t y0 = w & 0xFF, y1 = (w >> 16) & 0xFF;
  const int32_t u = static_cast<int32_t>((w >> 8) & 0xFF) - 128;
  const int32_t v = static_cast<int32_t>(w >> 24) - 128;
  // floor(c x chroma / 256): the high half of (chroma x 256) x c.
  const int32_t gU = (-88 * u) >> 8, gV = (-183 * v) >> 8;
  const int32_t bU = (454 * u) >> 8, rV = (359 * v) >> 8;
  const int32_t ys[2] = {y0, y1};
  for (int k = 0; k < 2; ++k) {
    const uint32_t r = SaturateByte(ys[k] + rV), g = SaturateByte(ys[k] + gU + gV), b = SaturateByte(ys[k] + bU);
    out[k] = (r << 16) | (g << 8) | b;
  }
}

// One source word, low quality: the table byte offsets of its two pixels.
void ConvertWordLow(uint32_t w, const uint32_t* table, uint32_t* out) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(table);
  const uint32_t common = ((w >> 9) & 0x7C) | ((w >> 14) & 0x3E000);
  std::memcpy(&out[0], bytes + (common | ((w << 5) & 0x1F80)), 4);
  std::memcpy(&out[1], bytes + (common | ((w >> 11) & 0x1F80)), 4);
}

// --- SSE2: four source words (eight pixels) per step -----------------------

// The colour terms of four words, laid out per pixel: [bU bU], [g g], [rV rV].
struct ChromaTerms128 {
  __m128i b, g, r;
};

VELMORA_SSE2 inline ChromaTerms128 HighTerms128(__m128i words) {
  const __m128i chroma = _mm_slli_epi16(_mm_sub_epi16(_mm_srli_epi16(words, 8), _mm_set1_epi16(128)), 8);
  // Lanes [U V]: (454, 359) gives [bU rV], (-88, -183) gives [gU gV].
  const __m128i bu_rv = _mm_mulhi_epi16(chroma, _mm_set1_epi32(LanePair(454, 359)));
  const __m128i gu_gv = _mm_mulhi_epi16(chroma, _mm_set1_epi32(LanePair(-88, -183)));
  const __m128i g = _mm_add_epi16(gu_gv, _mm_srli_epi32(gu_gv, 16));
  ChromaTerms128 t;
  t.b = _mm_shufflehi_epi16(_mm_shufflelo_epi16(bu_rv, 0xA0), 0xA0);
  t.r = _mm_shufflehi_epi16(_mm_shufflelo_epi16(bu_rv, 0xF5), 0xF5);
  t.g = _mm_shufflehi_epi16(_mm_shufflelo_epi16(g, 0xA0), 0xA0);
  return t;
}

// Saturates the 16-bit B, G, R lanes of eight pixels into 0x00RRGGBB pixels.
VELMORA_SSE2 inline void StorePixels128(__m128i b, __m128i g, __m128i r, uint32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i br = _mm_packus_epi16(b, r);
  const __m128i g0 = _mm_packus_epi16(g, zero);
  const __m128i bg = _mm_unpacklo_epi8(br, g0);
  const __m128i r0 = _mm_unpackhi_epi8(br, zero);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(bg, r0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(bg, r0));
}

VELMORA_SSE2 void ConvertRowHighSse2(const uint8_t* row, int32_t words, uint32_t* out) {
  const __m128i lumaMask = _mm_set1_epi16(0xFF);
  int32_t i = 0;
  for (; i + 4 <= words; i += 4) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * i));
    const __m128i y = _mm_and_si128(w, lumaMask);
    const ChromaTerms128 t = HighTerms128(w);
    StorePixels128(_mm_add_epi16(y, t.b), _mm_add_epi16(y, t.g), _mm_add_epi16(y, t.r), out + 2 * i);
  }
  for (; i < words; ++i) ConvertWordHigh(LoadWord(row + 4 * i), out + 2 * i);
}

// Low quality computes the table entries instead of reading them: with the
// key's y = Y & 0xFC, u = (U & 0xF8) - 128, v = (V & 0xF8) - 128,
//   259y + 369v             = 256 (y + v)  + (3y + 113v)
//   259y - 88u - 183v - 2199 = 256 (y - v)  + (3y - 88u + 73v - 2199)
//   259y + 467u             = 256 (y + 2u) + (3y - 45u)
// and each bracket on the right fits a signed 16-bit lane, so ClampShift8 of
// the left side is the outer term plus the bracket shifted right by 8,
// saturated to a byte. Faster than two table reads per word (measured with
// SSE2 scalar reads and AVX2 gathers).
VELMORA_SSE2 inline void LowTerms128(__m128i words, __m128i* b, __m128i* g, __m128i* r) {
  const __m128i y = _mm_and_si128(words, _mm_set1_epi16(0xFC));
  const __m128i y3 = _mm_add_epi16(y, _mm_add_epi16(y, y));
  const __m128i uv = _mm_sub_epi16(_mm_and_si128(_mm_srli_epi16(words, 8), _mm_set1_epi16(0xF8)),
                                   _mm_set1_epi16(128));
  const __m128i bc_rc = _mm_mullo_epi16(uv, _mm_set1_epi32(LanePair(-45, 113)));
  const __m128i gu_gv = _mm_mullo_epi16(uv, _mm_set1_epi32(LanePair(-88, 73)));
  const __m128i gc = _mm_add_epi16(_mm_add_epi16(gu_gv, _mm_srli_epi32(gu_gv, 16)), _mm_set1_epi16(-2199));
  const __m128i u = _mm_shufflehi_epi16(_mm_shufflelo_epi16(uv, 0xA0), 0xA0);
  const __m128i v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(uv, 0xF5), 0xF5);
  const __m128i bc = _mm_shufflehi_epi16(_mm_shufflelo_epi16(bc_rc, 0xA0), 0xA0);
  const __m128i rc = _mm_shufflehi_epi16(_mm_shufflelo_epi16(bc_rc, 0xF5), 0xF5);
  const __m128i gcd = _mm_shufflehi_epi16(_mm_shufflelo_epi16(gc, 0xA0), 0xA0);
  *r = _mm_add_epi16(_mm_add_epi16(y, v), _mm_srai_epi16(_mm_add_epi16(y3, rc), 8));
  *g = _mm_add_epi16(_mm_sub_epi16(y, v), _mm_srai_epi16(_mm_add_epi16(y3, gcd), 8));
  *b = _mm_add_epi16(_mm_add_epi16(y, _mm_add_epi16(u, u)), _mm_srai_epi16(_mm_add_epi16(y3, bc), 8));
}

VELMORA_SSE2 void ConvertRowLowSse2(const uint8_t* row, int32_t words, const uint32_t* table, uint32_t* out) {
  int32_t i = 0;
  for (; i + 4 <= words; i += 4) {
    __m128i b, g, r;
    LowTerms128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * i)), &b, &g, &r);
    StorePixels128(b, g, r, out + 2 * i);
  }
  for (; i < words; ++i) ConvertWordLow(LoadWord(row + 4 * i), table, out + 2 * i);
}

// --- AVX2: eight source words (sixteen pixels) per step ---------------------

#define VELMORA_AVX2 __attribute__((target("avx2")))

// Eight source words, arranged so that StorePixels256 writes them in order:
// words 0, 1, 4, 5 in the low 128-bit lane, 2, 3, 6, 7 in the high one.
VELMORA_AVX2 inline __m256i LoadWords256(const uint8_t* p) {
  return _mm256_permute4x64_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), 0xD8);
}

// Saturates the B, G, R lanes of sixteen pixels (laid out by LoadWords256)
// into 0x00RRGGBB pixels in order.
VELMORA_AVX2 inline void StorePixels256(__m256i b, __m256i g, __m256i r, uint32_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i br = _mm256_packus_epi16(b, r);
  const __m256i g0 = _mm256_packus_epi16(g, zero);
  const __m256i bg = _mm256_unpacklo_epi8(br, g0);
  const __m256i r0 = _mm256_unpackhi_epi8(br, zero);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_unpacklo_epi16(bg, r0));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8), _mm256_unpackhi_epi16(bg, r0));
}

// Byte shuffles copying U (byte 1) or V (byte 3) of each word into both of
// its pixels' 16-bit lanes, in the low byte or in the high byte.
#define VELMORA_SPREAD_LOW(c) \
  _mm256_setr_epi8(c, -1, c, -1, c + 4, -1, c + 4, -1, c + 8, -1, c + 8, -1, c + 12, -1, c + 12, -1, \
                   c, -1, c, -1, c + 4, -1, c + 4, -1, c + 8, -1, c + 8, -1, c + 12, -1, c + 12, -1)
#define VELMORA_SPREAD_HIGH(c) \
  _mm256_setr_epi8(-1, c, -1, c, -1, c + 4, -1, c + 4, -1, c + 8, -1, c + 8, -1, c + 12, -1, c + 12, \
                   -1, c, -1, c, -1, c + 4, -1, c + 4, -1, c + 8, -1, c + 8, -1, c + 12, -1, c + 12)

VELMORA_AVX2 void ConvertRowHighAvx2(const uint8_t* row, int32_t words, uint32_t* out) {
  const __m256i sign = _mm256_set1_epi16(static_cast<int16_t>(0x8000));
  const __m256i spreadU = VELMORA_SPREAD_HIGH(1), spreadV = VELMORA_SPREAD_HIGH(3);
  int32_t i = 0;
  for (; i + 8 <= words; i += 8) {
    const __m256i w = LoadWords256(row + 4 * i);
    const __m256i y = _mm256_and_si256(w, _mm256_set1_epi16(0xFF));
    // (chroma - 128) x 256 per pixel: the byte in the high half, sign flipped.
    const __m256i u = _mm256_xor_si256(_mm256_shuffle_epi8(w, spreadU), sign);
    const __m256i v = _mm256_xor_si256(_mm256_shuffle_epi8(w, spreadV), sign);
    const __m256i b = _mm256_add_epi16(y, _mm256_mulhi_epi16(u, _mm256_set1_epi16(454)));
    const __m256i g = _mm256_add_epi16(_mm256_add_epi16(y, _mm256_mulhi_epi16(u, _mm256_set1_epi16(-88))),
                                       _mm256_mulhi_epi16(v, _mm256_set1_epi16(-183)));
    const __m256i r = _mm256_add_epi16(y, _mm256_mulhi_epi16(v, _mm256_set1_epi16(359)));
    StorePixels256(b, g, r, out + 2 * i);
  }
  for (; i < words; ++i) ConvertWordHigh(LoadWord(row + 4 * i), out + 2 * i);
}

VELMORA_AVX2 void ConvertRowLowAvx2(const uint8_t* row, int32_t words, const uint32_t* table,
                                    uint32_t* out) {
  const __m256i chromaMask = _mm256_set1_epi16(0xF8), bias = _mm256_set1_epi16(128);
  const __m256i spreadU = VELMORA_SPREAD_LOW(1), spreadV = VELMORA_SPREAD_LOW(3);
  // Opaque to the compiler, so that the products stay single multiplies
  // instead of longer shift-and-add chains (measured faster).
  __m256i k113 = _mm256_set1_epi16(113), kMinus88 = _mm256_set1_epi16(-88);
  __m256i k73 = _mm256_set1_epi16(73), kMinus45 = _mm256_set1_epi16(-45);
  __asm__("" : "+x"(k113), "+x"(kMinus88), "+x"(k73), "+x"(kMinus45));
  int32_t i = 0;
  for (; i + 8 <= words; i += 8) {
    const __m256i w = LoadWords256(row + 4 * i);
    const __m256i y = _mm256_and_si256(w, _mm256_set1_epi16(0xFC));
    const __m256i y3 = _mm256_add_epi16(y, _mm256_add_epi16(y, y));
    const __m256i u = _mm256_sub_epi16(_mm256_and_si256(_mm256_shuffle_epi8(w, spreadU), chromaMask), bias);
    const __m256i v = _mm256_sub_epi16(_mm256_and_si256(_mm256_shuffle_epi8(w, spreadV), chromaMask), bias);
    const __m256i rc = _mm256_mullo_epi16(v, k113);
    const __m256i gc = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(u, kMinus88), _mm256_mullo_epi16(v, k73)),
                                        _mm256_set1_epi16(-2199));
    const __m256i bc = _mm256_mullo_epi16(u, kMinus45);
    const __m256i r = _mm256_add_epi16(_mm256_add_epi16(y, v), _mm256_srai_epi16(_mm256_add_epi16(y3, rc), 8));
    const __m256i g = _mm256_add_epi16(_mm256_sub_epi16(y, v), _mm256_srai_epi16(_mm256_add_epi16(y3, gc), 8));
    const __m256i b = _mm256_add_epi16(_mm256_add_epi16(y, _mm256_add_epi16(u, u)),
                                       _mm256_srai_epi16(_mm256_add_epi16(y3, bc), 8));
    StorePixels256(b, g, r, out + 2 * i);
  }
  for (; i < words; ++i) ConvertWordLow(LoadWord(row + 4 * i), table, out + 2 * i);
}

void ConvertRowLowScalar(const uint8_t* row, int32_t words, const uint32_t* table, uint32_t* out) {
  for (int32_t i = 0; i < words; ++i) ConvertWordLow(LoadWord(row + 4 * i), table, out + 2 * i);
}

void ConvertRowHighScalar(const uint8_t* row, int32_t words, uint32_t* out) {
  for (int32_t i = 0; i < words; ++i) ConvertWordHigh(LoadWord(row + 4 * i), out + 2 * i);
}

// Shared frame walk of both forms; `vector` picks the row kernels.
bool ConvertFrame(const uint8_t* frame, int32_t width, int32_t height, int32_t pitch,
                  uint32_t* out, bool highQuality, YuvLookup* table, VectorLevel level) {
  const int32_t words = width / 2;
  if (highQuality && !HasMmx()) return false;
  if (words < 1 || height < 1) return true;
  if (!highQuality && !table->Build()) return false;
  for (int32_t r = 0; r < height; ++r) {
    const uint8_t* row = frame + static_cast<intptr_t>(r) * pitch;
    uint32_t* dst = out + static_cast<intptr_t>(r) * width;
    if (highQuality) {
      if (level >= VectorLevel::kAvx2) ConvertRowHighAvx2(row, words, dst);
      else if (level >= VectorLevel::kSse2) ConvertRowHighSse2(row, words, dst);
      else ConvertRowHighScalar(row, words, dst);
    } else {
      if (level >= VectorLevel::kAvx2) ConvertRowLowAvx2(row, words, table->Entries(), dst);
      else if (level >= VectorLevel::kSse2) ConvertRowLowSse2(row, words, table->Entries(), dst);
      else ConvertRowLowScalar(row, words, table->Entries(), dst);
    }
  }
  return true;
}

}  // namespace

bool ConvertYuy2ToRgb32(const uint8_t* frame, int32_t width, int32_t height, int32_t pitch,
                        uint32_t* out, bool highQuality, YuvLookup* table) {
  return ConvertFrame(frame, width, height, pitch, out, highQuality, table, CurrentVectorLevel());
}

namespace reference {

bool ConvertYuy2ToRgb32(const uint8_t* frame, int32_t width, int32_t height, int32_t pitch,
                        uint32_t* out, bool highQuality, YuvLookup* table) {
  return ConvertFrame(frame, width, height, pitch, out, highQuality, table, VectorLevel::kScalar);
}

}  // namespace reference
