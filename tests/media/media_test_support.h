// Helpers of the media tests: deterministic payloads, whole-file access and
// the small clips that most tests write with the AVI writer; with what every
// media test includes.
#pragma once

#include <gtest/gtest.h>

#include "media/avi_file.h"
#include "media/avi_headers.h"
#include "media/cached_file_reader.h"
#include "media/stream_info.h"
#include "tests/common/test_paths.h"
#include "tools/avi_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

// The opening messages of a file that is no AVI and of one whose indispensable
// index cannot be loaded.
inline constexpr char kUnknownFormat[] = "Unknown format, Velmora supports AVI (RIFF) formats only\n";
inline constexpr char kNoIndex[] = "Can't load indispensable index table\n";

// Bytes that differ from chunk to chunk (seed) and from byte to byte, so that
// a chunk read from the wrong place never matches.
inline std::vector<uint8_t> Payload(uint32_t seed, size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = seed * 2654435761u + 12345;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345;
    bytes[i] = static_cast<uint8_t>(x >> 23);
  }
  return bytes;
}

// Overwrites four bytes of a file with a little-endian value.
inline bool PatchU32(const std::string& path, uint64_t offset, uint32_t value) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                         static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes, 4);
  return static_cast<bool>(file);
}

// A clip to write: the streams, the chunks in file order and the options.
struct TestClip {
  std::vector<AviWriterStream> streams;
  std::vector<AviWriterChunk> chunks;
  AviWriterOptions options;

  // The payloads of one stream's chunks, in order, and all of them joined.
  std::vector<std::vector<uint8_t>> Payloads(int stream) const {
    std::vector<std::vector<uint8_t>> payloads;
    for (const AviWriterChunk& chunk : chunks)
      if (chunk.stream == stream && chunk.id.empty()) payloads.push_back(chunk.payload);
    return payloads;
  }
  std::vector<uint8_t> JoinedPayloads(int stream) const {
    std::vector<uint8_t> joined;
    for (const std::vector<uint8_t>& payload : Payloads(stream))
      joined.insert(joined.end(), payload.begin(), payload.end());
    return joined;
  }

  // Writes the clip into a new file of the scratch directory (its name ends
  // with the given one) and returns its path; the layout when asked. A new
  // file each time: on Windows a file that a reader still holds open cannot
  // be written over.
  std::string Write(const std::string& name, AviWriterLayout* layout = nullptr) const {
    static int written = 0;
    const std::string path = ScratchPath(std::to_string(++written) + "-" + name);
    std::string error;
    EXPECT_TRUE(WriteAvi(path, streams, chunks, options, layout, &error)) << error;
    return path;
  }
};

// The video frame sizes VideoAndPcmClip uses: frame 3 and every 10th after it
// is empty, every 7th has an odd size.
inline uint32_t FrameSize(int32_t frame) {
  if (frame % 10 == 3) return 0;
  const uint32_t size = 200 + static_cast<uint32_t>(frame % 13) * 37;
  return frame % 7 == 0 ? size | 1 : size & ~1u;
}

// Video frames of varying size (some odd, some empty) in stream 0 as "cvid",
// a keyframe every keyframeInterval frames; with audio, a chunk of 16-bit
// stereo PCM (11,025 Hz, a sample is 4 bytes) of varying size after each
// frame in stream 1.
inline TestClip VideoAndPcmClip(int32_t frames, int32_t keyframeInterval, bool withAudio) {
  const auto soundSamples = [](int32_t chunk) { return 100 + static_cast<uint32_t>(chunk % 17) * 11; };
  TestClip clip;
  clip.streams.push_back(VideoStream(Fourcc("cvid"), 64, 48, 24, 15, 1, static_cast<uint32_t>(frames)));
  uint32_t samples = 0;
  for (int32_t f = 0; f < frames; ++f) samples += soundSamples(f);
  if (withAudio) clip.streams.push_back(PcmStream(2, 11025, 16, samples));
  for (int32_t f = 0; f < frames; ++f) {
    clip.chunks.emplace_back(0, "dc", f % keyframeInterval == 0, Payload(f, FrameSize(f)));
    if (withAudio)
      clip.chunks.emplace_back(1, "wb", true, Payload(100000 + f, soundSamples(f) * 4));
  }
  return clip;
}

// The numbers from `from` up to (not including) `to`.
inline std::vector<int32_t> Range(int32_t from, int32_t to, int32_t step = 1) {
  std::vector<int32_t> values;
  for (int32_t v = from; v < to; v += step) values.push_back(v);
  return values;
}

// Opens the file (4 cache slots, the first audio stream), expecting no
// message.
inline bool OpenFile(AviFile* file, const std::string& path, bool allowIndex) {
  std::string messages;
  const bool opened = file->Open(path.c_str(), &messages, false, 4, allowIndex);
  EXPECT_EQ(messages, "");
  return opened;
}

// Frame f of an open file: nothing when ReadVideoFrame fails.
inline std::optional<std::vector<uint8_t>> ReadFrame(AviFile* file, int32_t frame) {
  std::vector<uint8_t> data(100000);
  uint32_t bytes = static_cast<uint32_t>(data.size());
  if (!file->ReadVideoFrame(data.data(), frame, &bytes)) return std::nullopt;
  data.resize(bytes);
  return data;
}
inline bool Readable(AviFile* file, int32_t frame) { return ReadFrame(file, frame).has_value(); }

// Reads frames in the given order and compares each with the clip's payload.
inline void ExpectFrames(AviFile* file, const TestClip& clip, const std::vector<int32_t>& order,
                         const std::string& what) {
  const std::vector<std::vector<uint8_t>> frames = clip.Payloads(0);
  for (const int32_t f : order) EXPECT_EQ(ReadFrame(file, f), frames[f]) << what << ": frame " << f;
}

// Up to count audio samples from the position: the bytes read (empty when
// ReadAudio failed). The capacity is 4 bytes a sample and a little more.
inline std::vector<uint8_t> ReadSound(AviFile* file, int32_t position, int32_t count) {
  std::vector<uint8_t> data(static_cast<size_t>(count) * 4 + 64);
  uint32_t bytes = static_cast<uint32_t>(data.size());
  if (!file->ReadAudio(data.data(), position, &count, &bytes)) return {};
  data.resize(bytes);
  return data;
}

// The sound read from the start in runs of count samples (or chunks) until a
// read fails, joined.
inline std::vector<uint8_t> ReadAllSound(AviFile* file, int32_t run) {
  std::vector<uint8_t> all, buffer(1 << 20);
  for (int32_t position = 0;; position += run) {
    int32_t count = run;
    uint32_t bytes = static_cast<uint32_t>(buffer.size());
    if (!file->ReadAudio(buffer.data(), position, &count, &bytes)) return all;
    all.insert(all.end(), buffer.begin(), buffer.begin() + bytes);
  }
}
