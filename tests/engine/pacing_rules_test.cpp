#include <gtest/gtest.h>

#include "settings/options.h"
#include "engine/pacing_rules.h"
#include "platform/win32.h"
#include "settings/present_mode.h"

namespace {

TEST(PacingRules, ThresholdsAtTwentyFiveAndBelowTwentyFramesPerSecondAndTheResync) {
  EXPECT_EQ(ResyncThreshold(25, 1), 2);
  EXPECT_EQ(LevelBarTime(25, 1), 50);
  EXPECT_EQ(FramesPerSecond(25, 1), 25);
  EXPECT_EQ(ResyncThreshold(19, 1), 1);
  EXPECT_EQ(ResyncThreshold(15, 1), 1);
  EXPECT_EQ(ResyncThreshold(30000, 1001), 2);  // 29 fps
  EXPECT_EQ(LevelBarTime(30000, 1001), 59);
  EXPECT_EQ(FramesPerSecond(1, 2), 1);  // half a frame per second still counts as 1
  // Resync only beyond the threshold, or at the first change.
  EXPECT_FALSE(NeedsResync(102, 100, 2, false));
  EXPECT_FALSE(NeedsResync(98, 100, 2, false));
  EXPECT_TRUE(NeedsResync(103, 100, 2, false));
  EXPECT_TRUE(NeedsResync(97, 100, 2, false));
  EXPECT_TRUE(NeedsResync(100, 100, 2, true));
}

SoundPosition At25Fps(int32_t startBlock, int32_t counter, int32_t displacement) {
  // 44,100 Hz in blocks of 3,528 samples: two video frames per block.
  return SoundPosition{startBlock, counter, 3528, 44100, 25, 1, displacement};
}

// Each term is truncated on its own; long files do not overflow.
TEST(PacingRules, LipSyncTurnsBlocksAndDisplacementIntoFrames) {
  EXPECT_EQ(LipSyncFrame(At25Fps(0, 0, 0)), 1);
  EXPECT_EQ(LipSyncFrame(At25Fps(0, 10, 0)), 21);
  EXPECT_EQ(LipSyncFrame(At25Fps(50, 10, 0)), 121);
  // +500 ms at 25 fps: 12 frames later than the sound's own position.
  EXPECT_EQ(LipSyncFrame(At25Fps(50, 10, 500)) - LipSyncFrame(At25Fps(50, 10, 0)), 12);
  // Negative displacements truncate toward zero.
  EXPECT_EQ(LipSyncFrame(At25Fps(50, 10, -500)), 121 - 12);
  EXPECT_EQ(LipSyncFrame(At25Fps(0, 0, -30)), 1);  // -0.75 frames is 0
  // 1,000 Hz, 7-sample blocks, 30000/1001: start 3 blocks = 21 ms = 0.629 frames
  // -> 0, counter 5 blocks = 35 ms = 1.049 -> 1, displacement 100 ms = 2.997 -> 2.
  const SoundPosition p{3, 5, 7, 1000, 30000, 1001, 100};
  EXPECT_EQ(LipSyncFrame(p), 0 + 1 + 2 + 1);
  // Three hours of 48 kHz sound in 1,920-sample blocks at 25 fps.
  const int32_t blocks = 3 * 3600 * 25;
  EXPECT_EQ(LipSyncFrame(SoundPosition{0, blocks, 1920, 48000, 25, 1, 0}), 3 * 3600 * 25 + 1);
}

TEST(PacingRules, LagIsCappedAtSixAndDoubledFromOneInSkipMode) {
  EXPECT_EQ(EffectiveLag(110, 100, false, kSkipFrames), 6);
  EXPECT_EQ(EffectiveLag(110, 100, false, kKeepFastMotion), 6);
  EXPECT_EQ(EffectiveLag(104, 100, false, kSkipFrames), 4);
  EXPECT_EQ(EffectiveLag(101, 100, false, kSkipFrames), 1);
  EXPECT_EQ(EffectiveLag(101, 100, true, kSkipFrames), 2);
  EXPECT_EQ(EffectiveLag(103, 100, true, kSkipFrames), 3);
  EXPECT_EQ(EffectiveLag(95, 100, false, kSkipFrames), -5);  // ahead: nothing to drop
  EXPECT_EQ(EffectiveLag(110, 100, true, kJumpKeyframes), 1);
  EXPECT_EQ(EffectiveLag(110, 100, true, kSmoothVideo), 1);
}

TEST(PacingRules, SkipModeFollowsTheRingFillInSkipFramesOnly) {
  EXPECT_FALSE(NextSkipMode(false, false, 10, kSkipFrames, false));  // still warming up
  EXPECT_TRUE(NextSkipMode(false, true, 29, kSkipFrames, false));
  EXPECT_FALSE(NextSkipMode(false, true, 30, kSkipFrames, false));
  EXPECT_TRUE(NextSkipMode(true, true, 40, kSkipFrames, false));  // stays on up to 40 %
  EXPECT_FALSE(NextSkipMode(true, true, 41, kSkipFrames, false));
  EXPECT_FALSE(NextSkipMode(true, true, 10, kSkipFrames, true));  // end of video
  EXPECT_FALSE(NextSkipMode(true, true, 10, kKeepFastMotion, false));
  EXPECT_FALSE(NextSkipMode(false, true, 10, kJumpKeyframes, false));
}

TEST(PacingRules, AudioFeederKeepsTheSoundBufferAndTheFramesCovered) {
  // 50 queued frames at 25 fps = 2 s = 25 blocks of 3,528 samples at 44,100 Hz.
  EXPECT_EQ(BlocksForFrames(50, 1, 44100, 3528, 25), 25);
  EXPECT_EQ(BlocksForFrames(0, 1, 44100, 3528, 25), 0);
  EXPECT_TRUE(AudioFeederShouldDecode(20, 20, 0));   // up to the sound buffer
  EXPECT_FALSE(AudioFeederShouldDecode(21, 20, 0));
  EXPECT_TRUE(AudioFeederShouldDecode(25, 20, 25));  // up to what the frames need
  EXPECT_FALSE(AudioFeederShouldDecode(26, 20, 25));
  EXPECT_EQ(StartBlockForFrame(250, 1, 44100, 3528, 25), 125);
  EXPECT_EQ(StartBlockForFrame(251, 1, 44100, 3528, 25), 125);
}

TEST(PacingRules, PrioritiesRiseForYuvOverlaysAndHungryRings) {
  EXPECT_EQ(VideoThreadPriority(kPresentNonOverlay), THREAD_PRIORITY_NORMAL);
  EXPECT_EQ(VideoThreadPriority(kPresentRgb32), THREAD_PRIORITY_NORMAL);
  EXPECT_EQ(VideoThreadPriority(kPresentUyvy), THREAD_PRIORITY_HIGHEST);
  EXPECT_EQ(VideoThreadPriority(kPresentYuy2), THREAD_PRIORITY_HIGHEST);

  EXPECT_EQ(VideoFeederPriority(49, 10, kPresentYuy2), THREAD_PRIORITY_NORMAL);
  EXPECT_EQ(VideoFeederPriority(50, 10, kPresentYuy2), THREAD_PRIORITY_BELOW_NORMAL);
  EXPECT_EQ(VideoFeederPriority(10, 10, kPresentNonOverlay), THREAD_PRIORITY_BELOW_NORMAL);
  EXPECT_EQ(VideoFeederPriority(90, 1, kPresentNonOverlay), THREAD_PRIORITY_NORMAL);

  EXPECT_EQ(AudioFeederPriority(9, 20), THREAD_PRIORITY_HIGHEST);
  EXPECT_EQ(AudioFeederPriority(10, 20), THREAD_PRIORITY_NORMAL);
  EXPECT_EQ(AudioFeederPriority(2, 5), THREAD_PRIORITY_HIGHEST);  // fewer than 2.5
  EXPECT_EQ(AudioFeederPriority(3, 5), THREAD_PRIORITY_NORMAL);
}

}  // namespace
