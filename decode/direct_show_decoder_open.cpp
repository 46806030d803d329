// Opening a file: the AviFile, the graph with the program's source and
// grabber filters, the installed decompressors between them, the ACM Wrapper
// for a reduced sound format, and Run.
#include "decode/direct_show_decoder.h"

#include "decode/avi_splitter_filter.h"
#include "decode/dest_audio_pin.h"
#include "decode/dest_video_pin.h"
#include "decode/run_failure_message.h"
#include "decode/running_object_table.h"
#include "decode/sample_grabber_filter.h"
#include "decode/source_audio_pin.h"
#include "decode/source_video_pin.h"
#include "decode/stream_format_check.h"
#include "media/avi_file.h"
#include "platform/critical_section_lock.h"

#include <new>

namespace {

// Room behind the backup frame: vector conversion routines may load up to a
// register's width past the end of the last row.
constexpr uint32_t kBackupFrameSlack = 64;

}  // namespace

bool DirectShowDecoder::Open(const char* fileName, std::string* messages,
                             const DecoderOpenSettings& settings) {
  Close();
  rotRegistered_ = false;
  safeBackupMode_ = settings.safeBackupMode;
  highQuality_ = settings.highQuality;
  autoSync_ = settings.autoSync;

  OpenFile(fileName, messages, settings);
  if (audioOpen_ && !PrepareAudioOutput(settings)) {
    audioOpen_ = false;
    *messages += "Can't locate audio decompressor\n";  // a format no block can be made of
  }
  if (videoOpen_) videoOpen_ = CreateGraph(settings.addToRot);

  ComPtr<IPin> videoPin;
  ComPtr<IPin> audioPin;
  if (videoOpen_) videoOpen_ = AddSourceFilter(&videoPin, &audioPin);
  if (videoOpen_ && settings.renderFullChains) RenderFullChains(&videoPin, &audioPin);
  if (videoOpen_) videoOpen_ = ConnectVideo(videoPin.Get(), messages);
  if (videoOpen_) videoOpen_ = AllocateBackupFrame();
  audioOpen_ = audioOpen_ && videoOpen_;
  if (audioOpen_) ConnectAudio(audioPin.Get(), settings, messages);

  videoPin.Reset();
  audioPin.Reset();
  if (!audioOpen_ && graph_) RemoveAudioRemnants();
  if (!audioOpen_) DropAudio();
  if (videoOpen_) videoOpen_ = RunGraph(messages);
  if (videoOpen_ && audioOpen_) CheckAudioOutput(settings, messages);
  if (videoOpen_) videoOpen_ = CheckVideoOutput(messages);
  context_.videoChunksDelivered = 0;  // the check's own reads do not count
  if (!videoOpen_) Close();
  return videoOpen_;
}

void DirectShowDecoder::OpenFile(const char* fileName, std::string* messages,
                                 const DecoderOpenSettings& settings) {
  file_.reset(new AviFile());
  videoOpen_ = audioPresent_ = audioOpen_ = false;
  if (!file_->Open(fileName, messages, settings.useSecondaryAudio, settings.cacheSlots,
                   settings.allowIndex)) {
    return;
  }
  videoOpen_ = file_->GetVideoStreamInfo(&context_.video) && context_.VideoHeader() != nullptr;
  context_.videoDataEnd = context_.video.length;
  audioPresent_ = file_->GetAudioStreamInfo(&context_.audio) && context_.AudioFormat() != nullptr;
  audioOpen_ = audioPresent_ && !settings.disableAudio;
  // A picture no decompressor could deliver (a header that lies about its
  // size) is refused before any arithmetic or allocation is sized from it.
  if (videoOpen_ && !UsableVideoSize(context_.VideoHeader()->biWidth, context_.VideoHeader()->biHeight)) {
    videoOpen_ = false;
    *messages += "Can't locate video decompressor\n";
  }
}

// The decoded block format, the reading position state and the overflow
// buffer; also repairs a cbSize that claims more bytes than the format has.
bool DirectShowDecoder::PrepareAudioOutput(const DecoderOpenSettings& settings) {
  const WAVEFORMATEX* format = context_.AudioFormat();
  AudioSourceFacts facts;
  facts.sourceRate = static_cast<int32_t>(format->nSamplesPerSec);
  facts.channels = format->nChannels;
  facts.videoRate = context_.video.rate;
  facts.videoScale = context_.video.scale;
  facts.videoLength = context_.video.length;
  facts.sampleSize = context_.audio.sampleSize;
  facts.totalBytes = context_.audio.totalBytes;

  CriticalSectionLock hold(&context_.audioLock);
  AudioOutputFormat& output = context_.audioOutput;
  if (!ComputeAudioOutputFormat(facts, settings.sixteenBit, settings.stereoAllowed, settings.fullRate,
                                &output)) {
    return false;
  }
  context_.bytesPerOutputFrame = BytesPerOutputFrame(output);
  context_.nextBlock = -1;
  context_.receivedPointer = nullptr;
  context_.overflow = OverflowBuffer{};
  context_.overflow.capacity = output.outputSamplesPerSecond * context_.bytesPerOutputFrame;
  context_.overflow.data.reset(new (std::nothrow) uint8_t[context_.overflow.capacity]);
  if (context_.overflow.data == nullptr) return false;
  context_.unitsPerRead = UnitsPerRead(facts, output.samplesPerBlock);

  if (context_.audio.formatSize >= kWaveFormatSize) {
    auto* wave = reinterpret_cast<WAVEFORMATEX*>(context_.audio.format);
    wave->cbSize = FittedCbSize(context_.audio.formatSize, wave->cbSize);
  }
  return true;
}

bool DirectShowDecoder::CreateGraph(bool addToRot) {
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              graph_.ReceiveVoid()))) {
    return false;
  }
  if (addToRot) rotRegistered_ = SUCCEEDED(AddGraphToRot(graph_.Get(), &rotCookie_));
  return true;
}

bool DirectShowDecoder::AddSourceFilter(ComPtr<IPin>* videoPin, ComPtr<IPin>* audioPin) {
  source_.Reset(new AviSplitterFilter(&context_, audioOpen_));
  if (FAILED(graph_->AddFilter(source_.Get(), nullptr))) return false;
  *videoPin = ComPtr<IPin>::Share(source_->VideoPin());
  if (audioOpen_) *audioPin = ComPtr<IPin>::Share(source_->AudioPin());
  return true;
}

// "Render Full Chains of Filters": lets the graph render each stream, then
// keeps the decompressors and drops the renderer it put at the end.
void DirectShowDecoder::RenderFullChains(ComPtr<IPin>* videoPin, ComPtr<IPin>* audioPin) {
  if (videoOpen_) {
    videoOpen_ = SUCCEEDED(graph_->Render(videoPin->Get()));
    if (videoOpen_) *videoPin = TrimRenderedChain(graph_.Get(), videoPin->Get());
  }
  if (audioOpen_ && *audioPin) {
    audioOpen_ = SUCCEEDED(graph_->Render(audioPin->Get()));
    if (audioOpen_) *audioPin = TrimRenderedChain(graph_.Get(), audioPin->Get());
  }
}

bool DirectShowDecoder::ConnectVideo(IPin* videoPin, std::string* messages) {
  grabber_.Reset(new SampleGrabberFilter(&context_, audioOpen_));
  if (FAILED(graph_->AddFilter(grabber_.Get(), nullptr))) return false;
  // Intelligent connection: the graph inserts whatever decompressor (and
  // converter) the system offers between the two.
  const bool connected = SUCCEEDED(graph_->Connect(videoPin, grabber_->VideoPin())) &&
                         CollectFilterChain(source_->VideoPin(), grabber_.Get(), &videoChain_);
  if (!connected) *messages += "Can't locate video decompressor\n";
  return connected;
}

// Decoding lands in a frame of the decoder's own first when the user asked
// for it, when the picture must be converted from RGB24, or when the
// connected picture is not exactly the caller's YUY2 frame. It is never
// smaller than what the connection says the decompressor writes.
bool DirectShowDecoder::AllocateBackupFrame() {
  CriticalSectionLock hold(&context_.videoLock);
  context_.nextFrame = -2;
  DestVideoPin* pin = grabber_->VideoInput();
  const uint32_t size = pin->BufferSize();
  if (size > kMostPictureBytes) return false;  // a claim no usable picture makes
  const bool yuy2 = IsEqualGUID(pin->ConnectionType().subtype, MEDIASUBTYPE_YUY2);
  context_.backupFrame.reset();
  context_.backupFrameSize = 0;
  if (safeBackupMode_ || !yuy2 || size != VideoFrameSize()) {
    context_.backupFrame.reset(new (std::nothrow) uint8_t[size + kBackupFrameSlack]());
    context_.backupFrameSize = size;
    return context_.backupFrame != nullptr;  // without it the picture cannot be decoded
  }
  return true;
}

void DirectShowDecoder::ConnectAudio(IPin* audioPin, const DecoderOpenSettings& settings,
                                     std::string* messages) {
  audioOpen_ = SUCCEEDED(graph_->Connect(audioPin, grabber_->AudioPin()));
  if (audioOpen_ && (!settings.sixteenBit || !settings.stereoAllowed || !settings.fullRate)) {
    audioOpen_ = InsertAcmWrapper();
  }
  if (!audioOpen_) audioOpen_ = ConnectWithOwnConversion(audioPin);
  if (audioOpen_) audioOpen_ = CollectFilterChain(source_->AudioPin(), grabber_.Get(), &audioChain_);
  // The graph's own search may miss a decoder that takes the type: each one
  // registered for it is tried in turn (it collects the chain itself).
  if (!audioOpen_) audioOpen_ = ConnectAudioCandidate({}, settings);
  if (!audioOpen_) *messages += "Can't locate audio decompressor\n";
}

// PCM that no system filter converts to the output format (Wine's ACM Wrapper
// has no PCM converter) goes straight to the grabber, which converts it.
bool DirectShowDecoder::ConnectWithOwnConversion(IPin* audioPin) {
  const WAVEFORMATEX* format = context_.AudioFormat();
  DestAudioPin* input = grabber_->AudioInput();
  if (format == nullptr || input == nullptr || !input->AcceptSourcePcm(*format)) return false;
  return SUCCEEDED(graph_->ConnectDirect(audioPin, grabber_->AudioPin(), nullptr));
}

// Puts an ACM Wrapper in front of the grabber, which accepts only its own
// reduced PCM type, so that the wrapper converts to it. The chain connected
// before already delivers that type, so when the wrapper cannot be put in
// (Wine's refuses PCM on its input) that chain is connected again as it was.
bool DirectShowDecoder::InsertAcmWrapper() {
  IPin* grabberPin = grabber_->AudioPin();
  ComPtr<IPin> upstream;
  if (FAILED(grabberPin->ConnectedTo(upstream.Receive()))) return false;
  graph_->Disconnect(upstream.Get());
  graph_->Disconnect(grabberPin);

  ComPtr<IBaseFilter> wrapper;
  if (SUCCEEDED(CoCreateInstance(CLSID_ACMWrapper, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                 wrapper.ReceiveVoid())) &&
      SUCCEEDED(graph_->AddFilter(wrapper.Get(), L"ACM Wrapper"))) {
    if (ConnectThroughWrapper(wrapper.Get(), upstream.Get(), grabberPin)) return true;
    graph_->RemoveFilter(wrapper.Get());
  }
  return SUCCEEDED(graph_->ConnectDirect(upstream.Get(), grabberPin, nullptr));
}

bool DirectShowDecoder::ConnectThroughWrapper(IBaseFilter* wrapper, IPin* upstream, IPin* grabberPin) {
  ComPtr<IPin> input = FindPinOfDirection(wrapper, PINDIR_INPUT, false);
  if (!input || FAILED(graph_->ConnectDirect(upstream, input.Get(), nullptr))) return false;
  ComPtr<IPin> output = FindPinOfDirection(wrapper, PINDIR_OUTPUT, false);
  if (output && SUCCEEDED(graph_->ConnectDirect(output.Get(), grabberPin, nullptr))) return true;
  graph_->Disconnect(upstream);
  graph_->Disconnect(input.Get());
  return false;
}

// Filters left on a sound path that failed: an audio decompressor whose
// output leads nowhere can break the graph's Run (Wine's DMO wrapper does),
// so they leave the graph. Our source's audio pin is disconnected with them.
void DirectShowDecoder::RemoveAudioRemnants() {
  if (!source_ || source_->AudioPin() == nullptr) return;
  ComPtr<IPin> pin = ComPtr<IPin>::Share(source_->AudioPin());
  for (int depth = 0; depth < 24; ++depth) {
    ComPtr<IPin> connected;
    if (FAILED(pin->ConnectedTo(connected.Receive()))) return;
    PIN_INFO info = {};
    if (FAILED(connected->QueryPinInfo(&info))) return;
    ComPtr<IBaseFilter> filter(info.pFilter);
    if (!filter || filter.Get() == static_cast<IBaseFilter*>(grabber_.Get())) {
      graph_->Disconnect(pin.Get());
      graph_->Disconnect(connected.Get());
      return;
    }
    ComPtr<IPin> next = FindPinOfDirection(filter.Get(), PINDIR_OUTPUT, true);
    graph_->RemoveFilter(filter.Get());
    if (!next) return;
    pin = next;
  }
}

bool DirectShowDecoder::RunGraph(std::string* messages) {
  ComPtr<IMediaControl> control;
  if (FAILED(graph_->QueryInterface(IID_IMediaControl, control.ReceiveVoid()))) return false;
  const HRESULT result = control->Run();
  if (result == S_OK) return true;
  if (messages != nullptr) AppendRunFailure(messages, result, source_.Get());
  return false;
}
