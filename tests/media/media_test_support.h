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
#include <string>
#include <vector>

// The opening messages of a file that is no AVI and of one whose indispensable
// index cannot be loaded.
inline constexpr char kUnknownFormat[] = "Unknown format, Velmora supports AVI (RIFF) formats only\n";
inline constexpr char kNoIndex[] = "Can't load indispensable index table\n";

// Bytes that differ from chunk to chunk (seed) and from byte to byte, so that
// a chunk read from the wrong place never matches.
std::vector<uint8_t> Payload(uint32_t seed, size_t size);

// Overwrites four bytes of a file with a little-endian value.
bool PatchU32(const std::string& path, uint64_t offset, uint32_t value);

// A clip to write: the streams, the chunks in file order and the options.
struct TestClip {
  std::vector<AviWriterStream> streams;
  std::vector<AviWriterChunk> chunks;
  AviWriterOptions options;

  // The payloads of one stream's chunks, in order, and all of them joined.
  std::vector<std::vector<uint8_t>> Payloads(int stream) const;
  std::vector<uint8_t> JoinedPayloads(int stream) const;

  // Writes the clip into a new file of the scratch directory (its name ends
  // with the given one) and returns its path; the layout when asked.
  std::string Write(const std::string& name, AviWriterLayout* layout = nullptr) const;
};

// Video frames of varying size (some odd, some empty) in stream 0 as "cvid",
// a keyframe every keyframeInterval frames; with audio, a chunk of 16-bit
// stereo PCM (11,025 Hz, a sample is 4 bytes) of varying size after each
// frame in stream 1.
TestClip VideoAndPcmClip(int32_t frames, int32_t keyframeInterval, bool withAudio);

// The video frame sizes VideoAndPcmClip uses: frame 3 and every 10th after it
// is empty, every 7th has an odd size.
uint32_t FrameSize(int32_t frame);
// The numbers from `from` up to (not including) `to`.
std::vector<int32_t> Range(int32_t from, int32_t to, int32_t step = 1);

// Opens the file (4 cache slots, the first audio stream), expecting no
// message.
bool OpenFile(AviFile* file, const std::string& path, bool allowIndex);
// Reads frames in the given order and compares each with the clip's payload.
void ExpectFrames(AviFile* file, const TestClip& clip, const std::vector<int32_t>& order,
                  const std::string& what);

// Frame f of an open file (ok, when given, tells whether ReadVideoFrame
// succeeded; an empty vector when it did not), and whether it can be read.
std::vector<uint8_t> ReadFrame(AviFile* file, int32_t frame, bool* ok = nullptr);
bool Readable(AviFile* file, int32_t frame);
// Up to count audio samples from the position: the bytes read (empty when
// ReadAudio failed). The capacity is 4 bytes a sample and a little more.
std::vector<uint8_t> ReadSound(AviFile* file, int32_t position, int32_t count);
// The sound read from the start in runs of count samples (or chunks) until a
// read fails, joined.
std::vector<uint8_t> ReadAllSound(AviFile* file, int32_t run);
