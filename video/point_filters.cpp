#include "video/point_filters.h"

#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_rows.h"

#include <immintrin.h>

namespace {

// Byte masks of a YUY2 word: luma Y0, Y1 and chroma U, V.
constexpr uint32_t kLuma = 0x00FF00FFu;
constexpr uint32_t kChroma = 0xFF00FF00u;

inline uint8_t Byte(uint32_t w, int k) { return static_cast<uint8_t>(w >> (8 * k)); }
inline bool IsLumaByte(int k) { return k % 2 == 0; }

// Rebuilds a word byte by byte.
template <typename PerByte>
uint32_t MapBytes(uint32_t w, PerByte f) {
  uint32_t out = 0;
  for (int k = 0; k < 4; ++k) out |= static_cast<uint32_t>(f(Byte(w, k), k)) << (8 * k);
  return out;
}

uint32_t DoubleContrastWord(uint32_t w) {
  return MapBytes(w, [](uint8_t b, int k) { return IsLumaByte(k) && b > 127 ? 255 : (IsLumaByte(k) ? 2 * b : b); });
}

uint32_t DoubleSaturationWord(uint32_t w) {
  return MapBytes(w, [](uint8_t b, int k) {
    if (IsLumaByte(k)) return static_cast<int>(b);
    const int doubled = 2 * (b - 128);
    return (doubled < -128 ? -128 : (doubled > 127 ? 127 : doubled)) + 128;
  });
}

uint32_t NegativeWord(uint32_t w) { return 0u - w; }
uint32_t GrayscaleWord(uint32_t w) { return (w & kLuma) | 0x90007000u; }

// Applies `word` to the first `bytes` bytes (a multiple of 4) of each row.
template <typename Word>
void MapRowsScalar(uint8_t* frame, int32_t width, int32_t height, int32_t bytes, Word word) {
  ForEachRow(frame, width, height, [&](uint8_t* row) {
    for (int32_t i = 0; i < bytes; i += 4) StoreWord(row + i, word(LoadWord(row + i)));
  });
}

// The same with 16 bytes at a time through `vector`, the rest through `word`.
template <typename Vector, typename Word>
VELMORA_SSE2 void MapRowsSse2(uint8_t* frame, int32_t width, int32_t height, int32_t bytes,
                              Vector vector, Word word) {
  const int32_t stride = Yuy2RowStride(width);
  for (int32_t r = 0; r < height; ++r) {
    uint8_t* row = frame + static_cast<intptr_t>(r) * stride;
    int32_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
      __m128i* p = reinterpret_cast<__m128i*>(row + i);
      _mm_storeu_si128(p, vector(_mm_loadu_si128(p)));
    }
    for (; i < bytes; i += 4) StoreWord(row + i, word(LoadWord(row + i)));
  }
}

VELMORA_SSE2 void DoubleContrastSse2(uint8_t* frame, int32_t width, int32_t height) {
  const __m128i luma = _mm_set1_epi32(kLuma);
  MapRowsSse2(frame, width, height, GroupBytes(width),
              [luma](__m128i w) VELMORA_SSE2 { return _mm_adds_epu8(w, _mm_and_si128(w, luma)); },
              DoubleContrastWord);
}

VELMORA_SSE2 void DoubleSaturationSse2(uint8_t* frame, int32_t width, int32_t height) {
  // Chroma as signed bytes (c - 128), doubled with signed saturation.
  const __m128i chroma = _mm_set1_epi32(static_cast<int32_t>(kChroma));
  const __m128i bias = _mm_set1_epi32(static_cast<int32_t>(0x80008000u));
  MapRowsSse2(frame, width, height, GroupBytes(width),
              [chroma, bias](__m128i w) VELMORA_SSE2 {
                const __m128i s = _mm_xor_si128(w, bias);
                return _mm_xor_si128(_mm_adds_epi8(s, _mm_and_si128(s, chroma)), bias);
              },
              DoubleSaturationWord);
}

VELMORA_SSE2 void NegativeSse2(uint8_t* frame, int32_t width, int32_t height) {
  const __m128i zero = _mm_setzero_si128();
  MapRowsSse2(frame, width, height, WordBytes(width),
              [zero](__m128i w) VELMORA_SSE2 { return _mm_sub_epi32(zero, w); }, NegativeWord);
}

VELMORA_SSE2 void GrayscaleSse2(uint8_t* frame, int32_t width, int32_t height) {
  const __m128i luma = _mm_set1_epi32(kLuma), tint = _mm_set1_epi32(static_cast<int32_t>(0x90007000u));
  MapRowsSse2(frame, width, height, WordBytes(width),
              [luma, tint](__m128i w) VELMORA_SSE2 { return _mm_or_si128(_mm_and_si128(w, luma), tint); },
              GrayscaleWord);
}

bool UseVectors() { return CurrentVectorLevel() >= VectorLevel::kSse2; }

}  // namespace

namespace reference {

void DoubleContrast(uint8_t* frame, int32_t width, int32_t height) {
  MapRowsScalar(frame, width, height, GroupBytes(width), DoubleContrastWord);
}

void DoubleSaturation(uint8_t* frame, int32_t width, int32_t height) {
  MapRowsScalar(frame, width, height, GroupBytes(width), DoubleSaturationWord);
}

void Negative(uint8_t* frame, int32_t width, int32_t height) {
  MapRowsScalar(frame, width, height, WordBytes(width), NegativeWord);
}

void Grayscale(uint8_t* frame, int32_t width, int32_t height) {
  MapRowsScalar(frame, width, height, WordBytes(width), GrayscaleWord);
}

}  // namespace reference

void DoubleContrast(uint8_t* frame, int32_t width, int32_t height) {
  if (UseVectors()) DoubleContrastSse2(frame, width, height);
  else reference::DoubleContrast(frame, width, height);
}

void DoubleSaturation(uint8_t* frame, int32_t width, int32_t height) {
  if (UseVectors()) DoubleSaturationSse2(frame, width, height);
  else reference::DoubleSaturation(frame, width, height);
}

void Negative(uint8_t* frame, int32_t width, int32_t height) {
  if (UseVectors()) NegativeSse2(frame, width, height);
  else reference::Negative(frame, width, height);
}

void Grayscale(uint8_t* frame, int32_t width, int32_t height) {
  if (UseVectors()) GrayscaleSse2(frame, width, height);
  else reference::Grayscale(frame, width, height);
}
