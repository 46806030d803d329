// The check of the sound chain, once when a file opens.
//
// Some decompressors connect and then deliver nothing on the thread that
// pushes the compressed sound: Wine's GStreamer-based MP3 decoder hands its
// output over on a thread of its own, others swallow every sample. Decoding
// must be synchronous, so the first block is read with a bounded number of
// deliveries; a chain that yields nothing is given up, and the other
// installed decoders for the stream's type are tried one by one, each failed
// decoder excluded. When none delivers, the file plays without sound.
//
// The graph is stopped whenever the audio lock is not held: a decoder's own
// thread may be waiting for it inside the grabber's Receive.
#include "decode/direct_show_decoder.h"

#include "decode/audio_decoder_candidates.h"
#include "decode/delivered_sound.h"
#include "decode/avi_splitter_filter.h"
#include "decode/dest_audio_pin.h"
#include "decode/sample_grabber_filter.h"
#include "decode/source_audio_pin.h"
#include "platform/critical_section_lock.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kProbeDeliveries = 64;  // a decoder may hold back a few units first
constexpr double kProbeSeconds = 0.5;     // of the stream, measured
constexpr double kFewestProbeSeconds = 0.05;
constexpr int kMaxChainsTried = 8;

// The first media type a pin offers.
bool FirstOfferedType(IPin* pin, GUID* majortype, GUID* subtype) {
  ComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(types.Receive())) || !types) return false;
  AM_MEDIA_TYPE* type = nullptr;
  if (types->Next(1, &type, nullptr) != S_OK || type == nullptr) return false;
  *majortype = type->majortype;
  *subtype = type->subtype;
  if (type->pbFormat != nullptr) CoTaskMemFree(type->pbFormat);
  if (type->pUnk != nullptr) type->pUnk->Release();
  CoTaskMemFree(type);
  return true;
}

}  // namespace

void DirectShowDecoder::CheckAudioOutput(const DecoderOpenSettings& settings, std::string* messages) {
  std::vector<std::string> failed;
  for (int tried = 0; tried < kMaxChainsTried; ++tried) {
    // Sound that no decompressor touches is ours from end to end.
    if (!audioChain_[0]) return;
    SoundProbe probe;
    if (AudioChainDelivers(&probe)) {
      TrustWhatArrives(probe);
      // Stopping makes the decoders forget what the check left in them.
      StopGraph();
      videoOpen_ = RunGraph(messages);
      return;
    }
    std::string name;
    if (FilterName(audioChain_[0].Get(), &name)) failed.push_back(name);
    StopGraph();
    RemoveAudioRemnants();
    ReleaseChain(&audioChain_);
    if (!ConnectAudioCandidate(failed, settings) || !RunGraph(nullptr)) break;
  }
  StopGraph();
  RemoveAudioRemnants();
  ReleaseChain(&audioChain_);
  audioOpen_ = false;
  DropAudio();
  *messages += "Can't locate audio decompressor\n";
  videoOpen_ = RunGraph(messages);
}

// Reads the first block with at most kProbeDeliveries units pushed; true when
// the whole block arrived on this thread (a decoder that gives only its
// first, silent, output and then nothing fails here). Then goes on to half a
// second of the stream (within the same count), measuring what the chain
// gives (the probe). The reading state is left as if nothing had been read.
bool DirectShowDecoder::AudioChainDelivers(SoundProbe* probe) {
  CriticalSectionLock hold(&context_.audioLock);
  const int32_t blockBytes = context_.audioOutput.outputBytesPerBlock;
  std::vector<uint8_t> block(static_cast<size_t>(std::max(blockBytes, 1)));
  RepositionAudio(0);
  if (grabber_->AudioInput() != nullptr) grabber_->AudioInput()->RestartConversion();
  context_.writePointer = block.data();
  context_.bytesWanted = blockBytes;
  context_.probingSound = true;
  context_.probedBytes = 0;
  context_.probedStart.clear();
  const int32_t start = context_.audioPosition;
  int32_t delivery = 0;
  for (; delivery < kProbeDeliveries && context_.bytesWanted > 0; ++delivery) {
    context_.DrainReceivedSample();
    context_.DrainOverflow();
    if (context_.bytesWanted > 0 && !DeliverAudioUnits()) break;
  }
  context_.DrainReceivedSample();
  context_.DrainOverflow();
  const bool delivered = context_.bytesWanted == 0;
  auto seconds = [&] {
    return context_.audio.rate > 0 ? static_cast<double>(context_.audioPosition - start) * context_.audio.scale /
                                         context_.audio.rate
                                   : 0.0;
  };
  while (delivered && delivery++ < kProbeDeliveries && seconds() < kProbeSeconds && DeliverAudioUnits()) {
  }
  context_.probingSound = false;
  probe->seconds = seconds();
  probe->bytes = context_.probedBytes;
  probe->start.swap(context_.probedStart);
  context_.writePointer = nullptr;
  context_.bytesWanted = 0;
  context_.overflow.readPosition = 0;
  context_.overflow.fill = 0;
  context_.nextBlock = -1;
  return delivered;
}

void DirectShowDecoder::StopGraph() {
  ComPtr<IMediaControl> control;
  if (SUCCEEDED(graph_->QueryInterface(IID_IMediaControl, control.ReceiveVoid()))) control->Stop();
}

// Puts the next installed decoder not yet failed between the source's sound
// pin and the grabber, the graph adding a converter behind it if need be.
bool DirectShowDecoder::ConnectAudioCandidate(const std::vector<std::string>& failed,
                                              const DecoderOpenSettings& settings) {
  IPin* sourcePin = source_->AudioPin();
  GUID majortype, subtype;
  if (sourcePin == nullptr || !FirstOfferedType(sourcePin, &majortype, &subtype)) return false;
  for (const AudioDecoderCandidate& candidate : AudioDecoderCandidates(majortype, subtype)) {
    if (std::find(failed.begin(), failed.end(), candidate.name) != failed.end()) continue;
    ComPtr<IBaseFilter> filter = candidate.create();
    if (!filter) continue;
    std::wstring wide(candidate.name.begin(), candidate.name.end());
    if (FAILED(graph_->AddFilter(filter.Get(), wide.c_str()))) continue;
    if (ConnectAudioThrough(filter.Get(), sourcePin, settings)) return true;
    graph_->RemoveFilter(filter.Get());
  }
  return false;
}

bool DirectShowDecoder::ConnectAudioThrough(IBaseFilter* filter, IPin* sourcePin,
                                            const DecoderOpenSettings& settings) {
  ComPtr<IPin> input = FindPinOfDirection(filter, PINDIR_INPUT, false);
  ComPtr<IPin> output = FindPinOfDirection(filter, PINDIR_OUTPUT, false);
  if (!input || !output || FAILED(graph_->ConnectDirect(sourcePin, input.Get(), nullptr))) return false;
  bool connected = SUCCEEDED(graph_->Connect(output.Get(), grabber_->AudioPin()));
  if (connected && (!settings.sixteenBit || !settings.stereoAllowed || !settings.fullRate)) {
    connected = InsertAcmWrapper();
  }
  connected = connected && CollectFilterChain(sourcePin, grabber_.Get(), &audioChain_);
  if (!connected) {
    graph_->Disconnect(sourcePin);
    graph_->Disconnect(input.Get());
  }
  return connected;
}

// Trust what arrives, not what was connected: a chain that agreed to the
// reduced format and delivers the decoder's own (16-bit, all channels, the
// full rate) gets that converted by the grabber.
void DirectShowDecoder::TrustWhatArrives(const SoundProbe& probe) {
  DestAudioPin* input = grabber_->AudioInput();
  const WAVEFORMATEX* source = context_.AudioFormat();
  if (input == nullptr || source == nullptr || probe.seconds < kFewestProbeSeconds || input->Converting()) return;
  PcmFormatFacts agreed;
  agreed.channels = context_.audioOutput.stereo ? 2 : 1;
  agreed.sixteenBit = context_.audioOutput.sixteenBit != 0;
  agreed.rate = context_.audioOutput.outputSamplesPerSecond;
  PcmFormatFacts unreduced;
  unreduced.channels = source->nChannels;
  unreduced.rate = static_cast<int32_t>(source->nSamplesPerSec);
  const SoundBytes bytes = ClassifySoundBytes(probe.start.data(), probe.start.size());
  if (JudgeDelivery(probe.bytes / probe.seconds, bytes, agreed, unreduced) != Delivery::kUnreduced) return;
  PcmShape delivered;
  delivered.channels = unreduced.channels;
  delivered.type = SampleType::kSigned16;
  input->ConvertDelivered(delivered, unreduced.rate);
}
