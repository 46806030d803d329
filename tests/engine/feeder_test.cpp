#include <gtest/gtest.h>

#include "engine/audio_threads.h"
#include "engine/video_feeder.h"
#include "engine_test_fixture.h"
#include "settings/shared_options.h"

#include <cstring>
#include <set>
#include <vector>

namespace {

using VideoFeederTest = PlaybackFixture;

// Reads the ring out: the stamps and flags in order.
struct Queued {
  std::vector<int32_t> stamps;
  std::vector<uint8_t> flags;
};

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

TEST_F(VideoFeederTest, DecodesFromTheCurrentFramePlusTheOffsetMarksFailuresAndStopsWhenClosed) {
  record.currentFrame = 10;
  record.feederOffset = 2;
  decoder.failingFrames_ = {13};
  VideoFeeder feeder(context);
  for (int i = 0; i < 3; ++i) feeder.Pass();
  const Queued queued = Drain(&record.frameRing);
  EXPECT_EQ(queued.stamps, (std::vector<int32_t>{12, -1, 14}));
  EXPECT_EQ(queued.flags, (std::vector<uint8_t>{kFrameDecoded, kFrameFailed, kFrameDecoded}));
  EXPECT_EQ(time.SleptMilliseconds(), 0);
  // A closed player stops the feeding.
  record.state = kClosed;
  feeder.Pass();
  EXPECT_EQ(record.frameRing.Count(), 0);
  EXPECT_EQ(record.endOfVideo, 1);
}

TEST_F(VideoFeederTest, AFullRingAndTheEndOfTheVideoMakeItWait) {
  record.frameCount = 25;
  VideoFeeder feeder(context);
  for (int i = 0; i < 20; ++i) feeder.Pass();
  EXPECT_EQ(record.frameRing.Count(), 20);
  feeder.Pass();
  EXPECT_EQ(time.SleptMilliseconds(), 100);
  EXPECT_EQ(feeder.NextFrame(), 20);
  EXPECT_EQ(record.endOfVideo, 0);

  Drain(&record.frameRing);
  for (int i = 0; i < 5; ++i) feeder.Pass();
  EXPECT_EQ(record.endOfVideo, 0);
  feeder.Pass();  // frame 25 does not exist
  EXPECT_EQ(record.endOfVideo, 1);
  EXPECT_EQ(time.SleptMilliseconds(), 200);
  EXPECT_EQ(record.frameRing.Count(), 5);
}

// A file whose data ends before its frame count (cut off, or a header that
// claims more): the failed frame past the data is not queued, and the video
// ends there instead of running the claimed length out.
TEST_F(VideoFeederTest, TheEndOfTheDataIsTheEndOfTheVideo) {
  record.frameCount = 25;
  decoder.failingFrames_ = {5};  // a bad frame inside the data is queued as failed
  decoder.dataEnd_ = 8;
  VideoFeeder feeder(context);
  for (int i = 0; i < 12; ++i) feeder.Pass();
  const Queued queued = Drain(&record.frameRing);
  EXPECT_EQ(queued.stamps, (std::vector<int32_t>{0, 1, 2, 3, 4, -1, 6, 7}));
  EXPECT_EQ(record.dataEnd, 8);
  EXPECT_EQ(record.LastFrameEnd(), 8);
  EXPECT_EQ(record.endOfVideo, 1);
  EXPECT_EQ(decoder.decodedFrames.Items().back(), 8) << "no frame past the data was asked for again";
}

// With the feeder at frame 0 and the clock at the target, the frames the
// first passes queue: 0 for a frame passed over undecoded, 1 for a decoded
// one. Skip Frames and Jump Keyframes jump to a keyframe far enough ahead
// (5 to 1,000 frames, measured from the frame the feeder is at: a keyframe
// 1,001 ahead is not taken from frame 0, but from frame 1); the other modes
// never jump.
TEST_F(VideoFeederTest, EachModeJumpsToAKeyframeAheadOrNot) {
  struct Case {
    uint32_t mode;
    int32_t target;
    std::set<int32_t> keyframes;
    std::vector<uint8_t> flags;
    std::vector<int32_t> decoded;
  };
  const Case cases[] = {
      {kJumpKeyframes, 4, {0, 4}, {1, 1, 1}, {0, 1, 2}},
      {kJumpKeyframes, 7, {0, 5, 10}, {0, 0, 0, 0, 0, 1, 1}, {5, 6}},
      {kJumpKeyframes, 1500, {0, 1001}, {1, 0}, {0}},
      {kSkipFrames, 9, {0, 8}, std::vector<uint8_t>(8, 0), {}},
      {kKeepFastMotion, 9, {0, 8}, std::vector<uint8_t>(8, 1), {0, 1, 2, 3, 4, 5, 6, 7}},
      {kSmoothVideo, 9, {0, 8}, std::vector<uint8_t>(8, 1), {0, 1, 2, 3, 4, 5, 6, 7}}};
  record.frameCount = 5000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    g_options.speedTroublesMode = c.mode;
    PublishOptions();
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
      if (c.flags[i] == kFrameDecoded) {
        EXPECT_EQ(queued.stamps[i], static_cast<int32_t>(i));
      }
    }
  }
}

using AudioThreadsTest = PlaybackFixture;

TEST_F(AudioThreadsTest, TheFeederFillsTheSoundBufferAndWhatTheQueuedFramesNeed) {
  WithSound();
  record.soundBufferBlocks = 4;
  record.startBlock = 30;
  decoder.failingBlock_ = 31;
  ASSERT_TRUE(record.blockRing.Allocate(80, 40));
  AudioFeeder feeder(context);
  for (int i = 0; i < 10; ++i) feeder.Pass();
  // It decodes while the ring holds no more than the sound buffer's 4 blocks.
  EXPECT_EQ(record.blockRing.Count(), 5);
  EXPECT_EQ(decoder.decodedBlocks.Items(), (std::vector<int32_t>{30, 31, 32, 33, 34}));
  EXPECT_EQ(time.SleptMilliseconds(), 5 * 100);
  // The failed block is queued as no sound.
  EXPECT_EQ(Drain(&record.blockRing).flags, (std::vector<uint8_t>{1, 0, 1, 1, 1}));

  // 20 queued frames (0.8 s) need 10 blocks of 80 ms.
  Queue(0, 20);
  for (int i = 0; i < 20; ++i) feeder.Pass();
  EXPECT_EQ(record.blockRing.Count(), 11);
  EXPECT_EQ(feeder.NextBlock(), 30 + 5 + 11);
}

TEST_F(AudioThreadsTest, TheOutputWritesOnlyIntoAFreeBlockItCouldLockAndCountsIt) {
  WithSound();
  ASSERT_TRUE(record.blockRing.Allocate(80, 10));
  sound.bytesPerBlock_ = 80;
  for (int b = 0; b < 3; ++b) {
    decoder.ReadAudioBlock(record.blockRing.WriteSlot(), 7 + b);
    record.blockRing.Commit(1);
  }
  AudioOutputThread output(context);
  output.Pass();  // no free block in the sound buffer
  EXPECT_EQ(sound.written.Items().size(), 0u);
  EXPECT_EQ(time.SleptMilliseconds(), 100);

  sound.freeBlocks_ = 2;
  for (int i = 0; i < 3; ++i) output.Pass();
  ASSERT_EQ(sound.written.Items().size(), 2u);
  EXPECT_EQ(sound.written.Items()[0], std::vector<uint8_t>(80, 7));
  EXPECT_EQ(sound.written.Items()[1], std::vector<uint8_t>(80, 8));
  EXPECT_EQ(sound.counter_, 2);
  EXPECT_EQ(record.blockRing.Count(), 1);
  EXPECT_EQ(g_effectLog.soundBlocks, 2);
  EXPECT_EQ(time.SleptMilliseconds(), 200);

  // A failed lock keeps the block for the next attempt.
  sound.freeBlocks_ = 1;
  sound.failLock_ = true;
  output.Pass();
  EXPECT_EQ(time.SleptMilliseconds(), 300);
  EXPECT_EQ(record.blockRing.Count(), 1);
  EXPECT_EQ(sound.counter_, 2);
  sound.failLock_ = false;
  output.Pass();
  ASSERT_EQ(sound.written.Items().size(), 3u);
  EXPECT_EQ(sound.written.Items()[2], std::vector<uint8_t>(80, 9));
  EXPECT_EQ(sound.counter_, 3);
}

TEST_F(AudioThreadsTest, BlocksWithoutSoundPlayAsSilenceOfTheirSampleType) {
  WithSound();
  for (bool sixteenBit : {false, true}) {
    record.sixteenBit = sixteenBit ? 1 : 0;
    record.blockBytes = sixteenBit ? 160 : 80;
    sound.frameBytes_ = sixteenBit ? 2 : 1;
    sound.bytesPerBlock_ = record.blockBytes;
    ASSERT_TRUE(record.blockRing.Allocate(record.blockBytes, 4));
    std::memset(record.blockRing.WriteSlot(), 0x55, record.blockBytes);
    record.blockRing.Commit(0);
    sound.freeBlocks_ = 1;
    const size_t before = sound.written.Items().size();
    AudioOutputThread output(context);
    output.Pass();
    ASSERT_EQ(sound.written.Items().size(), before + 1);
    EXPECT_EQ(sound.written.Items()[before],
              std::vector<uint8_t>(static_cast<size_t>(record.blockBytes), sixteenBit ? 0 : 128));
  }
}

}  // namespace
