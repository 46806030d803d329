#include "decode/sample_grabber_filter.h"

#include "decode/decoder_context.h"
#include "decode/dest_audio_pin.h"
#include "decode/dest_video_pin.h"

SampleGrabberFilter::SampleGrabberFilter(DecoderContext* context, bool withAudio)
    : FilterBase(&context->videoLock, kClsidSampleGrabber, L"Velmora Sample Grabber") {
  IPin* video = new DestVideoPin(context, this);
  IPin* audio = withAudio ? new DestAudioPin(context, this) : nullptr;
  AdoptPins(video, audio);
}

STDMETHODIMP SampleGrabberFilter::Run(REFERENCE_TIME) {
  SetState(State_Running);
  return S_OK;
}

DestVideoPin* SampleGrabberFilter::VideoInput() const {
  return static_cast<DestVideoPin*>(VideoPin());
}

DestAudioPin* SampleGrabberFilter::AudioInput() const {
  return static_cast<DestAudioPin*>(AudioPin());
}

SampleGrabberFilter::~SampleGrabberFilter() {
  OrphanPin(VideoPin());
  if (AudioPin() != nullptr) OrphanPin(AudioPin());
}

void SampleGrabberFilter::HandOverPin(IPin* pin) { static_cast<DestPin*>(pin)->HoldFilter(); }

void SampleGrabberFilter::OrphanPin(IPin* pin) { static_cast<DestPin*>(pin)->ForgetFilter(); }
