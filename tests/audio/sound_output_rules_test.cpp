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

// Position events beyond 62 blocks are shared round the buffer (block i
// signals event i mod 62): the block meant is the one of that event nearest
// the play cursor, or the next one without it, and never one behind.
TEST(SoundOutputBlocks, ASharedEventNamesTheBlockNearestThePlayCursor) {
  // The bytes played (blocks of 100; -1: not read) and the block meant.
  const struct { int32_t blocks, event, current; int64_t played; int32_t block; } cases[] = {
      {25, 7, 3, 900, 7},        // one event a block: the event is the block
      {240, 0, 61, 6200, 62},    // the cursor in the block entered
      {240, 0, 61, 6150, 62},    // the cursor a little behind the notification
      {240, 3, 63, 6500, 65},    // notifications missed: the cursor decides
      {240, 5, 66, -1, 67},      // no cursor: the next block of that event
      {240, 60, 183, 18400, 184},  // the last, shorter round of events
      {240, 0, 239, 0, 0},       // round the end of the buffer
      {240, 61, 124, 12400, 124},  // a late event of the block before: kept
  };
  for (const auto& c : cases) {
    const BlockFollower follower = {c.blocks, c.blocks < 62 ? c.blocks : 62, 100};  // blocks, events, bytes
    EXPECT_EQ(follower.BlockOfEvent(c.event, c.current, c.played), c.block)
        << c.blocks << " blocks, event " << c.event << ", at " << c.current;
  }
}

}  // namespace
