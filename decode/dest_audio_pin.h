// The grabber's audio input: accepts PCM in the decoder's output format only
// (channels, bits, rate and block alignment), and copies decoded sound into
// the caller's block, keeping what is left over for the next one. When the
// system has no converter for a PCM stream, it takes the stream's own PCM
// and converts it itself.
#pragma once

#include "decode/dest_pin.h"
#include "decode/instance_counter.h"
#include "decode/pcm_conversion.h"

#include <cstdint>
#include <vector>

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

  // From now on accepts PCM of the source's shape (the stream's own format,
  // plain or extensible, integer or float) and converts it to the output
  // format. False for a shape the converter does not handle.
  bool AcceptSourcePcm();
  // The chain connected delivers `delivered` instead of the type it agreed
  // to (and which stays connected): converted from now on.
  bool ConvertDelivered(const PcmShape& delivered, int32_t deliveredRate);
  bool Converting() const { return converting_; }
  // After a jump in the stream (audio lock held).
  void RestartConversion() { converter_.Restart(); }

  using InstanceCounter<DestAudioPin>::Live;

 private:
  ~DestAudioPin() override = default;

  AM_MEDIA_TYPE type_ = {};
  WAVEFORMATEX format_ = {};  // the type's format block
  bool SetConversion(const PcmShape& from, int32_t fromRate);

  bool converting_ = false;
  bool acceptingSource_ = false;
  WAVEFORMATEX sourceFormat_ = {};  // what is accepted while accepting the source
  GUID sourceSubtype_ = GUID_NULL;
  PcmConverter converter_;
  std::vector<uint8_t> converted_;  // under the audio lock
};
