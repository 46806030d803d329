#include "decode/dest_audio_pin.h"

#include "decode/decoder_context.h"
#include "platform/critical_section_lock.h"

#include <algorithm>

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
  const WAVEFORMATEX& wanted = acceptingSource_ ? sourceFormat_ : format_;
  const GUID& subtype = acceptingSource_ ? sourceSubtype_ : type_.subtype;
  return IsEqualGUID(type->majortype, type_.majortype) && IsEqualGUID(type->subtype, subtype) &&
         IsEqualGUID(type->formattype, type_.formattype) &&
         offered->nChannels == wanted.nChannels && offered->wBitsPerSample == wanted.wBitsPerSample &&
         offered->nSamplesPerSec == wanted.nSamplesPerSec &&
         offered->nBlockAlign == wanted.nBlockAlign;
}

// The output format needs the same rate or half of it.
bool DestAudioPin::SetConversion(const PcmShape& from, int32_t fromRate) {
  PcmShape to;
  to.channels = format_.nChannels;
  to.type = format_.wBitsPerSample == 16 ? SampleType::kSigned16 : SampleType::kUnsigned8;
  const int32_t rate = static_cast<int32_t>(format_.nSamplesPerSec);
  if (!PcmConverter::CanConvert(from, to) || (rate != fromRate && rate != fromRate / 2)) return false;
  CriticalSectionLock hold(lock_);
  converter_ = PcmConverter(from, to, rate != fromRate);
  converting_ = true;
  return true;
}

bool DestAudioPin::AcceptSourcePcm() {
  const WAVEFORMATEX* source = context_->AudioFormat();
  PcmShape from;
  if (source == nullptr || !DescribePcm(context_->audio.format, context_->audio.formatSize, &from) ||
      !SetConversion(from, static_cast<int32_t>(source->nSamplesPerSec))) {
    return false;
  }
  CriticalSectionLock hold(lock_);
  sourceFormat_ = *source;
  const bool isFloat = from.type == SampleType::kFloat32 || from.type == SampleType::kFloat64;
  sourceSubtype_ = isFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
  acceptingSource_ = true;
  return true;
}

bool DestAudioPin::ConvertDelivered(const PcmShape& delivered, int32_t deliveredRate) {
  return SetConversion(delivered, deliveredRate);
}

HRESULT DestAudioPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  BYTE* pointer = nullptr;
  if (FAILED(sample->GetPointer(&pointer))) return S_OK;
  const LONG length = sample->GetActualDataLength();
  if (context_->probingSound && pointer != nullptr && length > 0) context_->ProbeSound(pointer, length);
  if (!converting_) {
    context_->AcceptDecodedSound(pointer, length);
    return S_OK;
  }
  converted_.resize(static_cast<size_t>(std::max(converter_.MaxOutputBytes(length), 0)));
  const int32_t bytes = converter_.Convert(pointer, length, converted_.data());
  context_->AcceptDecodedSound(converted_.data(), bytes);
  return S_OK;
}

uint32_t DestAudioPin::BufferSize() { return format_.nAvgBytesPerSec; }
