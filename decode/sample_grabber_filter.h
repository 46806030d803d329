// "Velmora Sample Grabber": the sink at the end of the decoding graph. It has
// no thread and renders nothing; its pins take the decoded samples while the
// decoder waits inside ReadVideoFrame or ReadAudioBlock on the same thread.
#pragma once

#include "decode/filter_base.h"
#include "decode/instance_counter.h"

class DecoderContext;
class DestAudioPin;
class DestVideoPin;

class SampleGrabberFilter : public FilterBase, private InstanceCounter<SampleGrabberFilter> {
 public:
  // The audio pin exists only with withAudio. The creator owns the one
  // reference the object starts with.
  SampleGrabberFilter(DecoderContext* context, bool withAudio);

  // The state becomes running: the pins' allocators are the decompressors'
  // to commit.
  STDMETHODIMP Run(REFERENCE_TIME start) override;

  DestVideoPin* VideoInput() const;
  DestAudioPin* AudioInput() const;  // null without sound

  using InstanceCounter<SampleGrabberFilter>::Live;

 private:
  ~SampleGrabberFilter() override;
  void HandOverPin(IPin* pin) override;
  void OrphanPin(IPin* pin) override;
};
