// ReadVideoFrame: pushes the compressed chunks from the right keyframe up to
// the wanted frame into the graph, on the calling thread, and takes the
// decoded picture from the grabber.
#include "decode/direct_show_decoder.h"

#include "decode/avi_splitter_filter.h"
#include "decode/dest_video_pin.h"
#include "decode/sample_grabber_filter.h"
#include "decode/source_video_pin.h"
#include "media/avi_file.h"
#include "platform/critical_section_lock.h"

#include <algorithm>
#include <cstring>

bool DirectShowDecoder::ReadVideoFrame(uint8_t* destination, int32_t frame) {
  CriticalSectionLock hold(&context_.videoLock);
  if (!videoOpen_ || destination == nullptr || frame < 0 || frame >= context_.videoDataEnd) return false;
  context_.destinationFrame = context_.backupFrame ? context_.backupFrame.get() : destination;
  context_.lastReceivedFrame = context_.destinationFrame;
  context_.nextFrame = FirstFrameToDeliver(frame);

  bool targetHasData = false;
  const bool ok = DeliverVideoFrame(frame, &targetHasData);
  if (ok && context_.lastReceivedFrame != destination) FinishVideoFrame(destination);
  return ok && targetHasData;
}

// Going back starts again at the keyframe before the frame; going forward
// jumps over frames that a later keyframe makes unnecessary.
int32_t DirectShowDecoder::FirstFrameToDeliver(int32_t frame) {
  int32_t next = context_.nextFrame;
  if (next > frame) next = PreviousKeyframe(frame);
  if (next < frame) next = std::max(next, PreviousKeyframe(frame));
  return next;
}

// Pushes chunks from the next frame to deliver up to the wanted one. Samples
// before the wanted frame are marked preroll. Wine's AVI Decompressor still
// hands preroll frames on to the grabber (into the same destination), while
// other decompressors drop them: either way the picture left behind is the
// wanted frame's, decoded last.
bool DirectShowDecoder::DeliverVideoFrame(int32_t frame, bool* targetHasData) {
  SourceVideoPin* pin = source_->VideoOutput();
  IMemAllocator* allocator = pin->Allocator();
  if (allocator == nullptr) return false;
  bool ok = true;
  bool grown = false;
  while (ok && context_.nextFrame <= frame) {
    ok = false;
    IMediaSample* raw = nullptr;
    if (FAILED(allocator->GetBuffer(&raw, nullptr, nullptr, AM_GBF_NOWAIT))) break;
    ComPtr<IMediaSample> sample(raw);
    BYTE* buffer = nullptr;
    if (FAILED(sample->GetPointer(&buffer)) || buffer == nullptr) break;
    uint32_t bytes = static_cast<uint32_t>(std::max<LONG>(sample->GetSize(), 0));
    // A sample over our own frame (the grabber's allocator, on a direct
    // connection) never takes more than that frame holds.
    if (buffer == context_.backupFrame.get()) bytes = std::min(bytes, context_.backupFrameSize);
    else if (buffer == context_.destinationFrame) bytes = std::min(bytes, VideoFrameSize());
    const int32_t next = context_.nextFrame;
    if (!file_->ReadVideoFrame(buffer, next, &bytes)) {
      // A chunk larger than the header's buffer size (a file without an
      // index): the buffers are made again at its size, once.
      sample.Reset();
      if (bytes > 0 && !grown && pin->GrowBuffers(bytes)) {
        grown = ok = true;
        continue;
      }
      if (file_->IsPastVideoData(next)) context_.videoDataEnd = std::min(context_.videoDataEnd, next);
      break;
    }
    *targetHasData = bytes > 0;
    if (bytes == 0) {  // an empty chunk repeats the previous picture: nothing to decode
      ok = true;
      ++context_.nextFrame;
      continue;
    }
    sample->SetActualDataLength(static_cast<LONG>(bytes));
    sample->SetSyncPoint(next == PreviousKeyframe(next));
    sample->SetPreroll(next != frame);
    ok = pin->Deliver(sample.Get()) == S_OK;
    if (ok) {
      ++context_.nextFrame;
      ++context_.videoChunksDelivered;
    }
  }
  return ok;
}

// The picture landed somewhere else than the caller's frame: copied as it is
// (YUY2) or converted (RGB24). Wine's AVI Decompressor writes into the frame
// the grabber's FrameAllocator names (the backup frame here); a decompressor
// that keeps its own buffers leaves the picture there instead. The copy or
// conversion reads from wherever the grabber saw the picture, so both give
// the same frame.
void DirectShowDecoder::FinishVideoFrame(uint8_t* destination) {
  DestVideoPin* pin = grabber_->VideoInput();
  const AM_MEDIA_TYPE& type = pin->ConnectionType();
  if (IsEqualGUID(type.subtype, MEDIASUBTYPE_YUY2)) {
    std::memcpy(destination, context_.lastReceivedFrame, std::min(pin->BufferSize(), VideoFrameSize()));
    return;
  }
  const auto* format = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
  const bool highQuality = highQuality_ && highQuality_();
  ConvertRgb24ToYuy2(context_.lastReceivedFrame, destination, format->bmiHeader.biWidth,
                     format->bmiHeader.biHeight, highQuality, &conversionTable_);
}
