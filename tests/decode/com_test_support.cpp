#include "tests/decode/com_test_support.h"

#include "tools/avi_writer.h"

TestStreams::TestStreams(int32_t width, int32_t height, uint32_t compression, uint16_t bitCount,
                         std::vector<uint8_t> wave)
    : videoFormat(BitmapInfoHeaderBytes(width, height, bitCount, compression)), audioFormat(std::move(wave)) {
  context.video.format = videoFormat.data();
  context.video.formatSize = static_cast<uint32_t>(videoFormat.size());
  context.video.rate = 25;
  context.video.scale = 1;
  context.video.length = 50;
  context.video.bufferSize = 100000;
  if (!audioFormat.empty()) {
    context.audio.format = audioFormat.data();
    context.audio.formatSize = static_cast<uint32_t>(audioFormat.size());
    context.audio.bufferSize = 4096;
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(audioFormat.data());
    context.audioOutput.stereo = wave->nChannels > 1;
    context.audioOutput.sixteenBit = 1;
    context.audioOutput.outputSamplesPerSecond = wave->nSamplesPerSec;
  }
}
