#include "decode/pcm_conversion.h"

namespace {

int32_t BytesPerFrame(const PcmShape& shape) { return shape.channels * (shape.sixteenBit ? 2 : 1); }

}  // namespace

PcmConverter::PcmConverter(const PcmShape& from, const PcmShape& to, bool halfRate)
    : from_(from), to_(to), halfRate_(halfRate) {}

bool PcmConverter::CanConvert(const PcmShape& from, const PcmShape& to) {
  const bool channelsOk = (from.channels == 1 || from.channels == 2) &&
                          (to.channels == 1 || to.channels == 2) && to.channels <= from.channels;
  return channelsOk;
}

int32_t PcmConverter::MaxOutputBytes(int32_t inBytes) const {
  const int32_t frames = inBytes > 0 ? inBytes / BytesPerFrame(from_) : 0;
  return (halfRate_ ? frames / 2 + 1 : frames) * BytesPerFrame(to_);
}

// A sample as a 16-bit signed value.
int32_t PcmConverter::ReadSample(const uint8_t* frame, int32_t channel) const {
  if (!from_.sixteenBit) return (static_cast<int32_t>(frame[channel]) - 128) * 256;
  const uint8_t* p = frame + 2 * channel;
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

void PcmConverter::WriteSample(uint8_t* out, int32_t value) const {
  if (!to_.sixteenBit) {
    out[0] = static_cast<uint8_t>((value >> 8) + 128);
    return;
  }
  const uint16_t bits = static_cast<uint16_t>(static_cast<int16_t>(value));
  out[0] = static_cast<uint8_t>(bits & 0xFF);
  out[1] = static_cast<uint8_t>(bits >> 8);
}

int32_t PcmConverter::Convert(const uint8_t* in, int32_t inBytes, uint8_t* out) {
  const int32_t inFrame = BytesPerFrame(from_);
  const int32_t sampleBytes = to_.sixteenBit ? 2 : 1;
  uint8_t* start = out;
  for (int32_t offset = 0; offset + inFrame <= inBytes; offset += inFrame) {
    if (halfRate_) {
      const bool skip = skipNext_;
      skipNext_ = !skipNext_;
      if (skip) continue;
    }
    const uint8_t* frame = in + offset;
    if (to_.channels == from_.channels) {
      for (int32_t c = 0; c < to_.channels; ++c, out += sampleBytes) WriteSample(out, ReadSample(frame, c));
    } else {
      // Stereo to mono: the arithmetic shift truncates toward minus infinity.
      WriteSample(out, (ReadSample(frame, 0) + ReadSample(frame, 1)) >> 1);
      out += sampleBytes;
    }
  }
  return static_cast<int32_t>(out - start);
}
