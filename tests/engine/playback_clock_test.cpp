#include <gtest/gtest.h>

#include "engine/playback_clock.h"
#include "engine_fakes.h"

namespace {

TEST(PlaybackClock, CountsFramesSinceTheRestartAtRateOverScale) {
  ScriptedTime time;
  time.Advance(123456);  // the counter does not start at 0
  PlaybackClock clock(&time);
  clock.Create(25, 1);
  EXPECT_EQ(clock.Now(), 0);
  time.Advance(39);
  EXPECT_EQ(clock.Now(), 0);  // 39 ms is not yet a frame at 40 ms per frame
  time.Advance(1);
  EXPECT_EQ(clock.Now(), 1);
  time.Advance(1000);
  EXPECT_EQ(clock.Now(), 26);
  clock.Restart();
  EXPECT_EQ(clock.Now(), 0);
}

TEST(PlaybackClock, MultipliesBeforeDividingForFractionalRates) {
  ScriptedTime time;
  PlaybackClock clock(&time);
  clock.Create(30000, 1001);  // 29.97 fps
  time.Advance(60 * 60 * 1000);
  // 3,600,000 x 30000 / 1001 / 1000 = 107892 (107892.1...)
  EXPECT_EQ(clock.Now(), 107892);
}

TEST(PlaybackClock, FallsBackToFiftyThousandCountsWithoutAPerformanceCounterAndOneForZero) {
  ScriptedTime time;
  time.frequencyFails_ = true;
  PlaybackClock clock(&time);
  clock.Create(25, 1);
  EXPECT_EQ(clock.Frequency(), 50000);
  time.Advance(2);  // 2 counts at frequency 1,000 in ScriptedTime's own units
  // 2 counts at the assumed 50,000 per second are far below a frame.
  EXPECT_EQ(clock.Now(), 0);
  // A zero frequency counts as one.
  time.frequencyFails_ = false;
  time.frequency_ = 0;
  clock.Create(10, 1);
  EXPECT_EQ(clock.Frequency(), 1);
}

}  // namespace
