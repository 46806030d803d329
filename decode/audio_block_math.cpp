#include "decode/audio_block_math.h"

#include <cmath>

bool ComputeAudioOutputFormat(const AudioSourceFacts& facts, bool sixteenBit, bool stereoAllowed,
                              bool fullRate, AudioOutputFormat* format) {
  const int64_t sourceRate = facts.sourceRate;
  // Rates beyond any real sound (a damaged or crafted header) would overflow
  // the block arithmetic; such sound cannot be played.
  if (sourceRate <= 0 || sourceRate > kMaxSampleRate) return false;
  // Without a usable video rate, one second per frame: the block is capped below.
  const int64_t samplesPerFrame = facts.videoRate > 0 && facts.videoScale > 0
                                      ? sourceRate * facts.videoScale / facts.videoRate
                                      : sourceRate;
  int64_t samplesPerBlock = (samplesPerFrame / 2) * 4;
  if (samplesPerBlock > sourceRate) samplesPerBlock = sourceRate;
  if (samplesPerBlock <= 0) return false;

  format->samplesPerBlock = static_cast<int32_t>(samplesPerBlock);
  format->outputSamplesPerBlock = format->samplesPerBlock;
  format->outputSamplesPerSecond = facts.sourceRate;
  if (!fullRate) {
    format->outputSamplesPerBlock /= 2;
    format->outputSamplesPerSecond /= 2;
  }
  format->sixteenBit = sixteenBit ? 1 : 0;
  format->stereo = stereoAllowed && facts.channels > 1 ? 1 : 0;
  format->outputBytesPerBlock = format->outputSamplesPerBlock * BytesPerOutputFrame(*format);
  return format->outputSamplesPerBlock > 0;
}

int32_t BytesPerOutputFrame(const AudioOutputFormat& format) {
  return (format.sixteenBit ? 2 : 1) * (format.stereo ? 2 : 1);
}

int32_t UnitsPerRead(const AudioSourceFacts& facts, int32_t samplesPerBlock) {
  if (facts.sampleSize == 0) return 1;
  double units = samplesPerBlock;
  if (facts.totalBytes > 0 && facts.videoLength > 0 && facts.videoScale > 0 && facts.sampleSize > 0 &&
      facts.sourceRate > 0) {
    units = static_cast<double>(samplesPerBlock) * facts.totalBytes * facts.videoRate /
            facts.videoLength / facts.videoScale / facts.sampleSize / facts.sourceRate;
  }
  if (!(units >= 1.0)) return 1;
  if (units > 2147483647.0) return 2147483647;
  return static_cast<int32_t>(std::trunc(units));
}

int32_t AudioStreamPosition(int32_t block, int32_t samplesPerBlock, int32_t audioRate,
                            int32_t sourceRate, int32_t audioScale) {
  if (sourceRate <= 0 || audioScale <= 0) return 0;
  return static_cast<int32_t>(static_cast<int64_t>(block) * samplesPerBlock * audioRate / sourceRate /
                              audioScale);
}

bool IsDriftCheckBlock(int32_t block, int32_t sourceRate, int32_t samplesPerBlock) {
  if (samplesPerBlock <= 0) return false;
  const int64_t blocksInTenSeconds = static_cast<int64_t>(sourceRate) * 10 / samplesPerBlock;
  return blocksInTenSeconds > 0 && block % blocksInTenSeconds == 0;
}

int64_t DecodedMilliseconds(int64_t bufferedBytes, int32_t bytesPerOutputFrame,
                            int64_t samplesProduced, int32_t outputSamplesPerSecond) {
  if (bytesPerOutputFrame <= 0 || outputSamplesPerSecond <= 0) return 0;
  return (bufferedBytes / bytesPerOutputFrame + samplesProduced) * 1000 / outputSamplesPerSecond;
}

int64_t SourceMilliseconds(int32_t audioPosition, int32_t audioScale, int32_t audioRate) {
  if (audioRate <= 0) return 0;
  // Seconds and the rest apart: a crafted scale makes the unit count itself
  // near 2^62, and so far off any decoded time that saturating is enough.
  const int64_t units = static_cast<int64_t>(audioPosition) * audioScale;
  const int64_t seconds = units / audioRate;
  constexpr int64_t kMostSeconds = INT64_MAX / 1000 - 1;
  if (seconds > kMostSeconds || seconds < -kMostSeconds) return seconds > 0 ? INT64_MAX : INT64_MIN;
  return seconds * 1000 + units % audioRate * 1000 / audioRate;
}
