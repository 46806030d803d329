#include "engine/ring_sizing.h"

#include <algorithm>

namespace {

constexpr int32_t kMinimumFrames = 5;
constexpr int32_t kMinimumSoundBlocks = 2;
constexpr int32_t kBlocksBeyondSoundBuffer = 5;
constexpr int32_t kSoundBufferSeconds = 2;

int32_t ClampToInt32(uint64_t value) {
  return value > 0x7FFFFFFFull ? 0x7FFFFFFF : static_cast<int32_t>(value);
}

}  // namespace

int32_t FrameStride(int32_t width) { return (2 * width - 1) / 4 * 4 + 4; }

uint64_t FrameBudget(uint64_t available, uint32_t frameBufferSize) {
  switch (frameBufferSize) {
    case 1: return available / 10;
    case 2: return available / 5;
    case 3: return available / 3;
    case 4: return available / 2;
    // "Auto Allocation", at most 1 GiB: frames never need more, and a player
    // must not take a 64-bit machine's memory from every other program.
    default: return std::min<uint64_t>(available / 2 + available / 4, kMostAutoBudget);
  }
}

int32_t FrameRingCapacity(uint64_t budget, uint32_t frameBytes) {
  if (frameBytes == 0) return kMinimumFrames;
  const int32_t frames = ClampToInt32(budget / frameBytes);
  return frames < kMinimumFrames ? kMinimumFrames : frames;
}

int32_t SoundBufferBlocks(int32_t sampleRate, int32_t blockLength) {
  if (blockLength < 1 || sampleRate < 1) return kMinimumSoundBlocks;
  const int64_t needed = static_cast<int64_t>(kSoundBufferSeconds) * sampleRate;
  const int64_t blocks = (needed + blockLength - 1) / blockLength;
  return blocks < kMinimumSoundBlocks ? kMinimumSoundBlocks : static_cast<int32_t>(blocks);
}

int32_t BlockRingCapacity(int32_t videoScale, int32_t sampleRate, int32_t frameCapacity,
                          int32_t videoRate, int32_t blockLength, int32_t soundBufferBlocks) {
  const int32_t minimum = soundBufferBlocks + kBlocksBeyondSoundBuffer;
  if (videoRate < 1 || blockLength < 1 || videoScale < 0 || sampleRate < 0 || frameCapacity < 1) {
    return minimum;
  }
  // scale x rate x frames / videoRate, exactly, in steps that cannot overflow:
  // a crafted scale and a large ring reach 2^93, where the count is capped.
  const int64_t perFrame = static_cast<int64_t>(videoScale) * sampleRate;
  const int64_t whole = perFrame / videoRate;
  if (whole > 0 && frameCapacity > (INT64_MAX / 2) / whole) return 0x7FFFFFFF;
  const int64_t units = whole * frameCapacity + perFrame % videoRate * frameCapacity / videoRate;
  const int64_t blocks = units / blockLength;
  if (blocks < minimum) return minimum;
  return blocks > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(blocks);
}

int32_t BoundedBlockRing(int32_t blocks, uint32_t blockBytes, int32_t soundBufferBlocks) {
  const int32_t minimum = soundBufferBlocks + kBlocksBeyondSoundBuffer;
  const uint64_t most = kMostBlockRingBytes / std::max<uint32_t>(blockBytes, 1);
  const int64_t bounded = std::min<int64_t>(blocks, static_cast<int64_t>(std::min<uint64_t>(most, 0x7FFFFFFF)));
  return static_cast<int32_t>(std::max<int64_t>(bounded, minimum));
}
