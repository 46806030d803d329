#include "decode/delivered_sound.h"

namespace {

constexpr size_t kFewestBytes = 64;

bool NearEdges(uint8_t b) { return b < 64 || b >= 192; }

bool Within(double measured, int64_t expected) {
  return expected > 0 && measured >= 0.7 * expected && measured <= 1.45 * expected;
}

}  // namespace

SoundBytes ClassifySoundBytes(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kFewestBytes) return SoundBytes::kUnknown;
  size_t highAtEdges = 0, inMiddle = 0;
  for (size_t i = 0; i < size; ++i) {
    if (i % 2 == 1 && NearEdges(data[i])) ++highAtEdges;
    if (!NearEdges(data[i])) ++inMiddle;
  }
  if (highAtEdges * 10 >= (size / 2) * 9) return SoundBytes::kSigned16;
  if (inMiddle * 10 >= size * 9) return SoundBytes::kUnsigned8;
  return SoundBytes::kUnknown;
}

Delivery JudgeDelivery(double bytesPerSecond, SoundBytes bytes, const PcmFormatFacts& agreed,
                       const PcmFormatFacts& unreduced) {
  if (Within(bytesPerSecond, agreed.BytesPerSecond())) return Delivery::kAsAgreed;
  if (Within(bytesPerSecond, unreduced.BytesPerSecond()) && bytes != SoundBytes::kUnsigned8) {
    return Delivery::kUnreduced;
  }
  return Delivery::kUnknown;
}
