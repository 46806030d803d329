// Opens arbitrary bytes as an AVI file, with and without its index, and reads
// every frame, every audio position, every keyframe and the palette changes.
// The reader reads the input in memory (no file, no read-ahead thread); the
// reads are bounded so that no input can run for long whatever lengths it
// claims.
#include "fuzz/fuzz_check.h"
#include "media/avi_file.h"
#include "media/stream_info.h"

namespace {

constexpr int32_t kMostFrames = 3000;
constexpr int32_t kMostAudioReads = 3000;
constexpr uint32_t kBufferSize = 1 << 20;

void ReadEveryFrame(AviFile* file, std::vector<uint8_t>* buffer) {
  VideoStreamInfo video;
  if (!file->GetVideoStreamInfo(&video)) return;
  const int32_t frames = std::min(video.length, kMostFrames);
  for (int32_t f = -1; f <= frames; ++f) {
    uint32_t bytes = kBufferSize;
    Require(!file->ReadVideoFrame(buffer->data(), f, &bytes) || bytes <= kBufferSize);
    file->PreviousKeyframe(f);
    file->NextKeyframe(f);
  }
}

// Fixed-size audio in runs of samples, variable-size audio chunk by chunk,
// then a few jumps back and forth.
void ReadEveryAudioPosition(AviFile* file, std::vector<uint8_t>* buffer) {
  AudioStreamInfo audio;
  if (!file->GetAudioStreamInfo(&audio)) return;
  const int32_t run = audio.sampleSize > 0 ? 1024 : 1;
  int32_t position = 0;
  for (int32_t reads = 0; reads < kMostAudioReads && position >= 0; ++reads, position += run) {
    int32_t count = run;
    uint32_t bytes = kBufferSize;
    if (!file->ReadAudio(buffer->data(), position, &count, &bytes)) break;
    Require(bytes <= kBufferSize && count <= run);
  }
  for (const int32_t jump : {position / 2, 0, position, audio.length - 1, 1}) {
    int32_t count = 3;
    uint32_t bytes = kBufferSize;
    file->ReadAudio(buffer->data(), jump, &count, &bytes);
  }
}

// Palette changes: no more than asked for, in frame order, each chunk read
// within its room.
void ReadPaletteChanges(AviFile* file, std::vector<uint8_t>* buffer) {
  const std::vector<PaletteChangeRef> changes = file->FindPaletteChanges(16);
  Require(changes.size() <= 16);
  for (size_t i = 0; i < changes.size(); ++i) {
    Require(i == 0 || changes[i].frame >= changes[i - 1].frame);
    Require(file->ReadChunk(changes[i].chunk, buffer->data(), kBufferSize) <= kBufferSize);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> buffer(kBufferSize);
  for (const bool index : {true, false}) {
    AviFile file;
    std::string messages;
    if (!file.Open(data, size, &messages, !index, 2, index)) continue;
    ReadEveryFrame(&file, &buffer);
    ReadEveryAudioPosition(&file, &buffer);
    ReadPaletteChanges(&file, &buffer);
  }
  return 0;
}
