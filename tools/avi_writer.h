// A small AVI writer for tests and benchmarks (library velmora_avi_writer).
//
// It writes the files that matter to the reader and that no encoder writes on
// request: "movi" flat or grouped in "rec " lists; with or without idx1, its
// offsets counted from "movi" or from the file start; any avih flags; streams
// in any order (the video strl second, two audio streams); chunks of size 0
// and of odd size (followed by their pad byte); a tail cut at any length; a
// sparse file reaching past 2 GiB (holes written as JUNK chunks); OpenDML
// (AVI 2.0) files with RIFF "AVIX" parts of any size, "indx" super indexes,
// "ix##" standard indexes and the "dmlh" header, past 4 GiB when sparse.
//
// Everything is built byte by byte, little-endian, from the values given: the
// writer shares no code or record with the reader it tests.
//
// Example: two seconds of 160x120 RGB24 frames at 10 fps with 8-bit mono PCM.
//
//   std::vector<AviWriterStream> streams = {
//       VideoStream(0 /* BI_RGB */, 160, 120, 24, 10, 1, 20),
//       PcmStream(1, 11025, 8, 22050)};
//   std::vector<AviWriterChunk> chunks;
//   for (int f = 0; f < 20; ++f) {
//     chunks.push_back({0, "db", true, frameBytes(f)});
//     chunks.push_back({1, "wb", true, soundBytes(f)});
//   }
//   WriteAvi(path, streams, chunks, AviWriterOptions());
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One stream: its "strh" and "strf" data exactly as they go into the file
// (any length; see StreamHeaderBytes, BitmapInfoHeaderBytes, WaveFormatBytes).
struct AviWriterStream {
  std::vector<uint8_t> strh;
  std::vector<uint8_t> strf;
};

// One chunk of "movi", in file order.
struct AviWriterChunk {
  AviWriterChunk() = default;
  AviWriterChunk(int streamNumber, std::string chunkType, bool isKeyframe,
                 std::vector<uint8_t> data)
      : stream(streamNumber),
        type(std::move(chunkType)),
        keyframe(isKeyframe),
        payload(std::move(data)) {}

  int stream = 0;          // the chunk id is the two digits of this number and the type
  std::string type = "dc"; // "dc", "db", "wb", ...
  bool keyframe = true;    // AVIIF_KEYFRAME in its idx1 entry
  std::vector<uint8_t> payload;
  // Written before this chunk: a JUNK chunk with this many data bytes, left as
  // a hole in the file (sparse where the file system allows it).
  uint32_t junkBefore = 0;
  // When set, the exact four-character id to write instead (such a chunk is
  // indexed under that id too).
  std::string id;
};

struct AviWriterOptions {
  uint32_t avihFlags = 0x10;  // AVIF_HASINDEX; add 0x20 for AVIF_MUSTUSEINDEX
  bool writeIndex = true;
  bool indexFromFileStart = false;  // idx1 offsets counted from the file's start
  int recGroup = 0;                 // 0: chunks directly in "movi"; n: n chunks per "rec " list
  uint32_t microSecPerFrame = 66667;
  // When not empty, the exact "avih" data to write (any length) instead of the
  // 56 bytes built from the streams.
  std::vector<uint8_t> avih;
  // A JUNK chunk of this many bytes between the hdrl's strl lists (0: none).
  uint32_t junkBetweenStreams = 0;
  // When not 0, the file is cut to this length after writing.
  uint64_t cutAt = 0;

  // OpenDML: an "odml" list with "dmlh" (the whole file's frame count) at the
  // end of hdrl, an "indx" super index in each strl, and the chunks cut into
  // RIFF parts: the first "AVI " part (with the idx1 of its own chunks, as
  // writers do), then "AVIX" parts, each "movi" list ending with one "ix##"
  // standard index per stream (offsets from the part's "movi" list, bit 31 of
  // the size set on chunks that are not keyframes). avih counts the first
  // part's frames.
  bool openDml = false;
  // A part ends before the chunk that would take its "movi" data past this
  // many bytes (every part holds at least one chunk).
  uint64_t partSize = 1ull << 30;
  // Standard indexes as field indexes (AVI_INDEX_2FIELD, three longs an entry,
  // the second field taken to start halfway through the chunk).
  bool fieldIndexes = false;
};

// Where things landed, for tests that damage or check them.
struct AviWriterLayout {
  uint64_t moviListPosition = 0;  // the "LIST" header of "movi"
  uint64_t moviTypePosition = 0;  // its "movi" FOURCC, the origin of standard idx1 offsets
  std::vector<uint64_t> chunkPositions;      // each chunk's header
  std::vector<uint64_t> chunkDataPositions;  // each chunk's first data byte
  uint64_t idx1Position = 0;  // the idx1 header (0 without one)
  uint64_t fileSize = 0;      // before any cut
  // OpenDML files: each RIFF part's header, each stream's "indx" header and
  // each "ix##" header (per part, in stream order), the "dmlh" header.
  std::vector<uint64_t> partPositions;
  std::vector<uint64_t> indxPositions;
  std::vector<uint64_t> ixPositions;
  uint64_t dmlhPosition = 0;
  std::vector<size_t> partFirstChunks;  // the number of each part's first chunk
};

// Writes the file; false (with a reason in error, when given) if it cannot.
bool WriteAvi(const std::string& path, const std::vector<AviWriterStream>& streams,
              const std::vector<AviWriterChunk>& chunks, const AviWriterOptions& options,
              AviWriterLayout* layout = nullptr, std::string* error = nullptr);

// The values of an AVIStreamHeader; StreamHeaderBytes writes its 56 bytes
// (the frame rectangle as four 16-bit values).
struct StreamHeaderFields {
  std::string fccType = "vids";  // "vids" or "auds"
  std::string fccHandler;        // four characters, or empty for 0
  uint32_t flags = 0;
  uint32_t initialFrames = 0;
  uint32_t scale = 1;
  uint32_t rate = 15;
  uint32_t start = 0;
  uint32_t length = 0;
  uint32_t suggestedBufferSize = 0;
  uint32_t quality = 0xFFFFFFFF;
  uint32_t sampleSize = 0;
  int16_t frame[4] = {0, 0, 0, 0};
};
std::vector<uint8_t> StreamHeaderBytes(const StreamHeaderFields& fields);

// A 40-byte BITMAPINFOHEADER (biSizeImage = the RGB size when 0 is given).
std::vector<uint8_t> BitmapInfoHeaderBytes(int32_t width, int32_t height, uint16_t bitCount,
                                           uint32_t compression, uint32_t sizeImage = 0);

// An 18-byte WAVEFORMATEX followed by the extra bytes, cbSize = their count.
std::vector<uint8_t> WaveFormatBytes(uint16_t formatTag, uint16_t channels,
                                     uint32_t samplesPerSec, uint32_t avgBytesPerSec,
                                     uint16_t blockAlign, uint16_t bitsPerSample,
                                     const std::vector<uint8_t>& extra = {});

// A video stream: compression 0 for uncompressed RGB, else a FOURCC such as
// Fourcc("cvid"); frames per second = rate / scale; length in frames.
AviWriterStream VideoStream(uint32_t compression, int32_t width, int32_t height,
                            uint16_t bitCount, uint32_t rate, uint32_t scale, uint32_t length);

// A PCM stream with a fixed sample size (channels x bytes per sample); length
// in samples.
AviWriterStream PcmStream(uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
                          uint32_t length);

// A variable-size audio stream (dwSampleSize 0, one block per chunk, as
// MP3 is written): length in chunks.
AviWriterStream VariableAudioStream(uint16_t formatTag, uint16_t channels,
                                    uint32_t samplesPerSec, uint32_t samplesPerChunk,
                                    uint32_t length);

uint32_t Fourcc(const char* four);
