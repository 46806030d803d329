#include "engine_fakes.h"

#include <cstring>

bool FakePicture::Present(const uint8_t* frame, const Options& options) {
  if (time != nullptr) presentedAt.Add(time->SleptMilliseconds());
  presented.Add(FrameStamp(frame));
  presentedQuality.Add(options.highQualityConversion);
  return true;
}

int32_t FrameStamp(const uint8_t* frame) {
  int32_t stamp = 0;
  std::memcpy(&stamp, frame, sizeof stamp);
  return stamp;
}

bool FakeDecoder::ReadVideoFrame(uint8_t* destination, int32_t frame) {
  decodedFrames.Add(frame);
  if (frame >= dataEnd_) foundEnd_ = std::min(foundEnd_.load(), dataEnd_);
  if (frame < 0 || frame >= frameCount_ || frame >= dataEnd_ || failingFrames_.count(frame) != 0) return false;
  std::memset(destination, frame & 0xFF, static_cast<size_t>(height_ * ((2 * width_ - 1) / 4 * 4 + 4)));
  std::memcpy(destination, &frame, sizeof frame);
  return true;
}

bool FakeDecoder::ReadAudioBlock(uint8_t* destination, int32_t block) {
  decodedBlocks.Add(block);
  const bool fails = block == failingBlock_ || failAllBlocks_;  // leaving garbage behind
  const size_t bytes = static_cast<size_t>(samplesPerBlock_ * (stereo_ + 1) * (sixteenBit_ + 1));
  std::memset(destination, fails ? 0x55 : block & 0xFF, bytes);
  return !fails;
}

EffectLog g_effectLog;

FrameEffects RecordingEffects() {
  return FrameEffects{[](const Options& options, uint8_t*, int32_t, int32_t, int32_t) {
                        ++g_effectLog.filtered;
                        g_effectLog.filteredQuality.Add(options.highQualityConversion);
                        if (g_effectLog.duringFilter != nullptr) g_effectLog.duringFilter();
                      },
                      [](const Options&, uint8_t*, int32_t, int32_t) { ++g_effectLog.levelBars; },
                      [](uint8_t*, int32_t, int32_t) { ++g_effectLog.fades; },
                      [](uint8_t*, bool, bool, int32_t) { ++g_effectLog.soundBlocks; }};
}

void PlaybackFixture::SetUp() {
  g_options.speedTroublesMode = kSkipFrames, g_options.fadeoutPause = 0;
  g_options.enableVolumeControl = 1, g_options.volume = 80;
  PublishOptions();
  record.width = decoder.width_, record.height = decoder.height_, record.stride = 16;
  record.frameSize = 2 * 16, record.frameCount = decoder.frameCount_, record.rate = 25, record.scale = 1;
  record.state = kPlaying;
  ASSERT_TRUE(record.frameRing.Allocate(record.frameSize, 20));
  context.record = &record, context.ports = Ports(&time), context.decoder = &decoder, context.clock = &clock;
  clock.Create(25, 1);
}

void PlaybackFixture::Queue(int32_t first, int32_t count, uint8_t flag) {
  for (int32_t n = first; n < first + count; ++n) {
    uint8_t* slot = record.frameRing.WriteSlot();
    ASSERT_NE(slot, nullptr);
    decoder.ReadVideoFrame(slot, n);
    ASSERT_TRUE(record.frameRing.Commit(flag));
  }
}

void PlaybackFixture::WithSound() {
  record.soundPlays = 1, record.sampleRate = 1000, record.blockLength = record.blockBytes = 80;
  record.soundBufferBlocks = 25, sound.open_ = true;
}
