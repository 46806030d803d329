#include "decode/dest_audio_pin.h"

#include "decode/decoder_context.h"
#include "platform/critical_section_lock.h"

DestAudioPin::DestAudioPin(DecoderContext* context, SampleGrabberFilter* filter)
    : DestPin(&context->audioLock, context, filter, L"Audio Stream", L"IDestAudio") {
  const AudioOutputFormat& output = context->audioOutput;
  format_.wFormatTag = WAVE_FORMAT_PCM;
  format_.nChannels = output.stereo ? 2 : 1;
  format_.nSamplesPerSec = output.outputSamplesPerSecond;
  format_.wBitsPerSample = output.sixteenBit ? 16 : 8;
  format_.nBlockAlign = format_.wBitsPerSample / 8 * format_.nChannels;
  format_.nAvgBytesPerSec = format_.nBlockAlign * format_.nSamplesPerSec;
  format_.cbSize = 0;

  type_.majortype = MEDIATYPE_Audio;
  type_.subtype = MEDIASUBTYPE_PCM;
  type_.bFixedSizeSamples = TRUE;
  type_.bTemporalCompression = FALSE;
  type_.lSampleSize = format_.nAvgBytesPerSec;
  type_.formattype = FORMAT_WaveFormatEx;
  type_.pUnk = nullptr;
  type_.cbFormat = sizeof(WAVEFORMATEX);
  type_.pbFormat = reinterpret_cast<BYTE*>(&format_);
  SetPreferredTypes(&type_, 1);

  IMemAllocator* allocator = nullptr;
  if (FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IMemAllocator, reinterpret_cast<void**>(&allocator)))) {
    allocator = nullptr;  // the transport then answers VFW_E_NO_ALLOCATOR
  }
  AttachAllocator(allocator);
}

// Only what shapes the samples is compared: the tag, the byte rate and
// cbSize are not.
bool DestAudioPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr || type->pbFormat == nullptr || type->cbFormat < 16) return false;
  const auto* offered = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
  return IsEqualGUID(type->majortype, type_.majortype) && IsEqualGUID(type->subtype, type_.subtype) &&
         IsEqualGUID(type->formattype, type_.formattype) &&
         offered->nChannels == format_.nChannels && offered->wBitsPerSample == format_.wBitsPerSample &&
         offered->nSamplesPerSec == format_.nSamplesPerSec &&
         offered->nBlockAlign == format_.nBlockAlign;
}

HRESULT DestAudioPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  BYTE* pointer = nullptr;
  if (FAILED(sample->GetPointer(&pointer))) return S_OK;
  context_->AcceptDecodedSound(pointer, sample->GetActualDataLength());
  return S_OK;
}

uint32_t DestAudioPin::BufferSize() { return format_.nAvgBytesPerSec; }
