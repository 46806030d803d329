#include "decode/direct_show_decoder.h"

#include "decode/avi_splitter_filter.h"
#include "decode/running_object_table.h"
#include "decode/sample_grabber_filter.h"
#include "media/avi_file.h"
#include "decode/stream_format_check.h"
#include "platform/critical_section_lock.h"

#include <algorithm>
#include <cstdlib>

DirectShowDecoder::DirectShowDecoder() = default;

DirectShowDecoder::~DirectShowDecoder() { Close(); }

void DirectShowDecoder::Close() {
  if (graph_) {
    ComPtr<IMediaControl> control;
    if (SUCCEEDED(graph_->QueryInterface(IID_IMediaControl, control.ReceiveVoid()))) control->Stop();
  }
  DropAudio();
  ReleaseChain(&videoChain_);
  conversionTable_.Free();
  grabber_.Reset();
  source_.Reset();
  if (graph_) {
    if (rotRegistered_) RemoveGraphFromRot(rotCookie_);
    rotRegistered_ = false;
    graph_.Reset();
  }
  {
    CriticalSectionLock hold(&context_.videoLock);
    context_.backupFrame.reset();
    context_.backupFrameSize = 0;
    context_.destinationFrame = nullptr;
    context_.lastReceivedFrame = nullptr;
    context_.nextFrame = -2;
    context_.videoDataEnd = 0;
    context_.codecGivesRgb = 0;
    context_.videoChunksDelivered = 0;
  }
  if (file_) file_->Close();
  file_.reset();
  // The stream descriptions pointed into the file.
  context_.video = VideoStreamInfo{};
  context_.audio = AudioStreamInfo{};
  videoOpen_ = false;
  audioPresent_ = false;
  reconnectedForRgb24_ = false;
}

void DirectShowDecoder::DropAudio() {
  ReleaseChain(&audioChain_);
  if (source_) source_->GiveUpAudioPin();
  if (grabber_) grabber_->GiveUpAudioPin();
  CriticalSectionLock hold(&context_.audioLock);
  context_.overflow = OverflowBuffer{};
  context_.receivedPointer = nullptr;
  audioOpen_ = false;
}

void DirectShowDecoder::GetVideoInfo(int32_t* width, int32_t* height, int32_t* frameCount,
                                     int32_t* rate, int32_t* scale, int32_t* bitCount,
                                     int32_t* planes, int32_t* sampleSize, uint32_t* totalBytes) {
  const BITMAPINFOHEADER* header = context_.VideoHeader();
  if (!videoOpen_ || header == nullptr) return;
  if (width != nullptr) *width = header->biWidth;
  if (height != nullptr) *height = std::abs(header->biHeight);
  if (frameCount != nullptr) *frameCount = context_.video.length;
  if (rate != nullptr) *rate = context_.video.rate;
  if (scale != nullptr) *scale = context_.video.scale;
  if (bitCount != nullptr) *bitCount = header->biBitCount;
  if (planes != nullptr) *planes = header->biPlanes;
  if (sampleSize != nullptr) *sampleSize = context_.video.sampleSize;
  if (totalBytes != nullptr) *totalBytes = context_.video.totalBytes;
}

void DirectShowDecoder::GetVideoSummary(int32_t* width, int32_t* height, int32_t* frameCount,
                                        int32_t* rate, int32_t* scale, int32_t* codecGivesRgb) {
  GetVideoInfo(width, height, frameCount, rate, scale, nullptr, nullptr, nullptr, nullptr);
  if (codecGivesRgb != nullptr) *codecGivesRgb = context_.codecGivesRgb;
}

// The keyframe commands ask from the window's thread while the video feeder
// reads frames: the lookup walks the same index and reader, so it takes the
// video lock (re-entrant: reading a frame looks keyframes up itself).
int32_t DirectShowDecoder::PreviousKeyframe(int32_t frame) {
  CriticalSectionLock hold(&context_.videoLock);
  return file_ ? file_->PreviousKeyframe(frame) : 0;
}

int32_t DirectShowDecoder::NextKeyframe(int32_t frame) {
  CriticalSectionLock hold(&context_.videoLock);
  return file_ ? file_->NextKeyframe(frame) : 0;
}

void DirectShowDecoder::GetAudioInfo(int32_t* channels, int32_t* bitsPerSample,
                                     int32_t* samplesPerSecond, int32_t* sampleSize,
                                     uint32_t* totalBytes, int32_t* totalSamples) {
  const WAVEFORMATEX* format = audioPresent_ ? context_.AudioFormat() : nullptr;
  const AudioStreamInfo& audio = context_.audio;
  // Rate, scale and length come from the file: a product past 64 bits shows
  // as the most an int32_t holds.
  int64_t samples = 0;
  if (format != nullptr && audio.rate > 0 && audio.scale > 0 && audio.length > 0) {
    int64_t product = 0;
    const bool fits = !__builtin_mul_overflow(static_cast<int64_t>(format->nSamplesPerSec) * audio.scale,
                                              static_cast<int64_t>(audio.length), &product);
    samples = fits ? std::min<int64_t>(product / audio.rate, INT32_MAX) : INT32_MAX;
  }
  if (channels != nullptr) *channels = format != nullptr ? format->nChannels : 0;
  if (bitsPerSample != nullptr) *bitsPerSample = format != nullptr ? format->wBitsPerSample : 0;
  if (samplesPerSecond != nullptr) *samplesPerSecond = format != nullptr ? format->nSamplesPerSec : 0;
  if (sampleSize != nullptr) *sampleSize = format != nullptr ? audio.sampleSize : 0;
  if (totalBytes != nullptr) *totalBytes = format != nullptr ? audio.totalBytes : 0;
  if (totalSamples != nullptr) *totalSamples = static_cast<int32_t>(samples);
}

void DirectShowDecoder::GetAudioOutputFormat(uint8_t* stereo, uint8_t* sixteenBit,
                                             int32_t* samplesPerSecond, int32_t* samplesPerBlock) {
  if (!audioOpen_) return;
  const AudioOutputFormat& output = context_.audioOutput;
  if (stereo != nullptr) *stereo = output.stereo;
  if (sixteenBit != nullptr) *sixteenBit = output.sixteenBit;
  if (samplesPerSecond != nullptr) *samplesPerSecond = output.outputSamplesPerSecond;
  if (samplesPerBlock != nullptr) *samplesPerBlock = output.outputSamplesPerBlock;
}

int32_t DirectShowDecoder::VideoDataEnd() {
  CriticalSectionLock hold(&context_.videoLock);
  return context_.videoDataEnd;
}

void DirectShowDecoder::HasIndex(uint8_t* flag) {
  if (flag != nullptr && file_) *flag = file_->HasIndex() ? 1 : 0;
}

// The size of the caller's YUY2 frame: rows of 2 x width bytes rounded up to
// a multiple of 4.
uint32_t DirectShowDecoder::VideoFrameSize() const {
  return PictureBytes(16, context_.VideoWidth(), context_.VideoHeight());
}
