// Our own PCM conversion, for sound that the system offers no converter for
// (Wine's ACM Wrapper has none, and neither has a Windows without the PCM
// codec) and for a chain that delivers another format than it agreed to:
// any PcmShape (pcm_format.h) into 8-bit unsigned or 16-bit signed, mono or
// stereo, at the same or half the rate.
//
// Without mixing (the output has the input's one or two channels) each
// sample is narrowed on its own: 8-bit to 16 as (x - 128) << 8, 16-bit to 8
// as (x >> 8) + 128, 24- and 32-bit integers keep their top 16 (or 8) bits
// (the arithmetic shift: truncated toward minus infinity), floats x become
// x x 32768 (or x x 128, plus 128) rounded to the nearest integer (ties to
// even), clamped to the output's range.
//
// Floats beyond full scale (and NaN) are clamped before rounding; NaN
// becomes the lowest value.
//
// Mixing (more than two channels in, or stereo to mono) follows the usual
// down-mix to stereo: front left and right, and the left and right of
// centre, at 1; centre, back and side channels at -3 dB (sqrt 1/2), to both
// sides when they are in the middle (back centre at 1/2 to each); the low
// frequency channel left out. Both rows are divided by the larger of their
// sums when it is above 1, so that nothing can clip. Mono is the mean of the
// two rows. Each row's coefficients are rounded to multiples of 2^-15, each
// rounding's error carried into the next coefficient (q). The samples enter
// as 24-bit values s (8-bit ones times 65536, 16-bit ones times 256, 32-bit
// ones shifted right by 8, floats x 2^23 clamped and rounded); each output
// sample is the sum of q x s plus 2^22, shifted right by 23 (rounded half
// up), clamped to 16 bits (for 8- and 16-bit input exactly the sum of q x
// the 16-bit samples plus 2^14, shifted right by 15); an 8-bit output keeps
// its top byte plus 128.
//
// "Half Sample Rate" keeps every other sample frame, the first after a
// restart included.
#pragma once

#include "decode/pcm_format.h"

#include <cstdint>

class PcmConverter {
 public:
  PcmConverter() = default;
  // `to` must be 1 or 2 channels of kUnsigned8 or kSigned16.
  PcmConverter(const PcmShape& from, const PcmShape& to, bool halfRate);

  // Any input shape DescribePcm accepts, to mono, or to stereo from more
  // than one channel.
  static bool CanConvert(const PcmShape& from, const PcmShape& to);

  // Output bytes that Convert writes at most for inBytes of input.
  int32_t MaxOutputBytes(int32_t inBytes) const;
  // Converts whole input frames (a trailing partial frame is dropped) and
  // returns the bytes written. The half-rate phase runs on from call to call.
  int32_t Convert(const uint8_t* in, int32_t inBytes, uint8_t* out);
  // The next frame is the first of a pair again (after a reposition).
  void Restart() { skipNext_ = false; }

 private:
  // The frames of a piece that are kept: all, or every other one from the
  // half-rate phase on.
  struct FrameSteps {
    int32_t first;
    int32_t step;
  };

  void BuildMatrix();
  // One piece of input written out, narrowed or mixed.
  uint8_t* Copy(const uint8_t* piece, int32_t frames, FrameSteps steps, uint8_t* out);
  uint8_t* Mix(const uint8_t* piece, int32_t frames, FrameSteps steps, uint8_t* out);

  PcmShape from_;
  PcmShape to_;
  bool halfRate_ = false;
  bool skipNext_ = false;
  bool mixing_ = false;
  bool eightBitNarrowing_ = false;  // floats straight to 8-bit output
  // Q15 coefficients: output channel c takes matrix_[c][input channel].
  int32_t matrix_[2][kMostPcmChannels] = {};
};
