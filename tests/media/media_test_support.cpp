#include "tests/media/media_test_support.h"

#include <fstream>

std::vector<uint8_t> Payload(uint32_t seed, size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = seed * 2654435761u + 12345;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345;
    bytes[i] = static_cast<uint8_t>(x >> 23);
  }
  return bytes;
}

bool PatchU32(const std::string& path, uint64_t offset, uint32_t value) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                         static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes, 4);
  return static_cast<bool>(file);
}

std::vector<std::vector<uint8_t>> TestClip::Payloads(int stream) const {
  std::vector<std::vector<uint8_t>> payloads;
  for (const AviWriterChunk& chunk : chunks) {
    if (chunk.stream == stream && chunk.id.empty()) payloads.push_back(chunk.payload);
  }
  return payloads;
}

std::vector<uint8_t> TestClip::JoinedPayloads(int stream) const {
  std::vector<uint8_t> joined;
  for (const std::vector<uint8_t>& payload : Payloads(stream)) {
    joined.insert(joined.end(), payload.begin(), payload.end());
  }
  return joined;
}

std::string TestClip::Write(const std::string& name, AviWriterLayout* layout) const {
  // A new file each time: on Windows a file that a reader still holds open
  // cannot be written over.
  static int written = 0;
  const std::string path = ScratchPath(std::to_string(++written) + "-" + name);
  std::string error;
  EXPECT_TRUE(WriteAvi(path, streams, chunks, options, layout, &error)) << error;
  return path;
}

uint32_t FrameSize(int32_t frame) {
  if (frame % 10 == 3) return 0;
  const uint32_t size = 200 + static_cast<uint32_t>(frame % 13) * 37;
  return frame % 7 == 0 ? size | 1 : size & ~1u;
}

// The PCM chunk sizes (in samples) VideoAndPcmClip uses.
static uint32_t SoundChunkSamples(int32_t chunk) { return 100 + static_cast<uint32_t>(chunk % 17) * 11; }

TestClip VideoAndPcmClip(int32_t frames, int32_t keyframeInterval, bool withAudio) {
  TestClip clip;
  clip.streams.push_back(VideoStream(Fourcc("cvid"), 64, 48, 24, 15, 1, static_cast<uint32_t>(frames)));
  uint32_t samples = 0;
  for (int32_t f = 0; f < frames; ++f) samples += SoundChunkSamples(f);
  if (withAudio) clip.streams.push_back(PcmStream(2, 11025, 16, samples));
  for (int32_t f = 0; f < frames; ++f) {
    clip.chunks.emplace_back(0, "dc", f % keyframeInterval == 0, Payload(f, FrameSize(f)));
    if (withAudio) {
      clip.chunks.emplace_back(1, "wb", true, Payload(100000 + f, SoundChunkSamples(f) * 4));
    }
  }
  return clip;
}

std::vector<uint8_t> ReadFrame(AviFile* file, int32_t frame, bool* ok) {
  std::vector<uint8_t> data(100000);
  uint32_t bytes = static_cast<uint32_t>(data.size());
  const bool read = file->ReadVideoFrame(data.data(), frame, &bytes);
  if (ok != nullptr) *ok = read;
  data.resize(read ? bytes : 0);
  return data;
}

bool Readable(AviFile* file, int32_t frame) {
  bool ok;
  ReadFrame(file, frame, &ok);
  return ok;
}

std::vector<uint8_t> ReadSound(AviFile* file, int32_t position, int32_t count) {
  std::vector<uint8_t> data(static_cast<size_t>(count) * 4 + 64);
  uint32_t bytes = static_cast<uint32_t>(data.size());
  if (!file->ReadAudio(data.data(), position, &count, &bytes)) return {};
  data.resize(bytes);
  return data;
}

std::vector<uint8_t> ReadAllSound(AviFile* file, int32_t run) {
  std::vector<uint8_t> all, buffer(1 << 20);
  for (int32_t position = 0;; position += run) {
    int32_t count = run;
    uint32_t bytes = static_cast<uint32_t>(buffer.size());
    if (!file->ReadAudio(buffer.data(), position, &count, &bytes)) return all;
    all.insert(all.end(), buffer.begin(), buffer.begin() + bytes);
  }
}

std::vector<int32_t> Range(int32_t from, int32_t to, int32_t step) {
  std::vector<int32_t> values;
  for (int32_t v = from; v < to; v += step) values.push_back(v);
  return values;
}

bool OpenFile(AviFile* file, const std::string& path, bool allowIndex) {
  std::string messages;
  const bool opened = file->Open(path.c_str(), &messages, false, 4, allowIndex);
  EXPECT_EQ(messages, "");
  return opened;
}

void ExpectFrames(AviFile* file, const TestClip& clip, const std::vector<int32_t>& order,
                  const std::string& what) {
  const std::vector<std::vector<uint8_t>> frames = clip.Payloads(0);
  for (const int32_t f : order) {
    bool ok;
    const std::vector<uint8_t> got = ReadFrame(file, f, &ok);
    EXPECT_TRUE(ok) << what << ": frame " << f;
    EXPECT_TRUE(got == frames[f]) << what << ": frame " << f;
  }
}
