#include "decode/pcm_format.h"

#include <cstring>

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;
constexpr uint32_t kPlainSize = 16;       // WAVEFORMATEX without cbSize
constexpr uint32_t kExtensibleSize = 40;  // WAVEFORMATEXTENSIBLE
// The sub-format GUIDs are the format tag followed by these bytes.
constexpr uint8_t kGuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Read32(const uint8_t* p) { return Read16(p) | (static_cast<uint32_t>(Read16(p + 2)) << 16); }

bool TypeOf(bool isFloat, uint32_t containerBits, SampleType* type) {
  if (isFloat) {
    if (containerBits != 32 && containerBits != 64) return false;
    *type = containerBits == 32 ? SampleType::kFloat32 : SampleType::kFloat64;
    return true;
  }
  switch (containerBits) {
    case 8: *type = SampleType::kUnsigned8; return true;
    case 16: *type = SampleType::kSigned16; return true;
    case 24: *type = SampleType::kSigned24; return true;
    case 32: *type = SampleType::kSigned32; return true;
    default: return false;
  }
}

}  // namespace

int32_t PcmShape::BytesPerSample() const {
  switch (type) {
    case SampleType::kUnsigned8: return 1;
    case SampleType::kSigned16: return 2;
    case SampleType::kSigned24: return 3;
    case SampleType::kFloat64: return 8;
    default: return 4;
  }
}

uint32_t StandardChannelMask(int32_t channels) {
  constexpr uint32_t kFront = kSpeakerFrontLeft | kSpeakerFrontRight;
  constexpr uint32_t kBack = kSpeakerBackLeft | kSpeakerBackRight;
  constexpr uint32_t kSide = kSpeakerSideLeft | kSpeakerSideRight;
  switch (channels) {
    case 1: return kSpeakerFrontCenter;
    case 2: return kFront;
    case 3: return kFront | kSpeakerFrontCenter;
    case 4: return kFront | kBack;
    case 5: return kFront | kSpeakerFrontCenter | kBack;
    case 6: return kFront | kSpeakerFrontCenter | kSpeakerLowFrequency | kBack;
    case 7: return kFront | kSpeakerFrontCenter | kSpeakerLowFrequency | kSpeakerBackCenter | kSide;
    case 8: return kFront | kSpeakerFrontCenter | kSpeakerLowFrequency | kBack | kSide;
    default: return 0;
  }
}

bool DescribePcm(const uint8_t* format, uint32_t size, PcmShape* shape) {
  if (format == nullptr || size < kPlainSize) return false;
  const uint16_t tag = Read16(format);
  const uint16_t channels = Read16(format + 2);
  const uint16_t blockAlign = Read16(format + 12);
  const uint16_t bits = Read16(format + 14);
  bool isFloat = tag == kTagFloat;
  uint32_t containerBits = (bits + 7u) / 8 * 8;
  uint32_t mask = 0;
  if (tag == kTagExtensible) {
    if (size < kExtensibleSize || Read16(format + 16) < kExtensibleSize - 18) return false;
    const uint16_t validBits = Read16(format + 18);
    const uint16_t subTag = Read16(format + 24);
    if (Read16(format + 26) != 0 || std::memcmp(format + 28, kGuidTail, sizeof kGuidTail) != 0) return false;
    if (subTag != kTagPcm && subTag != kTagFloat) return false;
    if (bits % 8 != 0 || validBits > bits) return false;
    isFloat = subTag == kTagFloat;
    containerBits = bits;
    mask = Read32(format + 20);
  } else if (tag != kTagPcm && tag != kTagFloat) {
    return false;
  }
  PcmShape described;
  if (channels < 1 || channels > kMostPcmChannels || !TypeOf(isFloat, containerBits, &described.type)) return false;
  described.channels = channels;
  if (blockAlign != described.BytesPerFrame()) return false;
  described.channelMask = mask;
  *shape = described;
  return true;
}
