#include "decode/source_audio_pin.h"

#include "decode/decoder_context.h"
#include "decode/media_type.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kWaveFormatSize = 18;       // WAVEFORMATEX up to and with cbSize
constexpr uint32_t kSubFormatOffset = 24;      // WAVEFORMATEXTENSIBLE's SubFormat
constexpr WORD kWaveFormatExtensible = 0xFFFE;

}  // namespace

SourceAudioPin::SourceAudioPin(DecoderContext* context, AviSplitterFilter* filter)
    : SourcePin(&context->audioLock, context, filter, L"Audio Stream", L"ISourceAudio") {
  const AudioStreamInfo& audio = context->audio;
  const WAVEFORMATEX* format = context->AudioFormat();
  mediaType_.majortype = MEDIATYPE_Audio;
  mediaType_.bFixedSizeSamples = FALSE;
  mediaType_.bTemporalCompression = FALSE;
  mediaType_.lSampleSize = 0;
  mediaType_.formattype = FORMAT_WaveFormatEx;
  mediaType_.pUnk = nullptr;
  if (format == nullptr) return;

  if (format->wFormatTag == kWaveFormatExtensible && audio.formatSize >= kSubFormatOffset + sizeof(GUID)) {
    std::memcpy(&mediaType_.subtype, audio.format + kSubFormatOffset, sizeof(GUID));
  } else {
    mediaType_.subtype = FourccSubtype(format->wFormatTag);
  }
  const bool pcm = format->wFormatTag == WAVE_FORMAT_PCM;
  const uint16_t extra = pcm || audio.formatSize < kWaveFormatSize ? 0 : format->cbSize;
  const uint32_t size = kWaveFormatSize + extra;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(size));
  if (block == nullptr) return;  // E_OUTOFMEMORY: the pin offers no format
  std::memset(block, 0, size);
  // PCM takes the 16 bytes before cbSize (which stays 0); any other format
  // takes cbSize + 18 bytes, as far as the file holds them.
  std::memcpy(block, audio.format, std::min(pcm ? 16u : size, audio.formatSize));
  reinterpret_cast<WAVEFORMATEX*>(block)->cbSize = extra;
  mediaType_.cbFormat = size;
  mediaType_.pbFormat = block;
}

SourceAudioPin::~SourceAudioPin() { FreeMediaType(&mediaType_); }

bool SourceAudioPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr || type->pbFormat == nullptr || mediaType_.pbFormat == nullptr ||
      type->cbFormat < kWaveFormatSize) {
    return false;
  }
  const auto* offered = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
  const auto* own = reinterpret_cast<const WAVEFORMATEX*>(mediaType_.pbFormat);
  const uint32_t compared = kWaveFormatSize + own->cbSize;
  return IsEqualGUID(type->majortype, mediaType_.majortype) &&
         IsEqualGUID(type->subtype, mediaType_.subtype) &&
         IsEqualGUID(type->formattype, FORMAT_WaveFormatEx) && offered->cbSize == own->cbSize &&
         type->cbFormat >= compared && std::memcmp(offered, own, compared) == 0;
}

uint32_t SourceAudioPin::BufferSize() { return context_->audio.bufferSize; }
