#include <gtest/gtest.h>

#include "audio/sound_output.h"

namespace {

// The curve at its worked points, and its bounds: never louder than full,
// never below DirectSound's quietest, louder settings never quieter.
TEST(SoundOutputVolume, TheCurveAtItsWorkedPointsAndWithinItsBounds) {
  const std::pair<int32_t, int32_t> worked[] = {
      {100, 0}, {0, -3000}, {50, -1867}, {75, -1049}, {90, -451}, {101, 0}, {1000000, 0}};
  for (const auto& w : worked) EXPECT_EQ(VolumeForPercent(w.first), w.second) << w.first;
  for (int32_t percent = -500; percent <= 500; ++percent) {
    EXPECT_LE(VolumeForPercent(percent), 0) << percent;
    EXPECT_GE(VolumeForPercent(percent), -10000) << percent;
    EXPECT_LE(VolumeForPercent(percent - 1), VolumeForPercent(percent)) << percent;
  }
  EXPECT_GE(VolumeForPercent(-2000000000), -10000);
}

}  // namespace
