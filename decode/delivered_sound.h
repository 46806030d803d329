// Judging what a sound chain delivers against the type it agreed to, once
// when a file opens: the bytes per second of stream time it gave, and the
// class of its bytes. Some chains agree to a reduced format and hand on the
// decoder's own output unchanged (Wine's ACM Wrapper: 16-bit, all channels,
// the full rate, whatever "Use 8 Bit Depth", "Deny Stereo" or "Half Sample
// Rate" asked for). Portable.
#pragma once

#include <cstddef>
#include <cstdint>

enum class SoundBytes { kUnknown, kUnsigned8, kSigned16 };

// 16-bit signed little-endian sound keeps its high bytes (the odd ones) near
// 0 and 255 unless it is louder than half of full scale; 8-bit unsigned
// sound keeps every byte near 128 likewise. Nine bytes in ten in those
// ranges decide; fewer than 64 bytes, or anything between, are unknown.
SoundBytes ClassifySoundBytes(const uint8_t* data, size_t size);

struct PcmFormatFacts {
  int32_t channels = 1;
  bool sixteenBit = true;
  int32_t rate = 0;
  int64_t BytesPerSecond() const { return int64_t{channels} * (sixteenBit ? 2 : 1) * rate; }
};

enum class Delivery {
  kAsAgreed,   // within -30 % .. +45 % of the agreed bytes per second
  kUnreduced,  // as much as the unreduced format instead, and not 8-bit bytes
  kUnknown,    // neither: left as it is
};

Delivery JudgeDelivery(double bytesPerSecond, SoundBytes bytes, const PcmFormatFacts& agreed,
                       const PcmFormatFacts& unreduced);
