#include "video/color_balance.h"

#include "platform/cpu_features.h"
#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_rows.h"

#include <immintrin.h>

#include <algorithm>

namespace {

struct BalanceFactors {
  int32_t offset;       // added to the luma, -128 .. 128
  int32_t gain;         // luma factor, 1024 = x 2
  int32_t chromaGain;   // chroma factor, 256 = x 1
};

BalanceFactors FactorsOf(const ColorBalance& balance) {
  const int32_t b = std::clamp(balance.brightness, 0, 100);
  const int32_t k = std::clamp(balance.contrast, 0, 100);
  const int32_t s = std::clamp(balance.saturation, 0, 100);
  return {(b - 50) * 256 / 100, k * 1024 / 100, s * k * 256 / 2500};
}

bool IsNeutral(const ColorBalance& b) {
  return b.brightness == 50 && b.contrast == 50 && b.saturation == 50;
}

// The high half of a signed 16 x 16-bit product: a floor division by 65536.
inline int32_t MulHigh(int32_t a, int32_t b) { return (a * b) >> 16; }

uint8_t BalanceLuma(int32_t y, const BalanceFactors& f) {
  return SaturateByte(MulHigh(y * 128, f.gain) + f.offset);
}

uint8_t BalanceChroma(int32_t c, const BalanceFactors& f) {
  const int32_t scaled = MulHigh((c - 128) * 256, f.chromaGain);
  return static_cast<uint8_t>(std::clamp(scaled, -128, 127) + 128);
}

void BalanceBytesScalar(uint8_t* row, int32_t from, int32_t bytes, const BalanceFactors& f) {
  for (int32_t i = from; i < bytes; i += 2) {
    row[i] = BalanceLuma(row[i], f);
    row[i + 1] = BalanceChroma(row[i + 1], f);
  }
}

// 16-bit lanes: luma in the low byte, chroma in the high byte.
VELMORA_SSE2 void BalanceRowSse2(uint8_t* row, int32_t bytes, const BalanceFactors& f) {
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  const __m128i gain = _mm_set1_epi16(static_cast<int16_t>(f.gain));
  const __m128i chromaGain = _mm_set1_epi16(static_cast<int16_t>(f.chromaGain));
  const __m128i offset = _mm_set1_epi16(static_cast<int16_t>(f.offset));
  const __m128i bias = _mm_set1_epi16(128);
  const __m128i low = _mm_set1_epi16(-128), high = _mm_set1_epi16(127);
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    __m128i* p = reinterpret_cast<__m128i*>(row + i);
    const __m128i w = _mm_loadu_si128(p);
    const __m128i y = _mm_add_epi16(_mm_mulhi_epi16(_mm_slli_epi16(_mm_and_si128(w, lowByte), 7), gain), offset);
    const __m128i yClamped = _mm_min_epi16(_mm_max_epi16(y, _mm_setzero_si128()), lowByte);
    // (c - 128) x 256: the chroma byte moved into the high byte, sign flipped.
    const __m128i c = _mm_xor_si128(_mm_andnot_si128(lowByte, w), _mm_set1_epi16(static_cast<int16_t>(0x8000)));
    const __m128i cScaled = _mm_min_epi16(_mm_max_epi16(_mm_mulhi_epi16(c, chromaGain), low), high);
    _mm_storeu_si128(p, _mm_or_si128(yClamped, _mm_slli_epi16(_mm_add_epi16(cScaled, bias), 8)));
  }
  BalanceBytesScalar(row, i, bytes, f);
}

__attribute__((target("avx2"))) void BalanceRowAvx2(uint8_t* row, int32_t bytes, const BalanceFactors& f) {
  const __m256i lowByte = _mm256_set1_epi16(0xFF);
  const __m256i gain = _mm256_set1_epi16(static_cast<int16_t>(f.gain));
  const __m256i chromaGain = _mm256_set1_epi16(static_cast<int16_t>(f.chromaGain));
  const __m256i offset = _mm256_set1_epi16(static_cast<int16_t>(f.offset));
  const __m256i sign = _mm256_set1_epi16(static_cast<int16_t>(0x8000));
  const __m256i low = _mm256_set1_epi16(-128), high = _mm256_set1_epi16(127);
  int32_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    __m256i* p = reinterpret_cast<__m256i*>(row + i);
    const __m256i w = _mm256_loadu_si256(p);
    const __m256i y = _mm256_add_epi16(
        _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_and_si256(w, lowByte), 7), gain), offset);
    const __m256i yClamped = _mm256_min_epi16(_mm256_max_epi16(y, _mm256_setzero_si256()), lowByte);
    const __m256i c = _mm256_xor_si256(_mm256_andnot_si256(lowByte, w), sign);
    const __m256i cScaled = _mm256_min_epi16(_mm256_max_epi16(_mm256_mulhi_epi16(c, chromaGain), low), high);
    // (c' - 128) + 128 in the high byte: flipping the sign bit of c' << 8.
    _mm256_storeu_si256(p, _mm256_or_si256(yClamped, _mm256_xor_si256(_mm256_slli_epi16(cScaled, 8), sign)));
  }
  BalanceRowSse2(row + i, bytes - i, f);
}

void BalanceWith(uint8_t* frame, int32_t width, int32_t height, const ColorBalance& balance, VectorLevel level) {
  if (IsNeutral(balance) || !HasMmx()) return;
  const BalanceFactors f = FactorsOf(balance);
  const int32_t bytes = WordBytes(width);
  ForEachRow(frame, width, height, [&](uint8_t* row) {
    if (level >= VectorLevel::kAvx2) BalanceRowAvx2(row, bytes, f);
    else if (level >= VectorLevel::kSse2) BalanceRowSse2(row, bytes, f);
    else BalanceBytesScalar(row, 0, bytes, f);
  });
}

}  // namespace

namespace reference {

void ApplyColorBalance(uint8_t* frame, int32_t width, int32_t height, const ColorBalance& balance) {
  BalanceWith(frame, width, height, balance, VectorLevel::kScalar);
}

}  // namespace reference

void ApplyColorBalance(uint8_t* frame, int32_t width, int32_t height, const ColorBalance& balance) {
  BalanceWith(frame, width, height, balance, CurrentVectorLevel());
}
