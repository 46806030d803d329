#include <gtest/gtest.h>

#include "engine/pacing_rules.h"
#include "platform/win32.h"
#include "settings/options.h"
#include "settings/present_mode.h"

#include <tuple>
#include <vector>

namespace {

// A tenth of a second of frames (at least 1) and two seconds for the level
// bar; half a frame per second still counts as 1. Resync only beyond the
// threshold, or at the first change.
TEST(PacingRules, ThresholdsAndTheResync) {
  const struct { int32_t rate, scale, threshold, levelBar, fps; } rates[] = {
      {25, 1, 2, 50, 25}, {19, 1, 1, 38, 19}, {15, 1, 1, 30, 15}, {30000, 1001, 2, 59, 29}, {1, 2, 1, 1, 1}};
  for (const auto& r : rates) {
    EXPECT_EQ(std::make_tuple(ResyncThreshold(r.rate, r.scale), LevelBarTime(r.rate, r.scale),
                              FramesPerSecond(r.rate, r.scale)),
              std::make_tuple(r.threshold, r.levelBar, r.fps)) << r.rate << "/" << r.scale;
  }
  const struct { int32_t audio; bool first, resync; } resyncs[] = {
      {102, false, false}, {98, false, false}, {103, false, true}, {97, false, true}, {100, true, true}};
  for (const auto& r : resyncs) EXPECT_EQ(NeedsResync(r.audio, 100, 2, r.first), r.resync) << r.audio;
}

// Each term is truncated on its own, toward zero; long files do not
// overflow. 44,100 Hz in blocks of 3,528 samples at 25 fps: two frames a
// block, +500 ms are 12 frames, -30 ms are -0.75 frames (0). 1,000 Hz in
// 7-sample blocks at 30000/1001: start 3 blocks = 21 ms = 0.629 frames -> 0,
// counter 5 blocks = 35 ms = 1.049 -> 1, displacement 100 ms = 2.997 -> 2.
// Three hours of 48 kHz sound in 1,920-sample blocks at 25 fps.
TEST(PacingRules, LipSyncTurnsBlocksAndDisplacementIntoFrames) {
  const struct { SoundPosition position; int32_t frame; } rows[] = {
      {{0, 0, 3528, 44100, 25, 1, 0}, 1},       {{0, 10, 3528, 44100, 25, 1, 0}, 21},
      {{50, 10, 3528, 44100, 25, 1, 0}, 121},   {{50, 10, 3528, 44100, 25, 1, 500}, 121 + 12},
      {{50, 10, 3528, 44100, 25, 1, -500}, 121 - 12}, {{0, 0, 3528, 44100, 25, 1, -30}, 1},
      {{3, 5, 7, 1000, 30000, 1001, 100}, 0 + 1 + 2 + 1},
      {{0, 3 * 3600 * 25, 1920, 48000, 25, 1, 0}, 3 * 3600 * 25 + 1}};
  for (const auto& r : rows) EXPECT_EQ(LipSyncFrame(r.position), r.frame) << r.frame;
}

// The lag is capped at 6 and doubled from 1 in skip mode; ahead, there is
// nothing to drop; Jump Keyframes and Smooth Video always act on 1. Skip
// mode goes on below 30 % once warmed up, off above 40 %, at the end of the
// video and in any other mode than Skip Frames.
TEST(PacingRules, LagAndSkipMode) {
  const struct { int32_t target; bool skip; uint32_t mode; int32_t lag; } lags[] = {
      {110, false, kSkipFrames, 6}, {110, false, kKeepFastMotion, 6}, {104, false, kSkipFrames, 4},
      {101, false, kSkipFrames, 1}, {101, true, kSkipFrames, 2},      {103, true, kSkipFrames, 3},
      {95, false, kSkipFrames, -5}, {110, true, kJumpKeyframes, 1},   {110, true, kSmoothVideo, 1}};
  for (const auto& l : lags) EXPECT_EQ(EffectiveLag(l.target, 100, l.skip, l.mode), l.lag) << l.target << " " << l.mode;
  const struct { bool skip, warmedUp; int32_t fill; uint32_t mode; bool end, next; } skips[] = {
      {false, false, 10, kSkipFrames, false, false}, {false, true, 29, kSkipFrames, false, true},
      {false, true, 30, kSkipFrames, false, false},  {true, true, 40, kSkipFrames, false, true},
      {true, true, 41, kSkipFrames, false, false},   {true, true, 10, kSkipFrames, true, false},
      {true, true, 10, kKeepFastMotion, false, false}, {false, true, 10, kJumpKeyframes, false, false}};
  for (const auto& s : skips) {
    EXPECT_EQ(NextSkipMode(s.skip, s.warmedUp, s.fill, s.mode, s.end), s.next) << s.fill << " " << s.mode;
  }
}

// 50 queued frames at 25 fps = 2 s = 25 blocks of 3,528 samples at 44,100
// Hz; the feeder decodes up to the sound buffer or what the frames need.
TEST(PacingRules, AudioFeederKeepsTheSoundBufferAndTheFramesCovered) {
  EXPECT_EQ(std::make_tuple(BlocksForFrames(50, 1, 44100, 3528, 25), BlocksForFrames(0, 1, 44100, 3528, 25),
                            StartBlockForFrame(250, 1, 44100, 3528, 25), StartBlockForFrame(251, 1, 44100, 3528, 25)),
            std::make_tuple(int64_t{25}, int64_t{0}, 125, 125));
  const struct { int32_t queued; int64_t needed; bool decode; } rows[] = {
      {20, 0, true}, {21, 0, false}, {25, 25, true}, {26, 25, false}};
  for (const auto& r : rows) EXPECT_EQ(AudioFeederShouldDecode(r.queued, 20, r.needed), r.decode) << r.queued;
}

// Priorities rise for YUV overlays and hungry rings (fewer than half the
// sound buffer's blocks).
TEST(PacingRules, PrioritiesRiseForYuvOverlaysAndHungryRings) {
  const int normal = THREAD_PRIORITY_NORMAL, highest = THREAD_PRIORITY_HIGHEST, below = THREAD_PRIORITY_BELOW_NORMAL;
  EXPECT_EQ((std::vector<int>{VideoThreadPriority(kPresentNonOverlay), VideoThreadPriority(kPresentRgb32),
                              VideoThreadPriority(kPresentUyvy), VideoThreadPriority(kPresentYuy2)}),
            (std::vector<int>{normal, normal, highest, highest}));
  EXPECT_EQ((std::vector<int>{VideoFeederPriority(49, 10, kPresentYuy2), VideoFeederPriority(50, 10, kPresentYuy2),
                              VideoFeederPriority(10, 10, kPresentNonOverlay),
                              VideoFeederPriority(90, 1, kPresentNonOverlay)}),
            (std::vector<int>{normal, below, below, normal}));
  EXPECT_EQ((std::vector<int>{AudioFeederPriority(9, 20), AudioFeederPriority(10, 20), AudioFeederPriority(2, 5),
                              AudioFeederPriority(3, 5)}),
            (std::vector<int>{highest, normal, highest, normal}));
}

}  // namespace
