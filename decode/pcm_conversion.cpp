#include "decode/pcm_conversion.h"

#include "platform/vector_helpers.h"
#include "platform/vector_level.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

namespace {

constexpr double kMinus3dB = 0.70710678118654752440;  // sqrt 1/2
constexpr int32_t kCoefficientBits = 15;
// Mixed samples are 24-bit: 16-bit ones times 256.
constexpr int32_t kMixShift = kCoefficientBits + 8;

// Sample frames converted at a time (a piece of sound on the stack).
constexpr int32_t kPieceFrames = 512;

// The left and right weights of one speaker position in the stereo mix.
void SpeakerWeights(uint32_t speaker, double* left, double* right) {
  constexpr uint32_t kLeftOnly = kSpeakerFrontLeft | kSpeakerFrontLeftOfCenter;
  constexpr uint32_t kRightOnly = kSpeakerFrontRight | kSpeakerFrontRightOfCenter;
  // With the top front and top back ones, and the top centres in the middle.
  constexpr uint32_t kLeftSurround = kSpeakerBackLeft | kSpeakerSideLeft | 0x1000 | 0x8000;
  constexpr uint32_t kRightSurround = kSpeakerBackRight | kSpeakerSideRight | 0x4000 | 0x20000;
  constexpr uint32_t kMiddle = kSpeakerBackCenter | 0x800 | 0x2000 | 0x10000;
  *left = *right = 0;
  if (speaker & kLeftOnly) *left = 1;
  if (speaker & kRightOnly) *right = 1;
  if (speaker & kSpeakerFrontCenter) *left = *right = kMinus3dB;
  if (speaker & kLeftSurround) *left = kMinus3dB;
  if (speaker & kRightSurround) *right = kMinus3dB;
  if (speaker & kMiddle) *left = *right = 0.5;
}

inline int32_t Clamp(int32_t x, int32_t low, int32_t high) { return x < low ? low : (x > high ? high : x); }

// x times `scale`, clamped to [low, high] (NaN to low), rounded to the
// nearest integer, ties to even (the processor's default rounding).
inline int32_t RoundedFloat(double x, double scale, double low, double high) {
  double v = x * scale;
  v = v > low ? v : low;
  v = v < high ? v : high;
  return static_cast<int32_t>(std::nearbyint(v));
}

inline double FloatAt(const uint8_t* p, SampleType type) {
  if (type == SampleType::kFloat32) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
  }
  double d;
  std::memcpy(&d, p, 8);
  return d;
}

inline int32_t Signed16At(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }
inline int32_t Signed24At(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) << 8) >> 8;
}
inline int32_t Signed32At(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return static_cast<int32_t>(v);
}

// Floats to 16-bit (or, when `eight`, 8-bit plus 128) values: eight at a
// time with the same clamping and rounding as RoundedFloat. Returns how many.
VELMORA_SSE2 int32_t NarrowFloats32Sse2(const uint8_t* in, int32_t count, bool eight, int16_t* out) {
  const __m128 scale = _mm_set1_ps(eight ? 128.0f : 32768.0f);
  const __m128 low = _mm_set1_ps(eight ? -128.0f : -32768.0f), high = _mm_set1_ps(eight ? 127.0f : 32767.0f);
  const __m128i bias = _mm_set1_epi16(eight ? 128 : 0);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    __m128i halves[2];
    for (int h = 0; h < 2; ++h) {
      const __m128 x = _mm_mul_ps(_mm_loadu_ps(reinterpret_cast<const float*>(in + 4 * i + 16 * h)), scale);
      halves[h] = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(x, low), high));  // max(NaN, low) is low
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_add_epi16(_mm_packs_epi32(halves[0], halves[1]), bias));
  }
  return i;
}

// The top halves of 32-bit samples, eight at a time. Returns how many.
VELMORA_SSE2 int32_t NarrowSigned32Sse2(const uint8_t* in, int32_t count, int16_t* out) {
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i a = _mm_srai_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i)), 16);
    const __m128i b = _mm_srai_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i + 16)), 16);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(a, b));
  }
  return i;
}

// count samples narrowed without mixing: 16-bit values, or for floats into
// an 8-bit output (`eight`) the 8-bit ones.
void Narrow(SampleType type, const uint8_t* in, int32_t count, bool eight, int16_t* out) {
  const bool vectors = CurrentVectorLevel() >= VectorLevel::kSse2;
  int32_t i = 0;
  switch (type) {
    case SampleType::kUnsigned8:
      for (; i < count; ++i) out[i] = static_cast<int16_t>((in[i] - 128) * 256);
      return;
    case SampleType::kSigned16:
      std::memcpy(out, in, static_cast<size_t>(count) * 2);
      return;
    case SampleType::kSigned24:  // the top two bytes
      for (; i < count; ++i) out[i] = static_cast<int16_t>(Signed16At(in + 3 * i + 1));
      return;
    case SampleType::kSigned32:
      if (vectors) i = NarrowSigned32Sse2(in, count, out);
      for (; i < count; ++i) out[i] = static_cast<int16_t>(Signed16At(in + 4 * i + 2));
      return;
    case SampleType::kFloat32:
    case SampleType::kFloat64: {
      if (vectors && type == SampleType::kFloat32) i = NarrowFloats32Sse2(in, count, eight, out);
      const int32_t size = type == SampleType::kFloat32 ? 4 : 8;
      for (; i < count; ++i) {
        const double x = FloatAt(in + size * i, type);
        out[i] = static_cast<int16_t>(eight ? RoundedFloat(x, 128.0, -128.0, 127.0) + 128
                                            : RoundedFloat(x, 32768.0, -32768.0, 32767.0));
      }
      return;
    }
  }
}

// count samples as 24-bit values, for mixing.
void Widen(SampleType type, const uint8_t* in, int32_t count, int32_t* out) {
  int32_t i = 0;
  switch (type) {
    case SampleType::kUnsigned8:
      for (; i < count; ++i) out[i] = (in[i] - 128) * 65536;
      return;
    case SampleType::kSigned16:
      for (; i < count; ++i) out[i] = Signed16At(in + 2 * i) * 256;
      return;
    case SampleType::kSigned24:
      for (; i < count; ++i) out[i] = Signed24At(in + 3 * i);
      return;
    case SampleType::kSigned32:
      for (; i < count; ++i) out[i] = Signed32At(in + 4 * i) >> 8;
      return;
    case SampleType::kFloat32:
    case SampleType::kFloat64: {
      const int32_t size = type == SampleType::kFloat32 ? 4 : 8;
      for (; i < count; ++i) out[i] = RoundedFloat(FloatAt(in + size * i, type), 8388608.0, -8388608.0, 8388607.0);
      return;
    }
  }
}

inline void Write16(uint8_t* out, int32_t value) {
  const uint16_t bits = static_cast<uint16_t>(static_cast<int16_t>(value));
  out[0] = static_cast<uint8_t>(bits & 0xFF);
  out[1] = static_cast<uint8_t>(bits >> 8);
}

// Mixes the kept frames of a piece of kIn channels into kOut (known at
// compile time, so that the sums unroll).
template <int32_t kIn, int32_t kOut>
uint8_t* MixFrames(const int32_t* samples, int32_t frames, int32_t first, int32_t step,
                   const int32_t (*matrix)[kMostPcmChannels], bool eight, uint8_t* out) {
  int32_t q[kOut][kIn];
  for (int32_t c = 0; c < kOut; ++c) {
    for (int32_t j = 0; j < kIn; ++j) q[c][j] = matrix[c][j];
  }
  for (int32_t f = first; f < frames; f += step) {
    const int32_t* frame = samples + f * kIn;
    int16_t values[kOut];
    for (int32_t c = 0; c < kOut; ++c) {
      int64_t sum = int64_t{1} << (kMixShift - 1);
      for (int32_t j = 0; j < kIn; ++j) sum += static_cast<int64_t>(q[c][j] * int64_t{frame[j]});
      values[c] = static_cast<int16_t>(Clamp(static_cast<int32_t>(sum >> kMixShift), -32768, 32767));
    }
    if (eight) {
      for (int32_t c = 0; c < kOut; ++c) *out++ = static_cast<uint8_t>((values[c] >> 8) + 128);
    } else {
      std::memcpy(out, values, sizeof values);
      out += sizeof values;
    }
  }
  return out;
}

template <int32_t kIn>
uint8_t* MixFramesInto(int32_t outChannels, const int32_t* samples, int32_t frames, int32_t first, int32_t step,
                       const int32_t (*matrix)[kMostPcmChannels], bool eight, uint8_t* out) {
  return outChannels == 1 ? MixFrames<kIn, 1>(samples, frames, first, step, matrix, eight, out)
                          : MixFrames<kIn, 2>(samples, frames, first, step, matrix, eight, out);
}

}  // namespace

PcmConverter::PcmConverter(const PcmShape& from, const PcmShape& to, bool halfRate)
    : from_(from), to_(to), halfRate_(halfRate) {
  mixing_ = from.channels > 2 || to.channels < from.channels;
  if (mixing_) BuildMatrix();
  eightBitNarrowing_ = !mixing_ && to.type == SampleType::kUnsigned8 &&
                       (from.type == SampleType::kFloat32 || from.type == SampleType::kFloat64);
}

bool PcmConverter::CanConvert(const PcmShape& from, const PcmShape& to) {
  const bool outputOk = (to.channels == 1 || to.channels == 2) &&
                        (to.type == SampleType::kUnsigned8 || to.type == SampleType::kSigned16);
  return outputOk && from.channels >= 1 && from.channels <= kMostPcmChannels && to.channels <= from.channels;
}

// The stereo rows from the speaker of each channel (the channel mask's set
// bits, lowest first; channels beyond them are not mixed), scaled down when a
// row's sum is above 1, averaged for mono, and rounded to Q15 with each
// rounding error carried on along the row.
void PcmConverter::BuildMatrix() {
  double rows[2][kMostPcmChannels] = {};
  uint32_t mask = from_.channelMask != 0 ? from_.channelMask : StandardChannelMask(from_.channels);
  double sums[2] = {0, 0};
  for (int32_t j = 0; j < from_.channels; ++j) {
    const uint32_t speaker = mask & (~mask + 1);
    mask &= mask - 1;
    SpeakerWeights(speaker, &rows[0][j], &rows[1][j]);
    sums[0] += rows[0][j];
    sums[1] += rows[1][j];
  }
  const double largest = sums[0] > sums[1] ? sums[0] : sums[1];
  for (int32_t j = 0; j < from_.channels; ++j) {
    for (double* row : rows) {
      if (largest > 1) row[j] /= largest;
    }
    if (to_.channels == 1) rows[0][j] = (rows[0][j] + rows[1][j]) / 2;
  }
  for (int32_t c = 0; c < to_.channels; ++c) {
    double carried = 0;
    for (int32_t j = 0; j < from_.channels; ++j) {
      const double target = rows[c][j] * (1 << kCoefficientBits) + carried;
      matrix_[c][j] = static_cast<int32_t>(std::nearbyint(target));
      carried = target - matrix_[c][j];
    }
  }
}

int32_t PcmConverter::MaxOutputBytes(int32_t inBytes) const {
  const int32_t frames = inBytes > 0 ? inBytes / from_.BytesPerFrame() : 0;
  return (halfRate_ ? frames / 2 + 1 : frames) * to_.BytesPerFrame();
}

int32_t PcmConverter::Convert(const uint8_t* in, int32_t inBytes, uint8_t* out) {
  const int32_t inFrame = from_.BytesPerFrame();
  const int32_t frames = inBytes > 0 ? inBytes / inFrame : 0;
  uint8_t* start = out;
  for (int32_t done = 0; done < frames; done += kPieceFrames) {
    const int32_t n = frames - done < kPieceFrames ? frames - done : kPieceFrames;
    const uint8_t* piece = in + static_cast<intptr_t>(done) * inFrame;
    FrameSteps steps = {0, 1};
    if (halfRate_) {
      steps = {skipNext_ ? 1 : 0, 2};
      skipNext_ = (n - steps.first) % 2 != 0;
    }
    out = mixing_ ? Mix(piece, n, steps, out) : Copy(piece, n, steps, out);
  }
  return static_cast<int32_t>(out - start);
}

uint8_t* PcmConverter::Copy(const uint8_t* piece, int32_t frames, FrameSteps steps, uint8_t* out) {
  int16_t samples[kPieceFrames * 2];
  const int32_t channels = from_.channels;
  Narrow(from_.type, piece, frames * channels, eightBitNarrowing_, samples);
  const bool eight = to_.type == SampleType::kUnsigned8;
  if (steps.step == 1 && !eight) {
    std::memcpy(out, samples, static_cast<size_t>(frames) * channels * 2);
    return out + frames * channels * 2;
  }
  for (int32_t f = steps.first; f < frames; f += steps.step) {
    for (int32_t c = 0; c < channels; ++c) {
      const int32_t value = samples[f * channels + c];
      if (eightBitNarrowing_) *out++ = static_cast<uint8_t>(value);
      else if (eight) *out++ = static_cast<uint8_t>((value >> 8) + 128);
      else Write16(out, value), out += 2;
    }
  }
  return out;
}

uint8_t* PcmConverter::Mix(const uint8_t* piece, int32_t frames, FrameSteps steps, uint8_t* out) {
  int32_t samples[kPieceFrames * kMostPcmChannels];
  Widen(from_.type, piece, frames * from_.channels, samples);
  const bool eight = to_.type == SampleType::kUnsigned8;
  switch (from_.channels) {
    case 2: return MixFramesInto<2>(to_.channels, samples, frames, steps.first, steps.step, matrix_, eight, out);
    case 3: return MixFramesInto<3>(to_.channels, samples, frames, steps.first, steps.step, matrix_, eight, out);
    case 4: return MixFramesInto<4>(to_.channels, samples, frames, steps.first, steps.step, matrix_, eight, out);
    case 5: return MixFramesInto<5>(to_.channels, samples, frames, steps.first, steps.step, matrix_, eight, out);
    case 6: return MixFramesInto<6>(to_.channels, samples, frames, steps.first, steps.step, matrix_, eight, out);
    case 7: return MixFramesInto<7>(to_.channels, samples, frames, steps.first, steps.step, matrix_, eight, out);
    default: return MixFramesInto<8>(to_.channels, samples, frames, steps.first, steps.step, matrix_, eight, out);
  }
}
