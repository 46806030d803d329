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

void WriteHeaderList(FileOut* out, const std::vector<AviWriterStream>& streams,
                     const std::vector<AviWriterChunk>& chunks, const AviWriterOptions& options) {
  ListOut hdrl(out, "LIST", "hdrl");
  const std::vector<uint8_t> avih =
      options.avih.empty() ? MainHeaderBytes(streams, chunks, options) : options.avih;
  WriteChunk(out, "avih", avih.data(), avih.size());
  for (size_t i = 0; i < streams.size(); ++i) {
    if (i > 0 && options.junkBetweenStreams > 0) {
      const std::vector<uint8_t> junk(options.junkBetweenStreams, 0);
      WriteChunk(out, "JUNK", junk.data(), junk.size());
    }
    ListOut strl(out, "LIST", "strl");
    WriteChunk(out, "strh", streams[i].strh.data(), streams[i].strh.size());
    WriteChunk(out, "strf", streams[i].strf.data(), streams[i].strf.size());
    strl.Close();
  }
  hdrl.Close();
}

void WriteMovi(FileOut* out, const std::vector<AviWriterChunk>& chunks,
               const AviWriterOptions& options, AviWriterLayout* layout) {
  layout->moviListPosition = out->Position();
  ListOut movi(out, "LIST", "movi");
  layout->moviTypePosition = layout->moviListPosition + 8;
  const size_t group = options.recGroup > 0 ? static_cast<size_t>(options.recGroup) : chunks.size();
  for (size_t i = 0; i < chunks.size();) {
    const size_t groupEnd = std::min(chunks.size(), i + group);
    std::optional<ListOut> rec;
    if (options.recGroup > 0) rec.emplace(out, "LIST", "rec ");
    for (; i < groupEnd; ++i) {
      const AviWriterChunk& chunk = chunks[i];
      if (chunk.junkBefore > 0) {
        out->Id("JUNK");
        out->U32(chunk.junkBefore);
        out->Skip(chunk.junkBefore + chunk.junkBefore % 2);
      }
      layout->chunkPositions.push_back(out->Position());
      layout->chunkDataPositions.push_back(out->Position() + 8);
      WriteChunk(out, ChunkId(chunk), chunk.payload.data(), chunk.payload.size());
    }
    if (rec) rec->Close();
  }
  movi.Close();
}

void WriteIndex(FileOut* out, const std::vector<AviWriterChunk>& chunks,
                const AviWriterOptions& options, AviWriterLayout* layout) {
  layout->idx1Position = out->Position();
  out->Id("idx1");
  out->U32(static_cast<uint32_t>(chunks.size() * 16));
  const uint64_t origin = options.indexFromFileStart ? 0 : layout->moviTypePosition;
  for (size_t i = 0; i < chunks.size(); ++i) {
    out->Id(ChunkId(chunks[i]));
    out->U32(chunks[i].keyframe ? 0x10 : 0);
    out->U32(static_cast<uint32_t>(layout->chunkPositions[i] - origin));
    out->U32(static_cast<uint32_t>(chunks[i].payload.size()));
  }
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
    ListOut riff(&out, "RIFF", "AVI ");
    WriteHeaderList(&out, streams, chunks, options);
    WriteMovi(&out, chunks, options, layout);
    if (options.writeIndex) WriteIndex(&out, chunks, options, layout);
    riff.Close();
    layout->fileSize = out.Position();
    if (!out.Finish()) {
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
