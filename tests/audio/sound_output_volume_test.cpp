#include <gtest/gtest.h>

#include "audio/sound_output.h"

#include <cmath>

namespace {

TEST(SoundOutputVolume, TheCurveAtItsWorkedPoints) {
  EXPECT_EQ(VolumeForPercent(100), 0);
  EXPECT_EQ(VolumeForPercent(0), -3000);
  EXPECT_EQ(VolumeForPercent(50), -1867);
  EXPECT_EQ(VolumeForPercent(75), -1049);
  EXPECT_EQ(VolumeForPercent(90), -451);
}

TEST(SoundOutputVolume, FollowsTheFormulaAndStaysWithinTheRange) {
  for (int32_t percent = -500; percent <= 500; ++percent) {
    const double a = std::exp(percent / 100.0) - 1.0;
    double expected = std::trunc(-3000.0 * (1.0 - a / (std::exp(1.0) - 1.0)));
    if (expected > 0) expected = 0;
    if (expected < -10000) expected = -10000;
    EXPECT_EQ(VolumeForPercent(percent), static_cast<int32_t>(expected)) << percent;
    EXPECT_LE(VolumeForPercent(percent), 0);
    EXPECT_GE(VolumeForPercent(percent), -10000);
  }
  EXPECT_EQ(VolumeForPercent(101), 0);  // above full is full
  EXPECT_EQ(VolumeForPercent(1000000), 0);
  EXPECT_GE(VolumeForPercent(-2000000000), -10000);
}

TEST(SoundOutputVolume, LouderIsNeverQuieter) {
  for (int32_t percent = 0; percent < 100; ++percent) {
    EXPECT_LE(VolumeForPercent(percent), VolumeForPercent(percent + 1)) << percent;
  }
}

}  // namespace
