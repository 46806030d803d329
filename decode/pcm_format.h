// The shapes of PCM sound the program converts itself, and how a stream's
// format (a WAVEFORMATEX, or a WAVEFORMATEXTENSIBLE with its sub-format and
// speaker mask) describes one. Portable: the format is read as the bytes of
// the file's "strf".
#pragma once

#include <cstdint>

enum class SampleType : uint8_t {
  kUnsigned8,  // silence 128
  kSigned16,
  kSigned24,   // three bytes
  kSigned32,   // integers in four bytes (also fewer valid bits, left-aligned)
  kFloat32,    // IEEE floats, full scale at +-1.0
  kFloat64,
};

// Speaker positions of a WAVEFORMATEXTENSIBLE's dwChannelMask.
constexpr uint32_t kSpeakerFrontLeft = 0x1;
constexpr uint32_t kSpeakerFrontRight = 0x2;
constexpr uint32_t kSpeakerFrontCenter = 0x4;
constexpr uint32_t kSpeakerLowFrequency = 0x8;
constexpr uint32_t kSpeakerBackLeft = 0x10;
constexpr uint32_t kSpeakerBackRight = 0x20;
constexpr uint32_t kSpeakerFrontLeftOfCenter = 0x40;
constexpr uint32_t kSpeakerFrontRightOfCenter = 0x80;
constexpr uint32_t kSpeakerBackCenter = 0x100;
constexpr uint32_t kSpeakerSideLeft = 0x200;
constexpr uint32_t kSpeakerSideRight = 0x400;

constexpr int32_t kMostPcmChannels = 8;

struct PcmShape {
  int32_t channels = 1;  // 1 .. kMostPcmChannels
  SampleType type = SampleType::kSigned16;
  // The speakers of the channels in order, lowest bit first; 0 means the
  // usual layout of the channel count (StandardChannelMask).
  uint32_t channelMask = 0;

  int32_t BytesPerSample() const;
  int32_t BytesPerFrame() const { return channels * BytesPerSample(); }
};

// The layout of a format that names none: mono is the centre, then stereo,
// 3.0, quad, 5.0, 5.1, 6.1 and 7.1 as Windows orders their channels.
uint32_t StandardChannelMask(int32_t channels);

// The shape of a PCM or IEEE float format, plain or extensible: 1 to 8
// channels, integers of 8, 16, 24 or 32 bits (the container's size; 12 or
// 20 valid bits sit in 16 or 24), floats of 32 or 64 bits, and nBlockAlign
// one sample frame. False for anything else (compressed sound, a format
// cut short, inconsistent sizes). The rate is not judged here.
bool DescribePcm(const uint8_t* format, uint32_t size, PcmShape* shape);
