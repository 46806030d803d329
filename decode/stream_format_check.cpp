#include "decode/stream_format_check.h"

#include "decode/audio_block_math.h"
#include "decode/pcm_format.h"
#include "media/avi_file.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kMaxBitCount = 32;

}  // namespace

int64_t PictureHeight(int32_t biHeight) {
  return biHeight < 0 ? -int64_t{biHeight} : biHeight;
}

bool UsableVideoSize(int32_t biWidth, int32_t biHeight) {
  const int64_t width = biWidth;
  const int64_t height = PictureHeight(biHeight);
  return width > 0 && height > 0 && width <= kMaxVideoSide && height <= kMaxVideoSide &&
         width * height <= kMaxVideoPixels;
}

uint32_t PictureBytes(int32_t bitCount, int32_t width, int32_t height) {
  if (bitCount <= 0 || bitCount > kMaxBitCount || !UsableVideoSize(width, height)) return 0;
  const int64_t row = ((int64_t{bitCount} * width / 8 - 1) / 4 + 1) * 4;
  return static_cast<uint32_t>(row * PictureHeight(height));
}

uint16_t FittedCbSize(uint32_t formatSize, uint16_t cbSize) {
  if (formatSize < kWaveFormatSize) return 0;
  const uint32_t room = formatSize - kWaveFormatSize;
  return cbSize > room ? static_cast<uint16_t>(room) : cbSize;
}

bool RepairVideoRate(uint32_t microSecPerFrame, int32_t* rate, int32_t* scale) {
  if (*rate > 0 && *scale > 0 && *rate <= kMostFramesPerSecond * *scale) return true;
  if (microSecPerFrame < 1000000 / kMostFramesPerSecond || microSecPerFrame > INT32_MAX) return false;
  *rate = 1000000;
  *scale = static_cast<int32_t>(microSecPerFrame);
  return true;
}

namespace {

uint32_t FormatWord(const uint8_t* format, uint32_t offset) {
  uint32_t value;
  std::memcpy(&value, format + offset, 4);
  return value;
}

}  // namespace

bool RepairSoundRates(AudioStreamInfo* audio) {
  constexpr uint32_t kSamplesPerSec = 4, kAvgBytesPerSec = 8;
  if (audio->format == nullptr || audio->formatSize < 16) return false;
  PcmShape shape;
  const bool pcm = DescribePcm(audio->format, audio->formatSize, &shape);
  const uint32_t blockAlign = static_cast<uint32_t>(audio->format[12] | (audio->format[13] << 8));
  uint32_t samplesPerSec = FormatWord(audio->format, kSamplesPerSec);
  uint32_t bytesPerSec = FormatWord(audio->format, kAvgBytesPerSec);
  if (pcm && bytesPerSec == 0) bytesPerSec = static_cast<uint32_t>(
      std::min<uint64_t>(uint64_t{samplesPerSec} * blockAlign, INT32_MAX));
  if (audio->rate <= 0 || audio->scale <= 0) {
    if (audio->sampleSize <= 0 || bytesPerSec == 0 || bytesPerSec > INT32_MAX) return false;
    audio->rate = static_cast<int32_t>(bytesPerSec);
    audio->scale = audio->sampleSize;
  }
  if (pcm && samplesPerSec == 0) {
    if (audio->sampleSize <= 0 || blockAlign == 0) return false;
    const int64_t derived = int64_t{audio->rate} * audio->sampleSize / (int64_t{audio->scale} * blockAlign);
    if (derived <= 0 || derived > kMaxSampleRate) return false;
    samplesPerSec = static_cast<uint32_t>(derived);
    bytesPerSec = samplesPerSec * blockAlign;
    std::memcpy(audio->format + kSamplesPerSec, &samplesPerSec, 4);
    std::memcpy(audio->format + kAvgBytesPerSec, &bytesPerSec, 4);
  }
  return true;
}
