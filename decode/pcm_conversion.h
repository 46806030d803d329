// Our own PCM conversion, for sound that the system offers no converter for
// (Wine's ACM Wrapper has none, and neither has a Windows without the PCM
// codec): 8-bit unsigned to 16-bit signed ((x - 128) << 8) and back (the high
// byte + 128), stereo to mono (the two channels' mean, truncated toward
// minus infinity), and half the rate (every other sample frame).
#pragma once

#include <cstdint>

struct PcmShape {
  int32_t channels = 1;    // 1 or 2
  bool sixteenBit = true;  // else 8-bit unsigned
};

class PcmConverter {
 public:
  PcmConverter() = default;
  PcmConverter(const PcmShape& from, const PcmShape& to, bool halfRate);

  // Only the shapes the decoder uses: 1 or 2 channels, mono or stereo out
  // (never more channels than in).
  static bool CanConvert(const PcmShape& from, const PcmShape& to);

  // Output bytes that Convert writes at most for inBytes of input.
  int32_t MaxOutputBytes(int32_t inBytes) const;
  // Converts whole input frames (a trailing partial frame is dropped) and
  // returns the bytes written. The half-rate phase runs on from call to call.
  int32_t Convert(const uint8_t* in, int32_t inBytes, uint8_t* out);
  // The next frame is the first of a pair again (after a reposition).
  void Restart() { skipNext_ = false; }

 private:
  int32_t ReadSample(const uint8_t* frame, int32_t channel) const;
  void WriteSample(uint8_t* out, int32_t value) const;

  PcmShape from_;
  PcmShape to_;
  bool halfRate_ = false;
  bool skipNext_ = false;
};
