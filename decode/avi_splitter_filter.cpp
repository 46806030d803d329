#include "decode/avi_splitter_filter.h"

#include "decode/decoder_context.h"
#include "decode/source_audio_pin.h"
#include "decode/source_video_pin.h"

AviSplitterFilter::AviSplitterFilter(DecoderContext* context, bool withAudio)
    : FilterBase(&context->videoLock, kClsidAviSplitter, L"Velmora AVI Splitter") {
  IPin* video = new SourceVideoPin(context, this);
  IPin* audio = withAudio ? new SourceAudioPin(context, this) : nullptr;
  AdoptPins(video, audio);
}

// The pins are activated without the filter's lock held: the audio pin takes
// the audio lock, and no thread holds one of the two locks while taking the
// other.
STDMETHODIMP AviSplitterFilter::Run(REFERENCE_TIME) {
  HRESULT result = VideoOutput()->Activate();
  if (FAILED(result)) return result;
  if (SourceAudioPin* audio = AudioOutput()) {
    result = static_cast<SourcePin*>(audio)->Activate();
    if (FAILED(result)) return result;
  }
  SetState(State_Running);
  return result;
}

SourceVideoPin* AviSplitterFilter::VideoOutput() const {
  return static_cast<SourceVideoPin*>(VideoPin());
}

SourceAudioPin* AviSplitterFilter::AudioOutput() const {
  return static_cast<SourceAudioPin*>(AudioPin());
}

AviSplitterFilter::~AviSplitterFilter() {
  OrphanPin(VideoPin());
  if (AudioPin() != nullptr) OrphanPin(AudioPin());
}

void AviSplitterFilter::HandOverPin(IPin* pin) { static_cast<SourcePin*>(pin)->HoldFilter(); }

void AviSplitterFilter::OrphanPin(IPin* pin) { static_cast<SourcePin*>(pin)->ForgetFilter(); }
