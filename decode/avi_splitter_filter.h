// "Velmora AVI Splitter": the program's own source filter. It never runs a
// thread and never reads ahead; the decoder pushes one compressed chunk at a
// time through its pins from the thread that wants a frame or a block.
#pragma once

#include "decode/filter_base.h"
#include "decode/instance_counter.h"

class DecoderContext;
class SourceAudioPin;
class SourceVideoPin;

class AviSplitterFilter : public FilterBase, private InstanceCounter<AviSplitterFilter> {
 public:
  // The audio pin exists only with withAudio. The creator owns the one
  // reference the object starts with.
  AviSplitterFilter(DecoderContext* context, bool withAudio);

  // Commits the output pins' allocators (video first); the first error is
  // returned at once and the state stays as it was.
  STDMETHODIMP Run(REFERENCE_TIME start) override;

  SourceVideoPin* VideoOutput() const;
  SourceAudioPin* AudioOutput() const;  // null without sound

  using InstanceCounter<AviSplitterFilter>::Live;

 private:
  ~AviSplitterFilter() override;
  void HandOverPin(IPin* pin) override;
  void OrphanPin(IPin* pin) override;
};
