// The portable part of the sound output: the volume curve and the rule that
// turns a shared position event into a block.
#include "audio/sound_output.h"

#include <cmath>

namespace {
constexpr int32_t kQuietest = -10000;  // DSBVOLUME_MIN, hundredths of a decibel
constexpr double kRange = -3000.0;
}  // namespace

int32_t VolumeForPercent(int32_t percent) {
  // Far outside 0..100 the curve is flat (0 above, about -4746 below); the
  // bounds keep e^x finite.
  if (percent > 1000) percent = 1000;
  if (percent < -1000) percent = -1000;
  const double a = std::exp(0.01 * percent) - 1.0;
  const double b = std::exp(1.0) - 1.0;
  const int32_t value = static_cast<int32_t>(kRange * (1.0 - a / b));  // truncates toward zero
  if (value > 0) return 0;
  return value < kQuietest ? kQuietest : value;
}

int32_t BlockFollower::BlockOfEvent(int32_t event, int32_t current, int64_t played) const {
  if (eventCount >= blockCount) return event;
  const int32_t aim = played >= 0 && blockSize > 0
                           ? static_cast<int32_t>(played / blockSize % blockCount)
                           : (current + 1) % blockCount;
  int32_t best = event;
  int32_t bestDistance = blockCount;
  for (int32_t block = event; block < blockCount; block += eventCount) {
    const int32_t apart = (block - aim + blockCount) % blockCount;
    const int32_t distance = apart < blockCount - apart ? apart : blockCount - apart;
    if (distance < bestDistance) {
      best = block;
      bestDistance = distance;
    }
  }
  const int32_t ahead = (best - current + blockCount) % blockCount;
  return ahead > blockCount / 2 ? current : best;  // a late, older event
}
