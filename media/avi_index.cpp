// The idx1 index and the sample lookup of an open AviFile: with the table any
// chunk of a stream is found by counting its entries; without it chunks are
// found by walking "movi" forward from the stream's cursor.
#include "media/avi_file.h"

#include "media/avi_headers.h"
#include "media/cached_file_reader.h"
#include "media/chunk_walk.h"
#include "media/fourcc.h"
#include "media/odml_index.h"
#include "media/stream_info.h"

#include <algorithm>
#include <new>

namespace {

// Without an index a chunk is found only this many chunks ahead of the cursor.
constexpr int64_t kLongestWalk = 300;
// Fixed-size reading steps on from its cursor only within this many bytes.
constexpr int64_t kLongestCursorStep = 500000;
// What a stream without an index that names no sensible buffer gets.
constexpr uint32_t kSmallestSuggestedBuffer = 1024;
constexpr uint32_t kDefaultSuggestedBuffer = 65536;

}  // namespace

bool AviFile::LoadIndex() {
  // The table is read in one piece straight from the file, past the cache.
  reader_->SetDirectMode(true);
  if (indexTable_ == nullptr) {
    const ChunkRef idx1 = FindChild(reader_.get(), riff_, kFourccIdx1, kFourccData);
    const uint32_t count = idx1.IsNull() ? 0 : idx1.size / sizeof(AviIndexEntry);
    const uint32_t bytes = count * static_cast<uint32_t>(sizeof(AviIndexEntry));
    // A table reaching past the end of the file cannot be read: do not
    // allocate for it.
    if (count > 0 && count <= 0x7FFFFFFF &&
        static_cast<uint64_t>(idx1.dataPosition) + bytes <= reader_->FileSize()) {
      std::unique_ptr<AviIndexEntry[]> table(new (std::nothrow) AviIndexEntry[count]);
      if (table != nullptr && ReadChunkData(reader_.get(), idx1, 0, bytes, table.get())) {
        indexTable_ = std::move(table);
        indexEntryCount_ = static_cast<int32_t>(count);
        CorrectIndexBase();
        if (!IndexPointsAtItsChunks()) DropIndex();
      }
    }
  }
  reader_->SetDirectMode(false);
  return indexTable_ != nullptr;
}

// Tables whose offsets count from the start of the file rather than from
// "movi" are told apart by the first video chunk among the top-level chunks
// of "movi": its data position fixes the base for every entry.
void AviFile::CorrectIndexBase() {
  const uint32_t key = videoStream_->streamKey;
  ChunkRef chunk = firstMoviChunk_;
  while (!chunk.IsNull() && StreamKey(chunk.id) != key) chunk = NextSibling(reader_.get(), chunk);
  if (chunk.IsNull()) return;
  for (int32_t e = 0; e < indexEntryCount_; ++e) {
    if (StreamKey(indexTable_[e].ckid) == key) {
      indexBase_ = static_cast<uint32_t>(chunk.dataPosition) - indexTable_[e].dwChunkOffset;
      return;
    }
  }
}

void AviFile::ComputeTotals(StreamInfo* stream) {
  if (stream->odmlIndex == nullptr) ComputeIdx1Totals(stream);
  if (openDml_) ComputeOpenDmlTotals(stream);
}

void AviFile::ComputeIdx1Totals(StreamInfo* stream) {
  AviStreamHeader& header = stream->header;
  stream->totalBytes = 0;
  if (indexTable_ == nullptr) {
    if (header.dwSuggestedBufferSize < kSmallestSuggestedBuffer) {
      header.dwSuggestedBufferSize = kDefaultSuggestedBuffer;
    }
    return;
  }
  for (int32_t e = 0; e < indexEntryCount_; ++e) {
    const AviIndexEntry& entry = indexTable_[e];
    if (StreamKey(entry.ckid) != stream->streamKey) continue;
    stream->totalBytes += entry.dwChunkLength;
    header.dwSuggestedBufferSize = std::max(header.dwSuggestedBufferSize, entry.dwChunkLength);
  }
}

// The n-th chunk (from 0) of the stream with this key, counted in the table.
// A lookup of the same or a later chunk goes on from where the previous one
// stopped; an earlier chunk starts again at entry 0. The stream's index
// position and index sample always name the same chunk: a lookup that finds
// nothing leaves them as they were. A chunk past the stream's last entry is
// not found (counting does not wrap round to entry 0).
ChunkRef AviFile::IndexLookup(uint32_t key, int32_t n, StreamInfo* stream) {
  if (n < 0) return ChunkRef();
  int64_t e = stream->indexPosition;
  int64_t sample = stream->indexSample;
  if (e < 0 || e >= indexEntryCount_ || n < sample) {
    e = 0;
    sample = 0;
  }
  for (int64_t skip = n - sample; e < indexEntryCount_; ++e) {
    if (StreamKey(indexTable_[e].ckid) != key) continue;
    if (skip == 0) break;
    --skip;
  }
  if (e >= indexEntryCount_) return ChunkRef();
  stream->indexPosition = static_cast<int32_t>(e);
  stream->indexSample = n;
  ChunkRef chunk;
  chunk.id = key;
  chunk.size = indexTable_[e].dwChunkLength;
  chunk.dataPosition = static_cast<uint32_t>(indexTable_[e].dwChunkOffset + indexBase_);
  chunk.limit = movi_.limit;
  chunk.kind = kFourccData;
  return chunk;
}

// The n-th chunk of the stream: looked up in the stream's OpenDML index or
// in the idx1 table, or without one found by walking from the cursor, which
// reaches only chunk 0 and chunks at most 300 ahead of the cursor. In a file
// of several RIFF parts a chunk past the table's end is walked to as well
// (idx1 covers the first part only). The cursor itself is not moved.
ChunkRef AviFile::ChunkOfSample(uint32_t key, int32_t n, StreamInfo* stream) {
  if (stream->odmlIndex != nullptr || indexTable_ != nullptr) {
    const ChunkRef found = stream->odmlIndex != nullptr ? TableChunk(*stream, n)
                                                        : IndexLookup(key, n, stream);
    if (!found.IsNull() || !WalksPastTables()) return found;
  }
  int64_t distance = static_cast<int64_t>(n) - stream->cursorSample;
  ChunkRef chunk;
  if (distance >= 0 && distance <= kLongestWalk) chunk = stream->cursorChunk;
  if (chunk.IsNull() && n == 0) {
    chunk = FirstChunkOfStream(key);
    distance = 0;
  }
  for (int64_t step = 0; step < distance && !chunk.IsNull(); ++step) {
    chunk = NextChunkOfStream(chunk, key);
  }
  return chunk;
}

// The count and bytes given are the samples wanted and the destination's
// capacity; they come back as what was read. Nothing is read outside the
// stream's length.
void AviFile::ReadSamples(uint8_t* destination, int32_t position, int32_t* count,
                          uint32_t* bytes, StreamInfo* stream) {
  const int32_t wanted = *count;
  const uint32_t capacity = *bytes;
  *count = 0;
  *bytes = 0;
  if (position < 0 || static_cast<uint32_t>(position) >= stream->header.dwLength || wanted <= 0) {
    return;
  }
  if (stream->sampleSize > 0) {
    ReadFixedSizeSamples(destination, position, wanted, capacity, count, bytes, stream);
  } else {
    ReadVariableSizeSamples(destination, position, wanted, capacity, count, bytes, stream);
  }
}

// One chunk per sample (video, and audio without a fixed sample size). A
// chunk of size 0 is a sample of 0 bytes; a chunk that no longer fits, or
// that cannot be found or read, ends the read. When the first chunk alone is
// larger than the capacity (and lies inside the file), bytes gives its size.
void AviFile::ReadVariableSizeSamples(uint8_t* destination, int32_t position, int32_t wanted,
                                      uint32_t capacity, int32_t* count, uint32_t* bytes,
                                      StreamInfo* stream) {
  int64_t capacityLeft = capacity;
  for (int64_t n = position; wanted > 0 && capacityLeft >= 0 && n <= 0x7FFFFFFF; ++n) {
    const ChunkRef chunk = ChunkOfSample(stream->streamKey, static_cast<int32_t>(n), stream);
    if (chunk.IsNull()) return;
    capacityLeft -= chunk.size;
    --wanted;
    if (capacityLeft < 0) {
      if (*count == 0 && chunk.dataPosition + chunk.size <= reader_->FileSize()) *bytes = chunk.size;
      return;
    }
    if (chunk.size > 0 && !ReadChunkData(reader_.get(), chunk, 0, chunk.size, destination)) return;
    *bytes += chunk.size;
    *count += 1;
    stream->cursorChunk = chunk;
    stream->cursorSample = static_cast<int32_t>(n);
    destination += chunk.size;
  }
}

// Samples of s bytes packed into chunks of any size (PCM-like audio), the
// position counted in samples. The stream's cursor is kept at the chunk that
// holds the position, so that the next read steps on from there.
void AviFile::ReadFixedSizeSamples(uint8_t* destination, int32_t position, int32_t wanted,
                                   uint32_t capacity, int32_t* count, uint32_t* bytes,
                                   StreamInfo* stream) {
  const uint32_t key = stream->streamKey;
  const int64_t s = stream->sampleSize;
  // The chunks ran out before an earlier position: nothing lies further on.
  // Walking again from the first chunk would cost a whole walk per read of a
  // cut-off file's missing end.
  if (stream->cursorChunk.IsNull() && stream->cursorPosition >= 0 &&
      position >= stream->cursorPosition) {
    return;
  }
  const bool keepCursor =
      stream->cursorPosition >= 0 && stream->cursorPosition <= position &&
      (static_cast<int64_t>(position) - stream->cursorPosition) * s <= kLongestCursorStep &&
      !stream->cursorChunk.IsNull();
  if (!keepCursor && !(stream->odmlIndex != nullptr && PlaceCursorByTable(position, stream))) {
    stream->cursorPosition = 0;
    stream->cursorOffset = 0;
    stream->cursorChunk = ChunkOfSample(key, 0, stream);
    stream->cursorSample = 0;
  }
  const int64_t bytesWanted = std::min<int64_t>(static_cast<int64_t>(wanted) * s, capacity);

  stream->cursorOffset += (static_cast<int64_t>(position) - stream->cursorPosition) * s;
  while (!stream->cursorChunk.IsNull() && stream->cursorChunk.size <= stream->cursorOffset) {
    stream->cursorOffset -= stream->cursorChunk.size;
    stream->cursorChunk = ChunkOfSample(key, stream->cursorSample + 1, stream);
    stream->cursorSample += 1;
  }
  stream->cursorPosition = position;

  // Read on with a copy, so that the stream's own cursor stays put.
  StreamInfo copy = *stream;
  int64_t left = bytesWanted;
  while (!copy.cursorChunk.IsNull() && left > 0) {
    const int64_t take = std::min<int64_t>(copy.cursorChunk.size - copy.cursorOffset, left);
    if (!ReadChunkData(reader_.get(), copy.cursorChunk, static_cast<uint32_t>(copy.cursorOffset),
                       static_cast<uint32_t>(take), destination)) {
      break;
    }
    left -= take;
    destination += take;
    copy.cursorOffset = 0;
    copy.cursorChunk = ChunkOfSample(key, copy.cursorSample + 1, &copy);
    copy.cursorSample += 1;
  }
  *count = static_cast<int32_t>((bytesWanted - left) / s);
  *bytes = static_cast<uint32_t>(*count * s);
}

bool AviFile::ReadVideoFrame(void* destination, int32_t frame, uint32_t* bytes) {
  if (videoFormat_ == nullptr || bytes == nullptr) return false;
  int32_t count = 1;
  ReadSamples(static_cast<uint8_t*>(destination), frame, &count, bytes, videoStream_.get());
  return count == 1;
}

bool AviFile::ReadAudio(void* destination, int32_t position, int32_t* count, uint32_t* bytes) {
  if (audioFormat_ == nullptr || count == nullptr || bytes == nullptr) return false;
  ReadSamples(static_cast<uint8_t*>(destination), position, count, bytes, audioStream_.get());
  return *count >= 1;
}

bool AviFile::IsPastVideoData(int32_t frame) {
  if (videoFormat_ == nullptr) return true;
  const ChunkRef chunk = ChunkOfSample(videoStream_->streamKey, frame, videoStream_.get());
  return chunk.IsNull() || chunk.dataPosition >= reader_->FileSize();
}

int32_t AviFile::PreviousKeyframe(int32_t frame) { return KeyframeSearch(frame, -1); }

int32_t AviFile::NextKeyframe(int32_t frame) { return KeyframeSearch(frame, +1); }

// Steps through the table from frame's entry in the direction (-1 or +1),
// over the entries of other streams, to the first video entry flagged as a
// keyframe; frame itself when it is one. Never looks at the first or last
// entry of the table. 0 when nothing is found.
int32_t AviFile::KeyframeSearch(int32_t frame, int32_t direction) {
  StreamInfo* video = videoStream_.get();
  if (videoFormat_ == nullptr) return 0;
  if (video->sampleSize > 0) return frame;
  if (video->odmlIndex != nullptr) return TableKeyframeSearch(frame, direction);
  const int64_t length = video->header.dwLength;
  if (indexTable_ == nullptr || frame < 0 || frame > length) return 0;
  if (IndexLookup(video->streamKey, frame, video).IsNull()) return 0;
  int64_t n = frame;
  int64_t e = video->indexPosition;
  while (n > 0) {
    if (n >= length || e < 1 || e >= indexEntryCount_ - 1) break;
    const AviIndexEntry& entry = indexTable_[e];
    if (StreamKey(entry.ckid) == video->streamKey) {
      if ((entry.dwFlags & AVIIF_KEYFRAME) != 0) {
        video->indexPosition = static_cast<int32_t>(e);
        video->indexSample = static_cast<int32_t>(n);
        return static_cast<int32_t>(n);
      }
      n += direction;
    }
    e += direction;
  }
  return 0;
}
