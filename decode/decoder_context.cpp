#include "decode/decoder_context.h"

#include "decode/direct_show.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

DecoderContext::DecoderContext() {
  InitializeCriticalSection(&videoLock);
  InitializeCriticalSection(&audioLock);
}

DecoderContext::~DecoderContext() {
  DeleteCriticalSection(&audioLock);
  DeleteCriticalSection(&videoLock);
}

const BITMAPINFOHEADER* DecoderContext::VideoHeader() const {
  if (video.format == nullptr || video.formatSize < sizeof(BITMAPINFOHEADER)) return nullptr;
  return reinterpret_cast<const BITMAPINFOHEADER*>(video.format);
}

const WAVEFORMATEX* DecoderContext::AudioFormat() const {
  // The PCM header without cbSize (16 bytes) is enough for every field but that one.
  if (audio.format == nullptr || audio.formatSize < 16) return nullptr;
  return reinterpret_cast<const WAVEFORMATEX*>(audio.format);
}

int32_t DecoderContext::VideoWidth() const {
  const BITMAPINFOHEADER* header = VideoHeader();
  return header != nullptr ? header->biWidth : 0;
}

int32_t DecoderContext::VideoHeight() const {
  const BITMAPINFOHEADER* header = VideoHeader();
  return header != nullptr ? std::abs(header->biHeight) : 0;
}

void DecoderContext::CopyOut(const uint8_t* source, int32_t count) {
  std::memcpy(writePointer, source, count);
  if (bytesPerOutputFrame > 0) samplesProduced += count / bytesPerOutputFrame;
  writePointer += count;
  bytesWanted -= count;
}

bool DecoderContext::DrainReceivedSample() {
  if (bytesWanted <= 0 || receivedPointer == nullptr || receivedReadPosition >= receivedLength) {
    return false;
  }
  const int32_t count = std::min(receivedLength - receivedReadPosition, bytesWanted);
  CopyOut(receivedPointer + receivedReadPosition, count);
  receivedReadPosition += count;
  return true;
}

void DecoderContext::DrainOverflow() {
  const int32_t unread = overflow.fill - overflow.readPosition;
  if (bytesWanted <= 0 || unread <= 0) return;
  const int32_t count = std::min(unread, bytesWanted);
  CopyOut(overflow.data.get() + overflow.readPosition, count);
  overflow.readPosition += count;
}

void DecoderContext::AcceptDecodedSound(const uint8_t* data, int32_t length) {
  if (data == nullptr || length <= 0) return;
  // Sound already waiting in the overflow buffer comes first: a later sample
  // that would fit the block goes behind it, or the order would break.
  const bool overflowWaiting = overflow.fill > overflow.readPosition;
  if (length > bytesWanted || overflowWaiting) {
    if (overflow.data != nullptr && overflow.fill + static_cast<int64_t>(length) <= overflow.capacity) {
      std::memcpy(overflow.data.get() + overflow.fill, data, length);
      overflow.fill += length;
    }
    return;  // a sample that does not fit one second of sound is dropped
  }
  receivedPointer = data;
  receivedReadPosition = 0;
  receivedLength = length;
  DrainReceivedSample();
}

void DecoderContext::ProbeSound(const uint8_t* data, int32_t length) {
  constexpr size_t kKept = 8192;
  probedBytes += length;
  const size_t room = kKept - std::min(kKept, probedStart.size());
  probedStart.insert(probedStart.end(), data, data + std::min<size_t>(room, static_cast<size_t>(length)));
}
