// A playback context over the fakes, with a frame ring the test fills by hand.
#pragma once

#include "settings/options.h"
#include "engine/playback_context.h"
#include "engine_fakes.h"
#include "settings/shared_options.h"

#include <gtest/gtest.h>

class PlaybackFixture : public ::testing::Test, public FakePorts {
 protected:
  static constexpr int32_t kWidth = 8;
  static constexpr int32_t kHeight = 2;
  static constexpr int32_t kStride = 16;
  static constexpr int32_t kFrameSize = kHeight * kStride;

  void SetUp() override {
    g_options.speedTroublesMode = kSkipFrames;
    g_options.fadeoutPause = 0;
    g_options.enableVolumeControl = 1;
    g_options.volume = 80;
    PublishOptions();
    record.width = kWidth;
    record.height = kHeight;
    record.stride = kStride;
    record.frameSize = kFrameSize;
    record.frameCount = decoder.frameCount_;
    record.rate = 25;
    record.scale = 1;
    record.state = kPlaying;
    ASSERT_TRUE(record.frameRing.Allocate(kFrameSize, 20));
    context.record = &record;
    context.ports = Ports(&time);
    context.decoder = &decoder;
    context.clock = &clock;
    clock.Create(25, 1);
  }

 public:

  // Decodes frames first .. first + count - 1 into the ring (as the feeder would).
  void Queue(int32_t first, int32_t count, uint8_t flag = kFrameDecoded) {
    for (int32_t n = first; n < first + count; ++n) {
      uint8_t* slot = record.frameRing.WriteSlot();
      ASSERT_NE(slot, nullptr);
      decoder.ReadVideoFrame(slot, n);
      ASSERT_TRUE(record.frameRing.Commit(flag));
    }
  }

  // Gives the file sound: 1,000 Hz in blocks of 80 samples (two frames).
  void WithSound() {
    record.soundPlays = 1;
    record.sampleRate = 1000;
    record.blockLength = 80;
    record.blockBytes = 80;
    record.soundBufferBlocks = 25;
    sound.open_ = true;
  }

  ScriptedTime time;
  PlaybackClock clock{&time};
  FakeDecoder decoder;
  PlaybackRecord record;
  PlaybackContext context;
};
