// The grabber's audio input: accepts PCM in the decoder's output format only
// (channels, bits, rate and block alignment), and copies decoded sound into
// the caller's block, keeping what is left over for the next one.
#pragma once

#include "decode/dest_pin.h"
#include "decode/instance_counter.h"

#include <cstdint>

class DestAudioPin : public DestPin, private InstanceCounter<DestAudioPin> {
 public:
  // The type is built from the context's audio output format.
  DestAudioPin(DecoderContext* context, SampleGrabberFilter* filter);

  bool CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT Receive(IMediaSample* sample) override;
  // One second of output sound.
  uint32_t BufferSize() override;
  BYTE* BufferPointer() override { return nullptr; }

  const AM_MEDIA_TYPE& PreferredType() const { return type_; }

  using InstanceCounter<DestAudioPin>::Live;

 private:
  ~DestAudioPin() override = default;

  AM_MEDIA_TYPE type_ = {};
  WAVEFORMATEX format_ = {};  // the type's format block
};
