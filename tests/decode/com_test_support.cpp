#include "tests/decode/com_test_support.h"

#include <cstring>

TestStreams::TestStreams(int32_t width, int32_t height, uint32_t compression, uint16_t bitCount,
                         std::vector<uint8_t> wave)
    : videoFormat(sizeof(BITMAPINFOHEADER)), audioFormat(std::move(wave)) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = bitCount;
  header.biCompression = compression;
  std::memcpy(videoFormat.data(), &header, sizeof(header));
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

std::vector<uint8_t> WaveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                uint16_t blockAlign, std::vector<uint8_t> extra) {
  WAVEFORMATEX format = {};
  format.wFormatTag = tag;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = bits;
  format.nBlockAlign = blockAlign;
  format.nAvgBytesPerSec = rate * blockAlign;
  format.cbSize = static_cast<WORD>(extra.size());
  std::vector<uint8_t> bytes(18);
  std::memcpy(bytes.data(), &format, 18);
  bytes.insert(bytes.end(), extra.begin(), extra.end());
  return bytes;
}
