#include "audio/audio_filters.h"

#include "platform/vector_helpers.h"
#include "platform/vector_level.h"

#include <immintrin.h>

#include <cstdlib>
#include <cstring>

int32_t g_autoVolumeLevel = kAutoVolumeStartLevel;

namespace {

int16_t LoadSample(const uint8_t* p) {
  int16_t s;
  std::memcpy(&s, p, 2);
  return s;
}
void StoreSample(uint8_t* p, int32_t s) {
  const int16_t low = static_cast<int16_t>(static_cast<uint16_t>(s));
  std::memcpy(p, &low, 2);
}

// --- Swap Channels -----------------------------------------------------------

void SwapWords16(uint8_t* block, int32_t from, int32_t frames) {
  for (int32_t f = from; f < frames; ++f) {
    const uint32_t w = LoadWord(block + 4 * f);
    StoreWord(block + 4 * f, (w << 16) | (w >> 16));
  }
}

// Two 8-bit frames per word: the bytes of each half exchanged.
void SwapWords8(uint8_t* block, int32_t from, int32_t words) {
  for (int32_t k = from; k < words; ++k) {
    const uint32_t w = LoadWord(block + 4 * k);
    StoreWord(block + 4 * k, ((w << 8) & 0xFF00FF00u) | ((w >> 8) & 0x00FF00FFu));
  }
}

// --- Voice Removal -----------------------------------------------------------

// Both channels become right - left, wrapping.
void RemoveVoice16(uint8_t* block, int32_t from, int32_t frames) {
  for (int32_t f = from; f < frames; ++f) {
    uint8_t* frame = block + 4 * f;
    const int32_t d = LoadSample(frame + 2) - LoadSample(frame);
    StoreSample(frame, d);
    StoreSample(frame + 2, d);
  }
}

// Both channels become left - right + 128, wrapping; whole words only.
void RemoveVoice8(uint8_t* block, int32_t from, int32_t words) {
  for (int32_t f = 2 * from; f < 2 * words; ++f) {
    uint8_t* frame = block + 2 * f;
    const uint8_t d = static_cast<uint8_t>(frame[0] - frame[1] + 128);
    frame[0] = d;
    frame[1] = d;
  }
}

// --- Auto Volume -------------------------------------------------------------

// The level's step for one sample of magnitude `a`.
inline int32_t NextLevel(int32_t level, int32_t a) {
  if (level < a) level = a;
  level -= 8;
  return level < 0x100000 ? 0x100000 : level;
}

// The upper 16 bits of the level as a signed 16-bit number.
inline int32_t Divisor(int32_t level) { return static_cast<int16_t>(static_cast<uint32_t>(level) >> 16); }

void AutoVolumeScalar(uint8_t* block, int32_t samples, bool sixteenBit, int32_t* level) {
  int32_t l = *level;
  for (int32_t i = 0; i < samples; ++i) {
    if (sixteenBit) {
      const int32_t s = LoadSample(block + 2 * i);
      l = NextLevel(l, std::abs(s * 256));
      StoreSample(block + 2 * i, s * 96 / Divisor(l));
    } else {
      const int32_t s = block[i] - 128;
      l = NextLevel(l, std::abs(s * 65536));
      block[i] = static_cast<uint8_t>(s * 96 / Divisor(l) + 128);
    }
  }
  *level = l;
}

// Division by the divisor as a multiplication: with m = floor(2^40 / d) + 1,
// (n m) >> 40 = floor(n / d) for 0 <= n < 2^25 (the error stays below 2^-15,
// less than 1 / d). The divisor changes rarely (the level moves by 8 per
// sample), so m is worked out again only when it does. Sample products are
// below 2^22.
class Reciprocal {
 public:
  int32_t Divide(int32_t n, int32_t d) {
    if (d != divisor_) {
      divisor_ = d;
      factor_ = (uint64_t{1} << 40) / static_cast<uint64_t>(d) + 1;
    }
    const uint64_t q = (static_cast<uint64_t>(std::abs(n)) * factor_) >> 40;
    return n < 0 ? -static_cast<int32_t>(q) : static_cast<int32_t>(q);
  }

 private:
  int32_t divisor_ = 0;
  uint64_t factor_ = 0;
};

void AutoVolumeFast(uint8_t* block, int32_t samples, bool sixteenBit, int32_t* level) {
  int32_t l = *level;
  Reciprocal reciprocal;  // the divisor is at least 16 after each step
  if (sixteenBit) {
    for (int32_t i = 0; i < samples; ++i) {
      const int32_t s = LoadSample(block + 2 * i);
      l = NextLevel(l, std::abs(s * 256));
      StoreSample(block + 2 * i, reciprocal.Divide(s * 96, Divisor(l)));
    }
  } else {
    for (int32_t i = 0; i < samples; ++i) {
      const int32_t s = block[i] - 128;
      l = NextLevel(l, std::abs(s * 65536));
      block[i] = static_cast<uint8_t>(reciprocal.Divide(s * 96, Divisor(l)) + 128);
    }
  }
  *level = l;
}

// --- vector forms ------------------------------------------------------------

VELMORA_SSE2 void SwapChannelsSse2(uint8_t* block, bool sixteenBit, int32_t frames) {
  const int32_t words = sixteenBit ? frames : frames / 2;
  int32_t k = 0;
  for (; k + 4 <= words; k += 4) {
    __m128i* p = reinterpret_cast<__m128i*>(block + 4 * k);
    const __m128i w = _mm_loadu_si128(p);
    _mm_storeu_si128(p, sixteenBit ? _mm_or_si128(_mm_slli_epi32(w, 16), _mm_srli_epi32(w, 16))
                                   : _mm_or_si128(_mm_slli_epi16(w, 8), _mm_srli_epi16(w, 8)));
  }
  if (sixteenBit) SwapWords16(block, k, frames);
  else SwapWords8(block, k, words);
}

VELMORA_SSE2 void RemoveVoiceSse2(uint8_t* block, bool sixteenBit, int32_t frames) {
  const int32_t words = sixteenBit ? frames : frames / 2;
  int32_t k = 0;
  for (; k + 4 <= words; k += 4) {
    __m128i* p = reinterpret_cast<__m128i*>(block + 4 * k);
    const __m128i w = _mm_loadu_si128(p);
    if (sixteenBit) {
      // Lanes (left, right): right - left into the high lane, copied down.
      const __m128i d = _mm_sub_epi16(w, _mm_slli_epi32(w, 16));
      _mm_storeu_si128(p, _mm_or_si128(_mm_srli_epi32(d, 16), _mm_andnot_si128(_mm_set1_epi32(0xFFFF), d)));
    } else {
      // 16-bit lanes (left | right << 8): left - right + 128 in the low byte.
      const __m128i d = _mm_and_si128(_mm_add_epi8(_mm_sub_epi8(w, _mm_srli_epi16(w, 8)), _mm_set1_epi16(128)),
                                      _mm_set1_epi16(0xFF));
      _mm_storeu_si128(p, _mm_or_si128(d, _mm_slli_epi16(d, 8)));
    }
  }
  if (sixteenBit) RemoveVoice16(block, k, frames);
  else RemoveVoice8(block, k, words);
}

bool UseVectors() { return CurrentVectorLevel() >= VectorLevel::kSse2; }

}  // namespace

namespace reference {

void SwapChannels(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames) {
  if (!stereo || frames < 1) return;
  if (sixteenBit) SwapWords16(block, 0, frames);
  else SwapWords8(block, 0, frames / 2);
}

void RemoveVoice(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames) {
  if (!stereo || frames < 1) return;
  if (sixteenBit) RemoveVoice16(block, 0, frames);
  else RemoveVoice8(block, 0, frames / 2);
}

void AutoVolume(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames, int32_t* level) {
  if (frames < 1) return;
  AutoVolumeScalar(block, stereo ? 2 * frames : frames, sixteenBit, level);
}

}  // namespace reference

void SwapChannels(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames) {
  if (!stereo || frames < 1) return;
  if (UseVectors()) SwapChannelsSse2(block, sixteenBit, frames);
  else reference::SwapChannels(block, stereo, sixteenBit, frames);
}

void RemoveVoice(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames) {
  if (!stereo || frames < 1) return;
  if (UseVectors()) RemoveVoiceSse2(block, sixteenBit, frames);
  else reference::RemoveVoice(block, stereo, sixteenBit, frames);
}

void AutoVolume(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames, int32_t* level) {
  if (frames < 1) return;
  if (UseVectors()) AutoVolumeFast(block, stereo ? 2 * frames : frames, sixteenBit, level);
  else reference::AutoVolume(block, stereo, sixteenBit, frames, level);
}

void ApplyAudioFilters(AudioFilterFlags flags, uint8_t* block, bool stereo, bool sixteenBit,
                       int32_t frames) {
  if (flags.swapChannels) SwapChannels(block, stereo, sixteenBit, frames);
  if (flags.autoVolume) AutoVolume(block, stereo, sixteenBit, frames);
  if (flags.voiceRemoval) RemoveVoice(block, stereo, sixteenBit, frames);
}
