#include <gtest/gtest.h>

#include "engine/audio_threads.h"
#include "engine/video_feeder.h"
#include "engine_fakes.h"

#include <set>
#include <tuple>
#include <vector>

namespace {

using VideoFeederTest = PlaybackFixture;

// Reads the ring out: the stamps (-1 where not decoded) and flags in order.
struct Queued { std::vector<int32_t> stamps; std::vector<uint8_t> flags; };

Queued Drain(SampleRing* ring) {
  Queued out;
  uint8_t flag = 0;
  while (uint8_t* element = ring->ReadSlot(&flag)) {
    out.stamps.push_back(flag == kFrameDecoded ? FrameStamp(element) : -1);
    out.flags.push_back(flag);
    ring->Release();
  }
  return out;
}

// From the current frame plus the offset, a failure marked, without waiting;
// a full ring and the end of the video make it wait 100 ms; a closed player
// stops the feeding. (A file whose data ends before its frame count: the
// shell's truncation test plays every prefix to its last readable frame.)
TEST_F(VideoFeederTest, DecodesFromTheCurrentFramePlusTheOffsetAndWaitsWhenFullOrAtTheEnd) {
  record.frameCount = 35;
  record.currentFrame = 10;
  record.feederOffset = 2;
  decoder.failingFrames_ = {13};
  VideoFeeder feeder(context);
  for (int i = 0; i < 21; ++i) feeder.Pass();
  EXPECT_EQ(std::make_tuple(record.frameRing.Count(), time.SleptMilliseconds(), feeder.NextFrame()),
            std::make_tuple(20, int64_t{100}, 32));
  const Queued queued = Drain(&record.frameRing);
  EXPECT_EQ(std::make_tuple(queued.stamps[0], queued.flags[1], queued.stamps[2]),
            std::make_tuple(12, uint8_t{kFrameFailed}, 14));
  record.state = kClosed;
  feeder.Pass();
  EXPECT_EQ(std::make_tuple(record.frameRing.Count(), record.endOfVideo.load()), std::make_tuple(0, 1));
  record.state = kPlaying;
  record.endOfVideo = 0;
  for (int i = 0; i < 3; ++i) feeder.Pass();
  EXPECT_EQ(record.endOfVideo, 0);
  feeder.Pass();  // frame 35 does not exist
  EXPECT_EQ(std::make_tuple(record.endOfVideo.load(), time.SleptMilliseconds(), record.frameRing.Count()),
            std::make_tuple(1, int64_t{300}, 3));
}

// With the feeder at frame 0 and the clock at the target, the frames the
// first passes queue: 0 for a frame passed over undecoded, 1 for a decoded
// one. Skip Frames and Jump Keyframes jump to a keyframe far enough ahead
// (5 to 1,000 frames, measured from the frame the feeder is at: a keyframe
// 1,001 ahead is not taken from frame 0, but from frame 1); the other modes
// never jump.
TEST_F(VideoFeederTest, EachModeJumpsToAKeyframeAheadOrNot) {
  const struct { uint32_t mode; int32_t target; std::set<int32_t> keyframes; std::vector<uint8_t> flags;
                 std::vector<int32_t> decoded; } cases[] = {
      {kJumpKeyframes, 4, {0, 4}, {1, 1, 1}, {0, 1, 2}},
      {kJumpKeyframes, 7, {0, 5, 10}, {0, 0, 0, 0, 0, 1, 1}, {5, 6}},
      {kJumpKeyframes, 1500, {0, 1001}, {1, 0}, {0}},
      {kSkipFrames, 9, {0, 8}, std::vector<uint8_t>(8, 0), {}},
      {kKeepFastMotion, 9, {0, 8}, std::vector<uint8_t>(8, 1), {0, 1, 2, 3, 4, 5, 6, 7}},
      {kSmoothVideo, 9, {0, 8}, std::vector<uint8_t>(8, 1), {0, 1, 2, 3, 4, 5, 6, 7}}};
  record.frameCount = 5000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    SetMode(c.mode);
    FakeDecoder fresh;
    fresh.keyframes_ = c.keyframes;
    context.decoder = &fresh;
    record.currentFrame = 0;
    record.targetFrame = c.target;
    VideoFeeder feeder(context);
    for (size_t i = 0; i < c.flags.size(); ++i) feeder.Pass();
    const Queued queued = Drain(&record.frameRing);
    EXPECT_EQ(queued.flags, c.flags);
    EXPECT_EQ(fresh.decodedFrames.Items(), c.decoded);
    for (size_t i = 0; i < c.flags.size(); ++i) {
      if (c.flags[i] == kFrameDecoded) { EXPECT_EQ(queued.stamps[i], static_cast<int32_t>(i)); }
    }
  }
}

using AudioThreadsTest = PlaybackFixture;

// It decodes while the ring holds no more than the sound buffer's 4 blocks,
// a failed block queued as no sound; then what the queued frames need: 20
// frames (0.8 s) need 10 blocks of 80 ms.
TEST_F(AudioThreadsTest, TheFeederFillsTheSoundBufferAndWhatTheQueuedFramesNeed) {
  WithSound();
  record.soundBufferBlocks = 4;
  record.startBlock = 30;
  decoder.failingBlock_ = 31;
  ASSERT_TRUE(record.blockRing.Allocate(80, 40));
  AudioFeeder feeder(context);
  for (int i = 0; i < 10; ++i) feeder.Pass();
  EXPECT_EQ(decoder.decodedBlocks.Items(), (std::vector<int32_t>{30, 31, 32, 33, 34}));
  EXPECT_EQ(std::make_tuple(record.blockRing.Count(), time.SleptMilliseconds()), std::make_tuple(5, int64_t{500}));
  EXPECT_EQ(Drain(&record.blockRing).flags, (std::vector<uint8_t>{1, 0, 1, 1, 1}));
  Queue(0, 20);
  for (int i = 0; i < 20; ++i) feeder.Pass();
  EXPECT_EQ(std::make_tuple(record.blockRing.Count(), feeder.NextBlock()), std::make_tuple(11, 30 + 5 + 11));
}

// Only into a free block it could lock, counted, through the audio filter;
// a failed lock keeps the block for the next attempt. Each pass that writes
// nothing rests 100 ms. A block without sound plays as silence of its
// sample type: zeros for 16 bits (128 for 8 bits: the player's prefill).
TEST_F(AudioThreadsTest, TheOutputWritesOnlyIntoAFreeBlockItCouldLockAndCountsIt) {
  WithSound();
  ASSERT_TRUE(record.blockRing.Allocate(80, 10));
  sound.bytesPerBlock_ = 80;
  record.sixteenBit = 1;
  for (int b = 0; b < 3; ++b) {
    decoder.ReadAudioBlock(record.blockRing.WriteSlot(), 7 + b);
    record.blockRing.Commit(b == 1 ? 0 : 1);  // block 8 without sound
  }
  AudioOutputThread output(context);
  // blocks written, their first bytes, counter, queued, filtered, slept ms
  const auto seen = [&] {
    std::vector<int> firsts;
    for (const std::vector<uint8_t>& block : sound.written.Items()) {
      EXPECT_EQ(block, std::vector<uint8_t>(80, block[0]));
      firsts.push_back(block[0]);
    }
    return std::make_tuple(firsts, sound.counter_.load(), record.blockRing.Count(), g_effectLog.soundBlocks.load(),
                           time.SleptMilliseconds());
  };
  const struct { int32_t freeBlocks; bool failLock; int passes; std::vector<int> firsts; int32_t counter, queued;
                 int64_t slept; } steps[] = {
      {0, false, 1, {}, 0, 3, 100},            // no free block in the sound buffer
      {2, false, 3, {7, 0}, 2, 1, 200},
      {1, true, 1, {7, 0}, 2, 1, 300},         // the lock fails
      {1, false, 1, {7, 0, 9}, 3, 0, 300}};
  for (const auto& s : steps) {
    sound.freeBlocks_ = s.freeBlocks;
    sound.failLock_ = s.failLock;
    for (int i = 0; i < s.passes; ++i) output.Pass();
    EXPECT_EQ(seen(), std::make_tuple(s.firsts, s.counter, s.queued, s.counter, s.slept)) << s.slept;
  }
}

}  // namespace
