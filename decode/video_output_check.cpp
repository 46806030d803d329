// The check of a decompressor's YUY2 output, once when a file opens.
//
// Some decompressors agree to deliver YUY2 and then write what their codec
// gives, whatever was agreed: Wine's AVI Decompressor starts the codec with
// an RGB output derived from the input (24-bit for Cinepak, which overruns a
// buffer sized for YUY2). So the first frame is decoded into a guarded
// buffer with room for a 32-bit picture; when the delivered length or the
// bytes written disagree with the agreed YUY2 picture, the video path is
// connected again accepting RGB24 only, and the software conversion from
// RGB24 takes over.
#include "decode/direct_show_decoder.h"

#include "decode/avi_splitter_filter.h"
#include "decode/dest_video_pin.h"
#include "decode/sample_grabber_filter.h"
#include "platform/critical_section_lock.h"

#include <new>
#include <algorithm>
#include <memory>

namespace {

constexpr uint8_t kGuardByte = 0xA5;
constexpr uint32_t kGuardBytes = 4096;
constexpr int32_t kProbeFrames = 16;  // frames tried for one that has data

}  // namespace

bool DirectShowDecoder::CheckVideoOutput(std::string* messages) {
  DestVideoPin* input = grabber_->VideoInput();
  if (!videoChain_[0] || !IsEqualGUID(input->ConnectionType().subtype, MEDIASUBTYPE_YUY2)) {
    return true;  // our own data, or RGB24 into a frame sized for it
  }
  const uint32_t agreed = input->BufferSize();
  const uint32_t width = static_cast<uint32_t>(context_.VideoWidth());
  const uint32_t height = static_cast<uint32_t>(context_.VideoHeight());
  const uint32_t probeSize = std::max(width * height * 4, agreed) + kGuardBytes;
  std::unique_ptr<uint8_t[]> probe(new (std::nothrow) uint8_t[probeSize]);
  std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[std::max(agreed, VideoFrameSize())]);
  if (probe == nullptr || scratch == nullptr) return true;  // nothing to judge by
  std::fill(probe.get(), probe.get() + probeSize, kGuardByte);

  bool decoded = false;
  {
    CriticalSectionLock hold(&context_.videoLock);
    std::unique_ptr<uint8_t[]> backup = std::move(context_.backupFrame);
    const uint32_t backupSize = context_.backupFrameSize;
    context_.backupFrame.reset(probe.release());
    context_.backupFrameSize = agreed;
    for (int32_t frame = 0; frame < std::min(kProbeFrames, context_.video.length) && !decoded; ++frame) {
      decoded = ReadVideoFrame(scratch.get(), frame);
    }
    probe.reset(context_.backupFrame.release());
    context_.backupFrame = std::move(backup);
    context_.backupFrameSize = backupSize;
    context_.nextFrame = -2;  // the next read starts from a keyframe again
  }
  if (!decoded) return true;  // nothing to judge by

  const bool ownBuffer = context_.lastReceivedFrame == probe.get();
  const bool overrun = ownBuffer && std::any_of(probe.get() + agreed, probe.get() + probeSize,
                                                [](uint8_t b) { return b != kGuardByte; });
  const bool longer = context_.lastReceivedLength > static_cast<int32_t>(agreed);
  if (!overrun && !longer) return true;
  return ReconnectVideoForRgb24(messages);
}

bool DirectShowDecoder::ReconnectVideoForRgb24(std::string* messages) {
  ComPtr<IMediaControl> control;
  if (FAILED(graph_->QueryInterface(IID_IMediaControl, control.ReceiveVoid()))) return false;
  control->Stop();
  DestVideoPin* input = grabber_->VideoInput();
  ComPtr<IPin> upstream;
  if (FAILED(input->ConnectedTo(upstream.Receive()))) return false;
  graph_->Disconnect(upstream.Get());
  graph_->Disconnect(input);
  input->AcceptRgb24Only(true);
  ReleaseChain(&videoChain_);
  const bool connected = SUCCEEDED(graph_->Connect(upstream.Get(), input)) &&
                         CollectFilterChain(source_->VideoPin(), grabber_.Get(), &videoChain_);
  if (!connected) {
    *messages += "Can't locate video decompressor\n";
    return false;
  }
  reconnectedForRgb24_ = true;
  // Without the frame for the RGB24 picture nothing could be decoded.
  return AllocateBackupFrame() && RunGraph(messages);
}
