// The audio filters ("Auto Volume", "Swap Channels", "Voice Removal"), in
// place on one decoded PCM block: interleaved, left first; 16-bit samples
// signed little-endian, 8-bit samples unsigned with 128 as zero. `frames` is
// the number of sample frames (one sample per channel).
#pragma once

#include "settings/options.h"

#include <cstdint>

// Runs Swap Channels, Auto Volume and Voice Removal, in this order, each when
// its flag is set. The flags are taken by value: read once per block.
void ApplyAudioFilters(AudioFilterFlags flags, uint8_t* block, bool stereo, bool sixteenBit,
                       int32_t frames);

// Exchanges left and right. Nothing for mono; 8-bit stereo goes two frames at
// a time (frames div 2 words), so an odd last frame stays.
void SwapChannels(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames);

// Both channels become their difference: right - left for 16-bit, left - right
// + 128 for 8-bit, wrapping without saturation. Nothing for mono; 8-bit stereo
// goes two frames at a time, so an odd last frame stays.
void RemoveVoice(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames);

// The Auto Volume level: its upper 16 bits divide 96 into the gain. Kept for
// the life of the process, starting at 0x600000 (unity gain; the first
// sample already sees it lowered by 8, a divisor of 95). Only the audio
// thread (or the prefill before it starts) touches it.
constexpr int32_t kAutoVolumeStartLevel = 0x600000;
extern int32_t g_autoVolumeLevel;

// For every sample in order (frames x 2 for stereo): a = |s x 256| (16-bit)
// or |s x 65536| (8-bit, s = byte - 128); the level rises to a if below it,
// then falls by 8, never below 0x100000; the sample becomes s x 96 div
// (level >> 16), truncated toward zero (plus 128 for 8-bit), stored in its
// low bits.
void AutoVolume(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames, int32_t* level);
inline void AutoVolume(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames) {
  AutoVolume(block, stereo, sixteenBit, frames, &g_autoVolumeLevel);
}

namespace reference {
void SwapChannels(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames);
void RemoveVoice(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames);
void AutoVolume(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames, int32_t* level);
}  // namespace reference
