// The engine's rules: the rings and their sizes, the pacing of the threads
// and the playback clock.

#include "engine/pacing_rules.h"
#include "engine/playback_clock.h"
#include "engine/ring_sizing.h"
#include "engine/sample_ring.h"
#include "engine_fakes.h"
#include "settings/present_mode.h"

#include <cstring>
#include <iterator>
#include <tuple>

namespace {

// In order with their flags across the wrap (five rounds of filling a ring
// of three and taking two out, then the last); a full ring refuses writes
// and keeps its flags, an empty one refuses reads. The fill is a truncated
// percentage. Never allocated, or freed, every operation refuses.
TEST(SampleRing, ElementsComeOutInOrderWithTheirFlagsAcrossTheWrapButNotPastFullOrEmptyOrFreed) {
  SampleRing ring;
  EXPECT_EQ(ring.WriteSlot(), nullptr);
  ASSERT_TRUE(ring.Allocate(4, 3));
  int32_t written = 0, read = 0;
  for (const int32_t taken : {2, 2, 2, 2, 3}) {
    while (uint8_t* slot = ring.WriteSlot()) {
      std::memcpy(slot, &written, 4);
      ASSERT_TRUE(ring.Commit(static_cast<uint8_t>(written++ % 3)));
    }
    EXPECT_EQ(std::make_tuple(ring.Count(), ring.FillPercent(), ring.Commit(0)), std::make_tuple(3, 100, false));
    for (const int32_t last = read + taken; read < last; ++read) {
      uint8_t flag = 99;
      const uint8_t* slot = ring.ReadSlot(&flag);
      ASSERT_NE(slot, nullptr);
      EXPECT_EQ(std::make_tuple(std::memcmp(slot, &read, 4), int32_t{flag}), std::make_tuple(0, read % 3)) << read;
      ASSERT_TRUE(ring.Release());
    }
    EXPECT_EQ(ring.FillPercent(), (3 - taken) * 33);  // 1 of 3: 33 %
  }
  uint8_t flag = 7;
  EXPECT_EQ(std::make_tuple(written, ring.ReadSlot(&flag), ring.Release()), std::make_tuple(11, nullptr, false));
  ring.Commit(1);
  ring.Free();
  EXPECT_EQ(std::make_tuple(ring.Capacity(), ring.WriteSlot(), ring.Commit(1), ring.ReadSlot(&flag), ring.Release()),
            std::make_tuple(0, nullptr, false, nullptr, false));
  EXPECT_EQ(std::make_tuple(flag, ring.FillPercent()), std::make_tuple(uint8_t{7}, 0));
  EXPECT_FALSE(ring.Allocate(16, 0));
  EXPECT_EQ(ring.WriteSlot(), nullptr);
}

// Each call against its worked value. Frame rows take two bytes a pixel,
// rounded up to four; the budget is the chosen share of free memory (Auto
// Allocation: 500 + 250, each division truncated), and even a small one gives
// five frames. The sound buffer holds two seconds in at least two blocks
// (20 x 4411 >= 88200). The block ring holds the frame ring's playing time
// and five blocks more than the buffer: 44,100 Hz in blocks of 4,410 have 20
// buffer blocks, so at least 25; 341 frames at 25 fps = 13.64 s = 136 blocks
// of 0.1 s (truncated); NTSC timing 1001/30000, 1,000 frames, 1,764-sample
// blocks: 834. A crafted scale with a large ring is capped, not overflowed;
// just below the cap the count stays exact. Whatever the count, the ring
// takes at most 1 GiB (2^30 / 17,640 = 60869), and never fewer blocks than
// the sound buffer's and five more. 50 queued frames at 25 fps = 2 s = 25
// blocks of 3,528 samples at 44,100 Hz; frames 250 and 251 start in block 125.
TEST(RingSizing, FramesAndSoundBlocks) {
  const std::pair<int64_t, int64_t> results[] = {
      {FrameStride(640), 1280}, {FrameStride(1), 4}, {FrameStride(3), 8}, {FrameStride(321), 644},
      {FrameBudget(1000, 0), 750}, {FrameBudget(1000, 1), 100}, {FrameBudget(1000, 2), 200},
      {FrameBudget(1000, 3), 333}, {FrameBudget(1000, 4), 500}, {FrameBudget(1001, 0), 750},
      {FrameRingCapacity(1000, 614400), 5}, {FrameRingCapacity(0, 614400), 5},
      {FrameRingCapacity(6 * 614400ull, 614400), 6},
      {SoundBufferBlocks(44100, 4410), 20}, {SoundBufferBlocks(44100, 4411), 20},
      {SoundBufferBlocks(44100, 4409), 21}, {SoundBufferBlocks(8000, 100000), 2},
      {SoundBufferBlocks(22050, 1764), 25},
      {BlockRingCapacity(1, 44100, 5, 25, 4410, 20), 25}, {BlockRingCapacity(1, 44100, 341, 25, 4410, 20), 136},
      {BlockRingCapacity(1001, 44100, 1000, 30000, 1764, 50), 834},
      {BlockRingCapacity(INT32_MAX, 768000, INT32_MAX, 1, 1, 2), INT32_MAX},
      {BlockRingCapacity(INT32_MAX, 1, 3, 2, 4, 2), 805306367},
      {BoundedBlockRing(INT32_MAX, 17640, 20), 60869}, {BoundedBlockRing(136, 17640, 20), 136},
      {BoundedBlockRing(INT32_MAX, 3072000, 2000), 2005},
      {BlocksForFrames(50, 1, 44100, 3528, 25), 25}, {BlocksForFrames(0, 1, 44100, 3528, 25), 0},
      {StartBlockForFrame(250, 1, 44100, 3528, 25), 125}, {StartBlockForFrame(251, 1, 44100, 3528, 25), 125}};
  for (size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i].first, results[i].second) << "call " << i;
}

// A tenth of a second of frames (at least 1) and two seconds for the level
// bar; half a frame per second still counts as 1. Resync only beyond the
// threshold, or at the first change.
TEST(PacingRules, ThresholdsTheResyncAndTheAudioFeed) {
  const struct { int32_t rate, scale, threshold, levelBar, fps; } rates[] = {
      {25, 1, 2, 50, 25}, {19, 1, 1, 38, 19}, {15, 1, 1, 30, 15}, {30000, 1001, 2, 59, 29}, {1, 2, 1, 1, 1}};
  for (const auto& r : rates)
    EXPECT_EQ(std::make_tuple(ResyncThreshold(r.rate, r.scale), LevelBarTime(r.rate, r.scale),
                              FramesPerSecond(r.rate, r.scale)),
              std::make_tuple(r.threshold, r.levelBar, r.fps)) << r.rate << "/" << r.scale;
  const struct { int32_t audio; bool first, resync; } resyncs[] = {
      {102, false, false}, {98, false, false}, {103, false, true}, {97, false, true}, {100, true, true}};
  for (const auto& r : resyncs) EXPECT_EQ(NeedsResync(r.audio, 100, 2, r.first), r.resync) << r.audio;
  // The audio feeder decodes up to the sound buffer or what the frames need
  // (the blocks for the frames: the ring sizes' table).
  const struct { int32_t queued; int64_t needed; bool decode; } feeds[] = {
      {20, 0, true}, {21, 0, false}, {25, 25, true}, {26, 25, false}};
  for (const auto& r : feeds) EXPECT_EQ(AudioFeederShouldDecode(r.queued, 20, r.needed), r.decode) << r.queued;
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
  for (const auto& s : skips)
    EXPECT_EQ(NextSkipMode(s.skip, s.warmedUp, s.fill, s.mode, s.end), s.next) << s.fill << " " << s.mode;
}

// Priorities rise for YUV overlays and hungry rings (fewer than half the
// sound buffer's blocks).
TEST(PacingRules, PrioritiesRiseForYuvOverlaysAndHungryRings) {
  const int normal = THREAD_PRIORITY_NORMAL, highest = THREAD_PRIORITY_HIGHEST, below = THREAD_PRIORITY_BELOW_NORMAL;
  const std::pair<int, int> results[] = {
      {VideoThreadPriority(kPresentNonOverlay), normal}, {VideoThreadPriority(kPresentRgb32), normal},
      {VideoThreadPriority(kPresentUyvy), highest}, {VideoThreadPriority(kPresentYuy2), highest},
      {VideoFeederPriority(49, 10, kPresentYuy2), normal}, {VideoFeederPriority(50, 10, kPresentYuy2), below},
      {VideoFeederPriority(10, 10, kPresentNonOverlay), below},
      {VideoFeederPriority(90, 1, kPresentNonOverlay), normal},
      {AudioFeederPriority(9, 20), highest}, {AudioFeederPriority(10, 20), normal},
      {AudioFeederPriority(2, 5), highest}, {AudioFeederPriority(3, 5), normal}};
  for (size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i].first, results[i].second) << "call " << i;
}

// Frames since the (re)start at rate / scale, from a counter that does not
// start at 0: 39 ms is not yet a frame at 40 ms per frame; an hour at
// 29.97 fps multiplies before dividing: 3,600,000 x 30000 / 1001 / 1000 =
// 107892 (107892.1...). Without a performance counter 50,000 counts a second
// are assumed: 2,000 of ScriptedTime's (1,000 a second) are then 40 ms, one
// frame. A zero frequency counts as one.
TEST(PlaybackClock, CountsFramesSinceTheRestartAtRateOverScale) {
  // the counter's frequency (-1: no performance counter), the one the clock takes
  const struct { int64_t frequency; int32_t rate, scale; int64_t milliseconds, frames, taken; } rows[] = {
      {1000, 25, 1, 0, 0, 1000}, {1000, 25, 1, 39, 0, 1000}, {1000, 25, 1, 40, 1, 1000},
      {1000, 25, 1, 1040, 26, 1000}, {1000, 30000, 1001, 3600000, 107892, 1000},
      {-1, 25, 1, 2000, 1, 50000}, {0, 10, 1, 1000, 0, 1}};
  for (const auto& r : rows) {
    ScriptedTime time;
    time.frequencyFails_ = r.frequency < 0;
    time.frequency_ = r.frequency < 0 ? 1000 : r.frequency;
    time.Advance(123456);
    PlaybackClock clock(&time);
    clock.Create(r.rate, r.scale);
    time.Advance(r.milliseconds);
    EXPECT_EQ(std::make_tuple(clock.Frequency(), clock.Now()), std::make_tuple(r.taken, r.frames)) << r.milliseconds;
    clock.Restart();
    EXPECT_EQ(clock.Now(), 0);
  }
}

}  // namespace
