// The source's audio output ("Audio Stream", id "ISourceAudio"): offers the
// stream's WAVEFORMATEX as a FORMAT_WaveFormatEx type.
#pragma once

#include "decode/instance_counter.h"
#include "decode/source_pin.h"

class SourceAudioPin : public SourcePin, private InstanceCounter<SourceAudioPin> {
 public:
  SourceAudioPin(DecoderContext* context, AviSplitterFilter* filter);

  bool CheckMediaType(const AM_MEDIA_TYPE* type) override;
  uint32_t BufferSize() override;

  using InstanceCounter<SourceAudioPin>::Live;

 private:
  ~SourceAudioPin() override;
};
