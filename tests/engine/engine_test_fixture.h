// A playback context over the fakes, with a frame ring the test fills by hand.
#pragma once

#include "settings/options.h"
#include "engine/playback_context.h"
#include "engine_fakes.h"
#include "settings/shared_options.h"

#include <gtest/gtest.h>

class PlaybackFixture : public ::testing::Test {
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
    stream.width = kWidth;
    stream.height = kHeight;
    stream.stride = kStride;
    stream.frameSize = kFrameSize;
    stream.frameCount = decoder.frameCount_;
    stream.rate = 25;
    stream.scale = 1;
    stream.state = kPlaying;
    ASSERT_TRUE(stream.frameRing.Allocate(kFrameSize, 20));
    context.stream = &stream;
    context.ports.sound = &sound;
    context.ports.picture = &picture;
    context.ports.host = &host;
    context.ports.time = &time;
    context.ports.shell = &shell;
    context.ports.effects = RecordingEffects();
    context.decoder = &decoder;
    context.clock = &clock;
    clock.Create(25, 1);
  }

 public:

  // Decodes frames first .. first + count - 1 into the ring (as the feeder would).
  void Queue(int32_t first, int32_t count, uint8_t flag = kFrameDecoded) {
    for (int32_t n = first; n < first + count; ++n) {
      uint8_t* slot = stream.frameRing.WriteSlot();
      ASSERT_NE(slot, nullptr);
      decoder.ReadVideoFrame(slot, n);
      ASSERT_TRUE(stream.frameRing.Commit(flag));
    }
  }

  // Gives the stream sound: 1,000 Hz in blocks of 80 samples (two frames).
  void WithSound() {
    stream.soundPlays = 1;
    stream.sampleRate = 1000;
    stream.blockLength = 80;
    stream.blockBytes = 80;
    stream.soundBufferBlocks = 25;
    sound.open_ = true;
  }

  EngineGlobalsGuard globals;
  ScriptedTime time;
  PlaybackClock clock{&time};
  FakeSound sound;
  FakePicture picture;
  FakeHost host;
  FakeDecoder decoder;
  PlaybackStream stream;
  ShellSignals shell;
  PlaybackContext context;
};
