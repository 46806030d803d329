// Opening an AVI file: the RIFF tree down to the main header, the selected
// streams' headers and formats and the "movi" list. The index and the sample
// lookup are in avi_index.cpp.
#include "media/avi_file.h"

#include "media/avi_headers.h"
#include "media/cached_file_reader.h"
#include "media/chunk_walk.h"
#include "media/file_source.h"
#include "media/fourcc.h"
#include "media/odml_index.h"
#include "media/stream_info.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

const char kUnknownFormat[] = "Unknown format, Velmora supports AVI (RIFF) formats only\n";
const char kNoSecondaryAudio[] = "Secondary audio stream not found\n";
const char kNoIndex[] = "Can't load indispensable index table\n";
// The most of a stream's "strf" format that is read.
constexpr uint32_t kMostFormatBytes = 1u << 20;

void Append(std::string* messages, const std::string& text) {
  if (messages != nullptr) messages->append(text);
}

// The fifth 32-bit word of a BITMAPINFOHEADER.
uint32_t Compression(const uint8_t* format, uint32_t size) {
  uint32_t compression = 0;
  if (size >= 20) std::memcpy(&compression, format + 16, sizeof compression);
  return compression;
}

// A claimed length past what an int32_t frame or sample number can reach is
// held there, so that positions counted from it (length - 1) stay in range.
int32_t ClampedLength(uint32_t dwLength) {
  return static_cast<int32_t>(std::min<uint32_t>(dwLength, INT32_MAX));
}

}  // namespace

AviFile::AviFile()
    : mainHeader_(new MainAviHeader()),
      reader_(new CachedFileReader),
      videoStream_(new StreamInfo),
      audioStream_(new StreamInfo),
      videoOdml_(new OdmlIndex),
      audioOdml_(new OdmlIndex) {}

AviFile::~AviFile() { Close(); }

bool AviFile::Open(const char* path, std::string* messages, bool useSecondaryAudio,
                   int cacheSlots, bool allowIndex) {
  Close();
  if (!reader_->Open(path, cacheSlots)) {
    Append(messages, std::string("Can't open  file ") + (path != nullptr ? path : "") + "\n");
    return false;
  }
  return OpenReaderContent(messages, useSecondaryAudio, allowIndex);
}

bool AviFile::Open(const uint8_t* data, size_t size, std::string* messages,
                   bool useSecondaryAudio, int cacheSlots, bool allowIndex) {
  Close();
  if (!reader_->Open(MemoryFileSource(data, size), cacheSlots)) return false;
  return OpenReaderContent(messages, useSecondaryAudio, allowIndex);
}

// The file's structure, index and totals, once the reader is open.
bool AviFile::OpenReaderContent(std::string* messages, bool useSecondaryAudio, bool allowIndex) {
  bool opened = OpenStructure(messages, useSecondaryAudio);
  if (!opened) Append(messages, kUnknownFormat);
  if (opened) {
    useIndex_ = (mainHeader_->dwFlags & AVIF_HASINDEX) != 0 && allowIndex;
    mustUseIndex_ = useIndex_ && (mainHeader_->dwFlags & AVIF_MUSTUSEINDEX) != 0;
    if (allowIndex && openDml_) LoadOpenDmlIndexes();
    // idx1 only for the streams that no OpenDML index serves.
    const bool idx1Needed = videoStream_->odmlIndex == nullptr ||
                            (audioFormat_ != nullptr && audioStream_->odmlIndex == nullptr);
    if (useIndex_ && idx1Needed) LoadIndex();
    if (mustUseIndex_ && !HasIndex()) {
      Append(messages, kNoIndex);
      opened = false;
    }
  }
  if (!opened) {
    Close();
    return false;
  }
  if (audioFormat_ != nullptr) ComputeTotals(audioStream_.get());
  ComputeTotals(videoStream_.get());
  return true;
}

// The structure every playable file has; false when any of it is missing.
bool AviFile::OpenStructure(std::string* messages, bool useSecondaryAudio) {
  CachedFileReader* reader = reader_.get();
  riff_ = HeaderAt(reader, 0);
  if (riff_.kind != kFourccRiff || riff_.id != kFourccAvi) return false;
  riff_.limit = std::min(riff_.dataPosition + PaddedSize(riff_.size), reader->PositionCeiling());

  const ChunkRef hdrl = FindChild(reader, riff_, kFourccHdrl, kFourccList);
  const ChunkRef avih = FindChild(reader, hdrl, kFourccAvih, kFourccData);
  if (avih.IsNull()) return false;
  *mainHeader_ = MainAviHeader();
  const uint32_t headerBytes = std::min<uint32_t>(avih.size, sizeof(MainAviHeader));
  if (headerBytes > 0 && !ReadChunkData(reader, avih, 0, headerBytes, mainHeader_.get())) {
    return false;
  }

  if (!SelectStream(hdrl, kFourccVids, 0, videoStream_.get(), &videoFormat_, &videoFormatSize_,
                    &videoStrl_)) {
    return false;
  }
  if (!SelectStream(hdrl, kFourccAuds, useSecondaryAudio ? 1 : 0, audioStream_.get(),
                    &audioFormat_, &audioFormatSize_, &audioStrl_) &&
      useSecondaryAudio) {
    Append(messages, kNoSecondaryAudio);  // the file still opens, without sound
  }

  openDml_ = DetectOpenDml(hdrl);
  if (openDml_) {
    reader->SetLargeFile(true);
    riff_.limit = riff_.dataPosition + PaddedSize(riff_.size);
    ReadOpenDmlHeader(hdrl);
  }

  movi_ = FindChild(reader, riff_, kFourccMovi, kFourccList);
  if (movi_.IsNull()) return false;
  // idx1 offsets count from the "movi" type and point at chunk headers.
  indexBase_ = static_cast<uint32_t>(movi_.dataPosition + 4);
  firstMoviChunk_ = FirstChild(reader, movi_);
  FindParts();
  return !firstMoviChunk_.IsNull();
}

// Selects the which-th (0 or 1) stream of the type that has a usable format;
// a "strl" of the right type without one does not count.
bool AviFile::SelectStream(const ChunkRef& hdrl, uint32_t type, int32_t which,
                           StreamInfo* stream, std::unique_ptr<uint8_t[]>* format,
                           uint32_t* formatSize, ChunkRef* strl) {
  ChunkRef chunk = FirstChild(reader_.get(), hdrl);
  *strl = ChunkRef();
  int32_t number = 0;
  for (int32_t pass = 0; pass <= which; ++pass) {
    if (!NextStreamOfType(type, &chunk, &number, stream, format, formatSize)) {
      format->reset();
      *formatSize = 0;
      return false;
    }
    if (pass < which) {
      chunk = NextSibling(reader_.get(), chunk);
      ++number;
    }
  }
  ResetStream(stream, number);
  *strl = chunk;
  if (type == kFourccVids && Compression(format->get(), *formatSize) != 0 &&
      stream->header.dwSampleSize > stream->header.dwSuggestedBufferSize) {
    // A compressed stream cannot really have samples of one size.
    stream->header.dwSampleSize = 0;
    stream->sampleSize = 0;
  }
  return true;
}

// From the chunk on, the first "strl" of the type whose format could be read;
// the chunk and the stream number are left at it.
bool AviFile::NextStreamOfType(uint32_t type, ChunkRef* chunk, int32_t* number,
                               StreamInfo* stream, std::unique_ptr<uint8_t[]>* format,
                               uint32_t* formatSize) {
  CachedFileReader* reader = reader_.get();
  while (!chunk->IsNull()) {
    *chunk = FindSibling(reader, *chunk, kFourccStrl, kFourccList);
    if (!chunk->IsNull() && ReadStreamHeader(*chunk, stream) &&
        stream->header.fccType == type && ReadStreamFormat(*chunk, format, formatSize)) {
      return true;
    }
    *chunk = NextSibling(reader, *chunk);
    ++*number;
  }
  return false;
}

bool AviFile::ReadStreamHeader(const ChunkRef& strl, StreamInfo* stream) {
  const ChunkRef strh = FindChild(reader_.get(), strl, kFourccStrh, kFourccData);
  stream->header = AviStreamHeader();
  if (strh.IsNull()) return false;
  const uint32_t bytes = std::min<uint32_t>(strh.size, sizeof(AviStreamHeader));
  return bytes == 0 || ReadChunkData(reader_.get(), strh, 0, bytes, &stream->header);
}

bool AviFile::ReadStreamFormat(const ChunkRef& strl, std::unique_ptr<uint8_t[]>* format,
                               uint32_t* formatSize) {
  const ChunkRef strf = FindChild(reader_.get(), strl, kFourccStrf, kFourccData);
  format->reset();
  *formatSize = 0;
  if (strf.IsNull() || strf.size == 0) return false;
  // A size that reaches past the end of the file cannot be read: do not
  // allocate for it.
  if (static_cast<uint64_t>(strf.dataPosition) + strf.size > reader_->FileSize()) return false;
  // Only the start of an outsized one is kept: a header, its palette or its
  // codec data never come near the bound.
  const uint32_t size = std::min(strf.size, kMostFormatBytes);
  format->reset(new (std::nothrow) uint8_t[size]);
  if (*format == nullptr) return false;
  if (!ReadChunkData(reader_.get(), strf, 0, size, format->get())) {
    format->reset();
    return false;
  }
  *formatSize = size;
  return true;
}

void AviFile::ResetStream(StreamInfo* stream, int32_t number) {
  stream->reader = reader_.get();
  stream->streamKey = StreamKeyOfNumber(number);
  stream->totalBytes = 0;
  stream->cursorSample = -2;
  stream->cursorChunk = ChunkRef();
  stream->cursorOffset = 0;
  stream->cursorPosition = -2;
  stream->sampleSize = static_cast<int32_t>(stream->header.dwSampleSize);
  stream->indexPosition = -1;
  stream->indexSample = 0;
  stream->odmlIndex = nullptr;
}

void AviFile::Close() {
  audioFormat_.reset();
  audioFormatSize_ = 0;
  videoFormat_.reset();
  videoFormatSize_ = 0;
  indexTable_.reset();
  indexEntryCount_ = 0;
  useIndex_ = false;
  mustUseIndex_ = false;
  riff_ = movi_ = firstMoviChunk_ = ChunkRef();
  openDml_ = false;
  moviLists_.clear();
  videoStrl_ = audioStrl_ = ChunkRef();
  videoOdml_->Clear();
  audioOdml_->Clear();
  videoStream_->odmlIndex = nullptr;
  audioStream_->odmlIndex = nullptr;
  dmlhTotalFrames_ = 0;
  reader_->Close();
}

bool AviFile::GetVideoStreamInfo(VideoStreamInfo* info) {
  if (videoFormat_ == nullptr) return false;
  if (info == nullptr) return true;
  const AviStreamHeader& header = videoStream_->header;
  info->sampleSize = static_cast<int32_t>(header.dwSampleSize);
  info->length = ClampedLength(header.dwLength);
  info->rate = static_cast<int32_t>(header.dwRate);
  info->scale = static_cast<int32_t>(header.dwScale);
  info->format = videoFormat_.get();
  info->formatSize = videoFormatSize_;
  info->fccHandler = header.fccHandler;
  info->bufferSize = std::max(header.dwSuggestedBufferSize, header.dwSampleSize);
  info->totalBytes = videoStream_->totalBytes;
  return true;
}

bool AviFile::GetAudioStreamInfo(AudioStreamInfo* info) {
  if (audioFormat_ == nullptr) return false;
  if (info == nullptr) return true;
  const AviStreamHeader& header = audioStream_->header;
  info->rate = static_cast<int32_t>(header.dwRate);
  info->scale = static_cast<int32_t>(header.dwScale);
  info->length = ClampedLength(header.dwLength);
  info->format = audioFormat_.get();
  info->formatSize = audioFormatSize_;
  info->bufferSize = std::max(header.dwSuggestedBufferSize, header.dwSampleSize);
  info->sampleSize = static_cast<int32_t>(header.dwSampleSize);
  info->totalBytes = audioStream_->totalBytes;
  return true;
}

bool AviFile::HasIndex() const {
  return indexTable_ != nullptr || videoStream_->odmlIndex != nullptr ||
         audioStream_->odmlIndex != nullptr;
}

ChunkRef AviFile::VideoChunk(int32_t frame) {
  if (videoFormat_ == nullptr) return ChunkRef();
  return ChunkOfSample(videoStream_->streamKey, frame, videoStream_.get());
}

ChunkRef AviFile::AudioChunk(int32_t n) {
  if (audioFormat_ == nullptr) return ChunkRef();
  return ChunkOfSample(audioStream_->streamKey, n, audioStream_.get());
}
