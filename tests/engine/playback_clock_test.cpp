#include <gtest/gtest.h>

#include "engine/playback_clock.h"
#include "engine_fakes.h"

namespace {

// Frames since the (re)start at rate / scale, from a counter that does not
// start at 0: 39 ms is not yet a frame at 40 ms per frame; an hour at
// 29.97 fps multiplies before dividing: 3,600,000 x 30000 / 1001 / 1000 =
// 107892 (107892.1...).
TEST(PlaybackClock, CountsFramesSinceTheRestartAtRateOverScale) {
  const struct { int32_t rate, scale; int64_t milliseconds, frames; } rows[] = {
      {25, 1, 0, 0}, {25, 1, 39, 0}, {25, 1, 40, 1}, {25, 1, 1040, 26}, {30000, 1001, 3600000, 107892}};
  for (const auto& r : rows) {
    ScriptedTime time;
    time.Advance(123456);
    PlaybackClock clock(&time);
    clock.Create(r.rate, r.scale);
    time.Advance(r.milliseconds);
    EXPECT_EQ(clock.Now(), r.frames) << r.milliseconds;
    clock.Restart();
    EXPECT_EQ(clock.Now(), 0);
  }
}

// Without a performance counter 50,000 counts a second are assumed: 2 of
// ScriptedTime's (1,000 a second) are far below a frame. A zero frequency
// counts as one.
TEST(PlaybackClock, FallsBackToFiftyThousandCountsWithoutAPerformanceCounterAndOneForZero) {
  ScriptedTime time;
  time.frequencyFails_ = true;
  PlaybackClock clock(&time);
  clock.Create(25, 1);
  time.Advance(2);
  EXPECT_EQ(std::make_tuple(clock.Frequency(), clock.Now()), std::make_tuple(int64_t{50000}, int64_t{0}));
  time.frequencyFails_ = false;
  time.frequency_ = 0;
  clock.Create(10, 1);
  EXPECT_EQ(clock.Frequency(), 1);
}

}  // namespace
