// The OpenDML (AVI 2.0) side of an open AviFile: telling such files apart,
// their "dmlh" frame count, the RIFF "AVIX" parts with their "movi" lists,
// the streams' "indx" indexes, and walking from one part into the next.
#include "media/avi_file.h"

#include "media/avi_headers.h"
#include "media/cached_file_reader.h"
#include "media/chunk_walk.h"
#include "media/fourcc.h"
#include "media/odml_index.h"
#include "media/stream_info.h"

#include <algorithm>

namespace {

constexpr uint64_t kLargestLength = 0x7FFFFFFF;

uint64_t EndOf(const ChunkRef& chunk) { return chunk.dataPosition + PaddedSize(chunk.size); }

// A RIFF "AVIX" header at the position, read past the cache and the reader's
// mode (it may stand past 2 GiB before the file is known to be OpenDML).
bool AvixPartAt(CachedFileReader* reader, uint64_t position) {
  uint32_t header[3];
  return reader->ProbeRead(header, position, sizeof header) && header[0] == kFourccRiff &&
         header[2] == kFourccAvix;
}

}  // namespace

// An "odml" list, an "indx" in a selected stream or a RIFF "AVIX" part after
// the first: any of them makes an OpenDML file. ffmpeg, for one, writes the
// first two into every file, however small.
bool AviFile::DetectOpenDml(const ChunkRef& hdrl) {
  CachedFileReader* reader = reader_.get();
  if (!FindChild(reader, hdrl, kFourccOdml, kFourccList).IsNull()) return true;
  for (const ChunkRef* strl : {&videoStrl_, &audioStrl_}) {
    if (!FindChild(reader, *strl, kFourccIndx, kFourccData).IsNull()) return true;
  }
  return AvixPartAt(reader, EndOf(riff_));
}

void AviFile::ReadOpenDmlHeader(const ChunkRef& hdrl) {
  CachedFileReader* reader = reader_.get();
  const ChunkRef odml = FindChild(reader, hdrl, kFourccOdml, kFourccList);
  const ChunkRef dmlh = FindChild(reader, odml, kFourccDmlh, kFourccData);
  uint32_t totalFrames = 0;
  if (dmlh.size >= sizeof totalFrames && ReadChunkData(reader, dmlh, 0, 4, &totalFrames)) {
    dmlhTotalFrames_ = totalFrames;
    // avih counts the first part's frames only; dmlh the whole file's.
    if (totalFrames != 0) mainHeader_->dwTotalFrames = totalFrames;
  }
}

// The "movi" list of each RIFF "AVIX" part that follows the first part, in
// file order, up to the first top-level chunk that is no such part (or
// cannot be read): parts stand back to back, and a file that goes on with
// something else is not read through it chunk by chunk.
void AviFile::FindParts() {
  CachedFileReader* reader = reader_.get();
  moviLists_.assign(1, movi_);
  if (!openDml_) return;
  for (uint64_t position = EndOf(riff_); position < reader->FileSize();) {
    ChunkRef part = HeaderAt(reader, position);
    if (part.kind != kFourccRiff || part.id != kFourccAvix) return;
    part.limit = EndOf(part);
    const ChunkRef movi = FindChild(reader, part, kFourccMovi, kFourccList);
    if (!movi.IsNull()) moviLists_.push_back(movi);
    position = EndOf(part);
  }
}

// Each selected stream whose "indx" loads is read through it; the others
// through idx1 or by walking. Index chunks are read straight from the file.
void AviFile::LoadOpenDmlIndexes() {
  reader_->SetDirectMode(true);
  LoadOpenDmlIndex(videoStrl_, videoStream_.get(), videoOdml_.get());
  if (audioFormat_ != nullptr) LoadOpenDmlIndex(audioStrl_, audioStream_.get(), audioOdml_.get());
  reader_->SetDirectMode(false);
}

bool AviFile::LoadOpenDmlIndex(const ChunkRef& strl, StreamInfo* stream, OdmlIndex* index) {
  const ChunkRef indx = FindChild(reader_.get(), strl, kFourccIndx, kFourccData);
  if (indx.IsNull() || !index->Load(reader_.get(), indx, stream->streamKey)) return false;
  stream->odmlIndex = index;
  return true;
}

bool AviFile::HasOpenDmlIndex(bool video) const {
  return (video ? videoStream_ : audioStream_)->odmlIndex != nullptr;
}

// Totals from the stream's OpenDML index, which knows every part: the
// length is raised to what it holds (some writers count the first part in
// the header), never lowered. Without that index the video length is raised
// to the dmlh frame count, as far as the file could hold that many chunks.
void AviFile::ComputeOpenDmlTotals(StreamInfo* stream) {
  AviStreamHeader& header = stream->header;
  const OdmlIndex* index = stream->odmlIndex;
  if (index == nullptr) {
    const uint64_t fits = reader_->FileSize() / 8;
    if (stream == videoStream_.get() && dmlhTotalFrames_ > header.dwLength) {
      header.dwLength = static_cast<uint32_t>(std::min<uint64_t>(dmlhTotalFrames_, fits));
    }
    return;
  }
  stream->totalBytes = static_cast<uint32_t>(std::min<uint64_t>(index->TotalBytes(), 0xFFFFFFFFu));
  header.dwSuggestedBufferSize = std::max(header.dwSuggestedBufferSize, index->LargestChunk());
  const uint64_t held = stream->sampleSize > 0
                            ? index->TotalBytes() / static_cast<uint32_t>(stream->sampleSize)
                            : static_cast<uint64_t>(index->Count());
  header.dwLength = static_cast<uint32_t>(
      std::max<uint64_t>(header.dwLength, std::min(held, kLargestLength)));
}

// Chunk n of a stream read through its OpenDML index; null past its end.
// Its limit is the end of the "movi" list that holds it, so that walking on
// from it works as from a walked chunk.
ChunkRef AviFile::TableChunk(const StreamInfo& stream, int32_t n) const {
  const OdmlIndex* index = stream.odmlIndex;
  if (n < 0 || n >= index->Count()) return ChunkRef();
  const IndexedChunk& entry = index->At(n);
  ChunkRef chunk;
  chunk.id = stream.streamKey;
  chunk.size = entry.size;
  chunk.dataPosition = entry.dataPosition;
  chunk.limit = EndOf(chunk);
  for (const ChunkRef& movi : moviLists_) {
    if (entry.dataPosition >= movi.dataPosition && entry.dataPosition < EndOf(movi)) {
      chunk.limit = EndOf(movi);
    }
  }
  chunk.kind = kFourccData;
  return chunk;
}

// The stream's first chunk, in whichever part it stands.
ChunkRef AviFile::FirstChunkOfStream(uint32_t key) {
  CachedFileReader* reader = reader_.get();
  ChunkRef chunk = NextLeafOfStream(reader, firstMoviChunk_, key);
  for (size_t part = 1; chunk.IsNull() && part < moviLists_.size(); ++part) {
    chunk = NextLeafOfStream(reader, FirstChild(reader, moviLists_[part]), key);
  }
  return chunk;
}

// The stream's next chunk after this one: on in the same "movi" list, then
// from the start of each following part's.
ChunkRef AviFile::NextChunkOfStream(const ChunkRef& chunk, uint32_t key) {
  CachedFileReader* reader = reader_.get();
  ChunkRef next = NextLeafOfStream(reader, NextSibling(reader, chunk), key);
  if (!next.IsNull() || chunk.IsNull() || moviLists_.size() < 2) return next;
  // On in the first part whose "movi" list starts past the chunk. Parts whose
  // sizes make them overlap are then never gone through again: the chain
  // only moves forward through the file, and ends.
  for (size_t part = 0; next.IsNull() && part < moviLists_.size(); ++part) {
    if (moviLists_[part].dataPosition <= chunk.dataPosition) continue;
    next = NextLeafOfStream(reader, FirstChild(reader, moviLists_[part]), key);
  }
  return next;
}

// Fixed-size sound: the cursor goes straight to the chunk holding the
// position, in any part. False when the position lies past the index.
bool AviFile::PlaceCursorByTable(int32_t position, StreamInfo* stream) {
  const OdmlIndex* index = stream->odmlIndex;
  const uint64_t byte = static_cast<uint64_t>(position) * static_cast<uint32_t>(stream->sampleSize);
  const int32_t n = index->ChunkHoldingByte(byte);
  if (n < 0) return false;
  stream->cursorChunk = TableChunk(*stream, n);
  stream->cursorSample = n;
  stream->cursorPosition = position;
  stream->cursorOffset = static_cast<int64_t>(byte - index->At(n).streamOffset);
  return true;
}

// The nearest keyframe at or before (-1) or at or after (+1) the frame, by
// the index's flags; 0 when there is none.
int32_t AviFile::TableKeyframeSearch(int32_t frame, int32_t direction) {
  const OdmlIndex* index = videoStream_->odmlIndex;
  if (frame < 0 || frame >= index->Count()) return 0;
  return std::max(index->NearestKeyframe(frame, direction), 0);
}
