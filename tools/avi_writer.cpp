#include "tools/avi_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

void PutU16(std::vector<uint8_t>* out, uint32_t value) {
  out->push_back(static_cast<uint8_t>(value));
  out->push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>* out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

// A file written front to back, with holes and with sizes patched in later.
class FileOut {
 public:
  explicit FileOut(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ != nullptr) std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  }
  ~FileOut() {
    if (file_ != nullptr) std::fclose(file_);
  }
  FileOut(const FileOut&) = delete;
  FileOut& operator=(const FileOut&) = delete;

  bool Ok() const { return file_ != nullptr && ok_; }
  uint64_t Position() const { return position_; }

  void Bytes(const void* data, size_t size) {
    if (!Ok() || size == 0) return;
    ok_ = std::fwrite(data, 1, size, file_) == size;
    position_ += size;
  }
  void U32(uint32_t value) {
    std::vector<uint8_t> bytes;
    PutU32(&bytes, value);
    Bytes(bytes.data(), bytes.size());
  }
  void Id(const std::string& four) {
    char id[4] = {' ', ' ', ' ', ' '};
    std::memcpy(id, four.data(), std::min<size_t>(four.size(), 4));
    Bytes(id, 4);
  }
  // Leaves a hole of count bytes.
  void Skip(uint64_t count) {
    if (count == 0) return;
    position_ += count;
    ok_ = ok_ && SeekTo(position_);
  }
  void PatchU32(uint64_t at, uint32_t value) {
    if (!Ok()) return;
    std::vector<uint8_t> bytes;
    PutU32(&bytes, value);
    ok_ = SeekTo(at) && std::fwrite(bytes.data(), 1, 4, file_) == 4 && SeekTo(position_);
  }
  // Holes are always followed by a chunk, so the file ends with written bytes.
  bool Finish() {
    if (!Ok()) return false;
    const bool ok = std::fflush(file_) == 0;
    std::fclose(file_);
    file_ = nullptr;
    return ok;
  }

 private:
  bool SeekTo(uint64_t position) {
#ifdef _WIN32
    return _fseeki64(file_, static_cast<long long>(position), SEEK_SET) == 0;
#else
    return fseeko(file_, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
  }

  std::FILE* file_;
  bool ok_ = true;
  uint64_t position_ = 0;
};

// An open "RIFF" or "LIST": its size is patched in when it is closed.
class ListOut {
 public:
  ListOut(FileOut* out, const char* kind, const char* type) : out_(out) {
    out_->Id(kind);
    sizeAt_ = out_->Position();
    out_->U32(0);
    out_->Id(type);
  }
  void Close() {
    const uint64_t size = out_->Position() - sizeAt_ - 4;
    out_->PatchU32(sizeAt_, static_cast<uint32_t>(std::min<uint64_t>(size, 0xFFFFFFFFu)));
  }

 private:
  FileOut* out_;
  uint64_t sizeAt_;
};

void WriteChunk(FileOut* out, const std::string& id, const void* data, size_t size) {
  out->Id(id);
  out->U32(static_cast<uint32_t>(size));
  out->Bytes(data, size);
  if (size % 2 != 0) out->Bytes("", 1);  // the pad byte
}

std::string ChunkId(const AviWriterChunk& chunk) {
  if (!chunk.id.empty()) return chunk.id;
  char id[8];
  std::snprintf(id, sizeof id, "%02d", chunk.stream % 100);
  return std::string(id, 2) + chunk.type.substr(0, 2);
}

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
  if (bytes.size() < at + 4) return 0;
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

std::vector<uint8_t> MainHeaderBytes(const std::vector<AviWriterStream>& streams,
                                     const std::vector<AviWriterChunk>& chunks,
                                     const AviWriterOptions& options) {
  int video = -1;
  for (size_t i = 0; i < streams.size() && video < 0; ++i) {
    if (ReadU32(streams[i].strh, 0) == Fourcc("vids")) video = static_cast<int>(i);
  }
  uint32_t frames = 0;
  size_t largest = 0;
  for (const AviWriterChunk& chunk : chunks) {
    if (chunk.stream == video && chunk.id.empty()) ++frames;
    largest = std::max(largest, chunk.payload.size());
  }
  const uint32_t width = video < 0 ? 0 : ReadU32(streams[video].strf, 4);
  const uint32_t height = video < 0 ? 0 : ReadU32(streams[video].strf, 8);
  std::vector<uint8_t> bytes;
  PutU32(&bytes, options.microSecPerFrame);
  PutU32(&bytes, 0);  // dwMaxBytesPerSec
  PutU32(&bytes, 0);  // dwPaddingGranularity
  PutU32(&bytes, options.avihFlags);
  PutU32(&bytes, frames);
  PutU32(&bytes, 0);  // dwInitialFrames
  PutU32(&bytes, static_cast<uint32_t>(streams.size()));
  PutU32(&bytes, static_cast<uint32_t>(largest));
  PutU32(&bytes, width);
  PutU32(&bytes, height > 0x7FFFFFFF ? 0u - height : height);
  for (int i = 0; i < 4; ++i) PutU32(&bytes, 0);
  return bytes;
}

// OpenDML: what the indexes collect while the parts are written.
struct StandardEntry {
  uint64_t dataPosition;
  uint32_t size;
  bool keyframe;
};
struct SuperEntry {
  uint64_t position;  // the "ix##" chunk's header
  uint32_t size;      // the whole chunk's, header included
  uint32_t duration;  // chunks, or samples of a fixed-size stream
};
struct OdmlState {
  explicit OdmlState(size_t streams) : partEntries(streams), superEntries(streams) {}
  std::vector<std::vector<StandardEntry>> partEntries;  // per stream, the current part
  std::vector<std::vector<SuperEntry>> superEntries;    // per stream
  int videoStream = -1;
  uint32_t firstPartFrames = 0;
  uint32_t totalFrames = 0;
  uint64_t avihPosition = 0;
};

// Room reserved in each "indx" for this many parts.
constexpr uint32_t kSuperIndexRoom = 256;
constexpr uint32_t kDmlhSize = 248;

int VideoStreamNumber(const std::vector<AviWriterStream>& streams) {
  for (size_t i = 0; i < streams.size(); ++i) {
    if (ReadU32(streams[i].strh, 0) == Fourcc("vids")) return static_cast<int>(i);
  }
  return -1;
}

// The id under which a stream's chunks are indexed: its first chunk's.
std::string StreamChunkId(const std::vector<AviWriterStream>& streams,
                          const std::vector<AviWriterChunk>& chunks, size_t stream) {
  for (const AviWriterChunk& chunk : chunks) {
    if (chunk.stream == static_cast<int>(stream) && chunk.id.empty()) return ChunkId(chunk);
  }
  AviWriterChunk typical;
  typical.stream = static_cast<int>(stream);
  typical.type = ReadU32(streams[stream].strh, 0) == Fourcc("vids") ? "dc" : "wb";
  return ChunkId(typical);
}

// An "indx" super index with room for kSuperIndexRoom parts; its entries are
// filled in at the end.
void WriteSuperIndexRoom(FileOut* out, const std::string& chunkId) {
  out->Id("indx");
  out->U32(24 + kSuperIndexRoom * 16);
  const uint8_t header[4] = {4, 0, 0, 0};  // wLongsPerEntry 4, sub-type 0, AVI_INDEX_OF_INDEXES
  out->Bytes(header, sizeof header);
  out->U32(0);  // nEntriesInUse
  out->Id(chunkId);
  const std::vector<uint8_t> rest(12 + kSuperIndexRoom * 16, 0);
  out->Bytes(rest.data(), rest.size());
}

void WriteHeaderList(FileOut* out, const std::vector<AviWriterStream>& streams,
                     const std::vector<AviWriterChunk>& chunks, const AviWriterOptions& options,
                     AviWriterLayout* layout, OdmlState* odml) {
  ListOut hdrl(out, "LIST", "hdrl");
  const std::vector<uint8_t> avih =
      options.avih.empty() ? MainHeaderBytes(streams, chunks, options) : options.avih;
  odml->avihPosition = out->Position();
  WriteChunk(out, "avih", avih.data(), avih.size());
  for (size_t i = 0; i < streams.size(); ++i) {
    if (i > 0 && options.junkBetweenStreams > 0) {
      const std::vector<uint8_t> junk(options.junkBetweenStreams, 0);
      WriteChunk(out, "JUNK", junk.data(), junk.size());
    }
    ListOut strl(out, "LIST", "strl");
    WriteChunk(out, "strh", streams[i].strh.data(), streams[i].strh.size());
    WriteChunk(out, "strf", streams[i].strf.data(), streams[i].strf.size());
    if (options.openDml) {
      layout->indxPositions.push_back(out->Position());
      WriteSuperIndexRoom(out, StreamChunkId(streams, chunks, i));
    }
    strl.Close();
  }
  if (options.openDml) {
    ListOut odmlList(out, "LIST", "odml");
    layout->dmlhPosition = out->Position();
    const std::vector<uint8_t> dmlh(kDmlhSize, 0);
    WriteChunk(out, "dmlh", dmlh.data(), dmlh.size());
    odmlList.Close();
  }
  hdrl.Close();
}

// One "ix##" standard index per stream for the part whose "movi" list
// starts at base, noted in the stream's super index.
void WriteStandardIndexes(FileOut* out, const std::vector<AviWriterStream>& streams,
                          const std::vector<AviWriterChunk>& chunks, uint64_t base, bool fields,
                          AviWriterLayout* layout, OdmlState* odml) {
  const uint8_t longs = fields ? 3 : 2;
  for (size_t s = 0; s < streams.size(); ++s) {
    std::vector<StandardEntry>& entries = odml->partEntries[s];
    char id[8];
    std::snprintf(id, sizeof id, "ix%02d", static_cast<int>(s % 100));
    const uint32_t size = static_cast<uint32_t>(24 + entries.size() * 4 * longs);
    layout->ixPositions.push_back(out->Position());
    out->Id(id);
    out->U32(size);
    // wLongsPerEntry, sub-type (AVI_INDEX_2FIELD or 0), AVI_INDEX_OF_CHUNKS
    const uint8_t header[4] = {longs, 0, static_cast<uint8_t>(fields ? 1 : 0), 1};
    out->Bytes(header, sizeof header);
    out->U32(static_cast<uint32_t>(entries.size()));
    out->Id(StreamChunkId(streams, chunks, s));
    out->U32(static_cast<uint32_t>(base));
    out->U32(static_cast<uint32_t>(base >> 32));
    out->U32(0);
    uint64_t bytes = 0;
    for (const StandardEntry& entry : entries) {
      out->U32(static_cast<uint32_t>(entry.dataPosition - base));
      out->U32(entry.size | (entry.keyframe ? 0u : 0x80000000u));
      if (fields) out->U32(static_cast<uint32_t>(entry.dataPosition - base + entry.size / 2));
      bytes += entry.size;
    }
    const uint32_t sampleSize = ReadU32(streams[s].strh, 44);
    const uint64_t duration = sampleSize > 0 ? bytes / sampleSize : entries.size();
    odml->superEntries[s].push_back(
        {layout->ixPositions.back(), size + 8, static_cast<uint32_t>(duration)});
    entries.clear();
  }
}

// Writes one part's "movi" list from chunk first on and returns the number
// of the chunk after its last. Without OpenDML every chunk goes into it.
size_t WriteMovi(FileOut* out, const std::vector<AviWriterStream>& streams,
                 const std::vector<AviWriterChunk>& chunks, size_t first,
                 const AviWriterOptions& options, AviWriterLayout* layout, OdmlState* odml) {
  const uint64_t listPosition = out->Position();
  if (first == 0) {
    layout->moviListPosition = listPosition;
    layout->moviTypePosition = listPosition + 8;
  }
  ListOut movi(out, "LIST", "movi");
  const auto partFull = [&](size_t i) {
    const uint64_t next = out->Position() + chunks[i].junkBefore + chunks[i].payload.size() + 16;
    return options.openDml && i > first && next - listPosition > options.partSize;
  };
  const size_t group = options.recGroup > 0 ? static_cast<size_t>(options.recGroup) : chunks.size();
  size_t i = first;
  while (i < chunks.size() && !partFull(i)) {
    std::optional<ListOut> rec;
    if (options.recGroup > 0) rec.emplace(out, "LIST", "rec ");
    for (size_t k = 0; k < group && i < chunks.size() && !partFull(i); ++k, ++i) {
      const AviWriterChunk& chunk = chunks[i];
      if (chunk.junkBefore > 0) {
        out->Id("JUNK");
        out->U32(chunk.junkBefore);
        out->Skip(chunk.junkBefore + chunk.junkBefore % 2);
      }
      layout->chunkPositions.push_back(out->Position());
      layout->chunkDataPositions.push_back(out->Position() + 8);
      WriteChunk(out, ChunkId(chunk), chunk.payload.data(), chunk.payload.size());
      if (options.openDml && chunk.id.empty() && chunk.stream >= 0 &&
          static_cast<size_t>(chunk.stream) < streams.size()) {
        odml->partEntries[chunk.stream].push_back(
            {out->Position() - chunk.payload.size() - chunk.payload.size() % 2,
             static_cast<uint32_t>(chunk.payload.size()), chunk.keyframe});
        if (chunk.stream == odml->videoStream) ++odml->totalFrames;
      }
    }
    if (rec) rec->Close();
  }
  if (options.openDml) {
    WriteStandardIndexes(out, streams, chunks, listPosition, options.fieldIndexes, layout, odml);
  }
  movi.Close();
  return i;
}

void WriteIndex(FileOut* out, const std::vector<AviWriterChunk>& chunks, size_t count,
                const AviWriterOptions& options, AviWriterLayout* layout) {
  layout->idx1Position = out->Position();
  out->Id("idx1");
  out->U32(static_cast<uint32_t>(count * 16));
  const uint64_t origin = options.indexFromFileStart ? 0 : layout->moviTypePosition;
  for (size_t i = 0; i < count; ++i) {
    out->Id(ChunkId(chunks[i]));
    out->U32(chunks[i].keyframe ? 0x10 : 0);
    out->U32(static_cast<uint32_t>(layout->chunkPositions[i] - origin));
    out->U32(static_cast<uint32_t>(chunks[i].payload.size()));
  }
}

// The super indexes' entries, the dmlh frame count and avih's count of the
// first part's frames.
bool FinishOpenDml(FileOut* out, const AviWriterOptions& options, const AviWriterLayout& layout,
                   const OdmlState& odml) {
  for (size_t s = 0; s < odml.superEntries.size(); ++s) {
    const std::vector<SuperEntry>& entries = odml.superEntries[s];
    if (entries.size() > kSuperIndexRoom) return false;
    const uint64_t at = layout.indxPositions[s] + 8;
    out->PatchU32(at + 4, static_cast<uint32_t>(entries.size()));
    for (size_t e = 0; e < entries.size(); ++e) {
      const uint64_t entry = at + 24 + 16 * e;
      out->PatchU32(entry, static_cast<uint32_t>(entries[e].position));
      out->PatchU32(entry + 4, static_cast<uint32_t>(entries[e].position >> 32));
      out->PatchU32(entry + 8, entries[e].size);
      out->PatchU32(entry + 12, entries[e].duration);
    }
  }
  out->PatchU32(layout.dmlhPosition + 8, odml.totalFrames);
  if (options.avih.empty()) out->PatchU32(odml.avihPosition + 8 + 16, odml.firstPartFrames);
  return true;
}

}  // namespace

bool WriteAvi(const std::string& path, const std::vector<AviWriterStream>& streams,
              const std::vector<AviWriterChunk>& chunks, const AviWriterOptions& options,
              AviWriterLayout* layout, std::string* error) {
  AviWriterLayout ignored;
  if (layout == nullptr) layout = &ignored;
  *layout = AviWriterLayout();
  {
    FileOut out(path);
    OdmlState odml(streams.size());
    odml.videoStream = VideoStreamNumber(streams);
    layout->partPositions.push_back(0);
    layout->partFirstChunks.push_back(0);
    ListOut riff(&out, "RIFF", "AVI ");
    WriteHeaderList(&out, streams, chunks, options, layout, &odml);
    size_t next = WriteMovi(&out, streams, chunks, 0, options, layout, &odml);
    odml.firstPartFrames = odml.totalFrames;
    if (options.writeIndex) WriteIndex(&out, chunks, next, options, layout);
    riff.Close();
    while (next < chunks.size()) {
      layout->partPositions.push_back(out.Position());
      layout->partFirstChunks.push_back(next);
      ListOut part(&out, "RIFF", "AVIX");
      next = WriteMovi(&out, streams, chunks, next, options, layout, &odml);
      part.Close();
    }
    const bool finished = !options.openDml || FinishOpenDml(&out, options, *layout, odml);
    layout->fileSize = out.Position();
    if (!out.Finish() || !finished) {
      if (error != nullptr) *error = "cannot write " + path;
      return false;
    }
  }
  if (options.cutAt != 0 && options.cutAt < layout->fileSize) {
    std::error_code failed;
    std::filesystem::resize_file(path, options.cutAt, failed);
    if (failed) {
      if (error != nullptr) *error = "cannot cut " + path + ": " + failed.message();
      return false;
    }
  }
  return true;
}

std::vector<uint8_t> StreamHeaderBytes(const StreamHeaderFields& fields) {
  std::vector<uint8_t> bytes;
  PutU32(&bytes, Fourcc(fields.fccType.c_str()));
  PutU32(&bytes, fields.fccHandler.empty() ? 0 : Fourcc(fields.fccHandler.c_str()));
  PutU32(&bytes, fields.flags);
  PutU16(&bytes, 0);  // wPriority
  PutU16(&bytes, 0);  // wLanguage
  PutU32(&bytes, fields.initialFrames);
  PutU32(&bytes, fields.scale);
  PutU32(&bytes, fields.rate);
  PutU32(&bytes, fields.start);
  PutU32(&bytes, fields.length);
  PutU32(&bytes, fields.suggestedBufferSize);
  PutU32(&bytes, fields.quality);
  PutU32(&bytes, fields.sampleSize);
  for (int16_t edge : fields.frame) PutU16(&bytes, static_cast<uint16_t>(edge));
  return bytes;
}

std::vector<uint8_t> BitmapInfoHeaderBytes(int32_t width, int32_t height, uint16_t bitCount,
                                           uint32_t compression, uint32_t sizeImage) {
  if (sizeImage == 0 && compression == 0) {
    const uint32_t stride = ((static_cast<uint32_t>(width) * bitCount + 31) / 32) * 4;
    sizeImage = stride * static_cast<uint32_t>(height < 0 ? -height : height);
  }
  std::vector<uint8_t> bytes;
  PutU32(&bytes, 40);
  PutU32(&bytes, static_cast<uint32_t>(width));
  PutU32(&bytes, static_cast<uint32_t>(height));
  PutU16(&bytes, 1);  // biPlanes
  PutU16(&bytes, bitCount);
  PutU32(&bytes, compression);
  PutU32(&bytes, sizeImage);
  for (int i = 0; i < 4; ++i) PutU32(&bytes, 0);  // resolution and colour counts
  return bytes;
}

std::vector<uint8_t> WaveFormatBytes(uint16_t formatTag, uint16_t channels,
                                     uint32_t samplesPerSec, uint32_t avgBytesPerSec,
                                     uint16_t blockAlign, uint16_t bitsPerSample,
                                     const std::vector<uint8_t>& extra) {
  std::vector<uint8_t> bytes;
  PutU16(&bytes, formatTag);
  PutU16(&bytes, channels);
  PutU32(&bytes, samplesPerSec);
  PutU32(&bytes, avgBytesPerSec);
  PutU16(&bytes, blockAlign);
  PutU16(&bytes, bitsPerSample);
  PutU16(&bytes, static_cast<uint16_t>(extra.size()));
  bytes.insert(bytes.end(), extra.begin(), extra.end());
  return bytes;
}

AviWriterStream VideoStream(uint32_t compression, int32_t width, int32_t height,
                            uint16_t bitCount, uint32_t rate, uint32_t scale, uint32_t length) {
  AviWriterStream stream;
  stream.strf = BitmapInfoHeaderBytes(width, height, bitCount, compression);
  StreamHeaderFields fields;
  fields.fccType = "vids";
  fields.scale = scale;
  fields.rate = rate;
  fields.length = length;
  fields.suggestedBufferSize = ReadU32(stream.strf, 20);
  fields.frame[2] = static_cast<int16_t>(width);
  fields.frame[3] = static_cast<int16_t>(height < 0 ? -height : height);
  if (compression != 0) {
    char handler[5] = {};
    std::memcpy(handler, &compression, 4);  // FOURCCs are little-endian words
    fields.fccHandler = handler;
  }
  stream.strh = StreamHeaderBytes(fields);
  return stream;
}

AviWriterStream PcmStream(uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample,
                          uint32_t length) {
  const uint16_t blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
  AviWriterStream stream;
  stream.strf = WaveFormatBytes(1, channels, samplesPerSec, samplesPerSec * blockAlign, blockAlign,
                                bitsPerSample);
  StreamHeaderFields fields;
  fields.fccType = "auds";
  fields.scale = blockAlign;
  fields.rate = samplesPerSec * blockAlign;
  fields.length = length;
  fields.sampleSize = blockAlign;
  fields.suggestedBufferSize = samplesPerSec * blockAlign / 4;
  stream.strh = StreamHeaderBytes(fields);
  return stream;
}

AviWriterStream VariableAudioStream(uint16_t formatTag, uint16_t channels,
                                    uint32_t samplesPerSec, uint32_t samplesPerChunk,
                                    uint32_t length) {
  AviWriterStream stream;
  stream.strf = WaveFormatBytes(formatTag, channels, samplesPerSec, 0, 1, 0);
  StreamHeaderFields fields;
  fields.fccType = "auds";
  fields.scale = samplesPerChunk;
  fields.rate = samplesPerSec;
  fields.length = length;
  fields.sampleSize = 0;
  stream.strh = StreamHeaderBytes(fields);
  return stream;
}

// Shorter names are padded with blanks ("AVI" is "AVI ").
uint32_t Fourcc(const char* four) {
  uint32_t value = 0;
  bool ended = false;
  for (int i = 0; i < 4; ++i) {
    ended = ended || four[i] == 0;
    const uint8_t c = ended ? ' ' : static_cast<uint8_t>(four[i]);
    value |= static_cast<uint32_t>(c) << (8 * i);
  }
  return value;
}
