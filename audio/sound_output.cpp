// The portable part of the sound output: the volume curve.
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
