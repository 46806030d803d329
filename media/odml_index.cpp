#include "media/odml_index.h"

#include "media/avi_headers.h"
#include "media/cached_file_reader.h"
#include "media/chunk_walk.h"
#include "media/fourcc.h"
#include "media/stream_info.h"

#include <algorithm>
#include <new>

namespace {

uint64_t Join(uint32_t low, uint32_t high) { return static_cast<uint64_t>(high) << 32 | low; }

// The header every index chunk starts with, and its entry count checked
// against the room the chunk has for entries of that many longs.
bool ReadIndexHeader(CachedFileReader* reader, const ChunkRef& chunk, uint32_t streamKey,
                     uint8_t type, AviIndexHeader* header) {
  if (chunk.IsNull() || chunk.kind != kFourccData || chunk.size < sizeof(AviIndexHeader) ||
      chunk.dataPosition + chunk.size > reader->FileSize()) {
    return false;
  }
  if (!ReadChunkData(reader, chunk, 0, sizeof(AviIndexHeader), header)) return false;
  if (header->bIndexType != type || header->wLongsPerEntry < 2) return false;
  if (StreamKey(header->dwChunkId) != streamKey) return false;
  const uint64_t room = (chunk.size - sizeof(AviIndexHeader)) / (4ull * header->wLongsPerEntry);
  return header->nEntriesInUse <= room;
}

// The entries that follow the header, as 32-bit words.
bool ReadLongs(CachedFileReader* reader, const ChunkRef& chunk, const AviIndexHeader& header,
               std::vector<uint32_t>* longs) {
  const uint64_t count = static_cast<uint64_t>(header.nEntriesInUse) * header.wLongsPerEntry;
  if (count == 0) {
    longs->clear();
    return true;
  }
  // Bounded by the chunk's size, which the read below bounds by the file's.
  if (count * 4 > chunk.size) return false;
  longs->resize(static_cast<size_t>(count));
  return ReadChunkData(reader, chunk, sizeof(AviIndexHeader), static_cast<uint32_t>(count * 4),
                       longs->data());
}

// The chunk header in front of an entry's data carries the stream's id and
// the entry's size: an index whose offsets count from the wrong base, or that
// is no standard index at all, fails this at its first or last entry.
bool HeaderMatches(CachedFileReader* reader, const IndexedChunk& entry, uint32_t streamKey) {
  uint32_t header[2];
  return entry.dataPosition >= sizeof header &&
         reader->Read(header, entry.dataPosition - sizeof header, sizeof header) &&
         StreamKey(header[0]) == streamKey && header[1] == entry.size;
}

}  // namespace

bool OdmlIndex::Load(CachedFileReader* reader, const ChunkRef& indx, uint32_t streamKey) {
  Clear();
  AviIndexHeader header;
  bool loaded = false;
  // Sizes are bounded by the file's, but a file may still name more entries
  // than memory holds: that is a failed load, not an exception.
  try {
    if (ReadIndexHeader(reader, indx, streamKey, AVI_INDEX_OF_INDEXES, &header)) {
      loaded = LoadSuperIndex(reader, indx, streamKey);
    } else {
      // A few writers put the stream's one standard index in "indx" itself.
      loaded = LoadStandardIndex(reader, indx, streamKey);
    }
  } catch (const std::bad_alloc&) {
    loaded = false;
  }
  if (!loaded || chunks_.empty()) {
    Clear();
    return false;
  }
  return true;
}

void OdmlIndex::Clear() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  largest_ = 0;
}

bool OdmlIndex::LoadSuperIndex(CachedFileReader* reader, const ChunkRef& indx,
                               uint32_t streamKey) {
  AviIndexHeader header;
  std::vector<uint32_t> longs;
  if (!ReadIndexHeader(reader, indx, streamKey, AVI_INDEX_OF_INDEXES, &header) ||
      header.wLongsPerEntry != sizeof(AviSuperIndexEntry) / 4 ||
      !ReadLongs(reader, indx, header, &longs)) {
    return false;
  }
  for (size_t at = 0; at + 4 <= longs.size(); at += 4) {
    const uint64_t position = Join(longs[at], longs[at + 1]);
    if (position >= reader->FileSize()) return false;
    // The position names the "ix##" chunk's header.
    if (!LoadStandardIndex(reader, HeaderAt(reader, position), streamKey)) return false;
  }
  return true;
}

bool OdmlIndex::LoadStandardIndex(CachedFileReader* reader, const ChunkRef& ix,
                                  uint32_t streamKey) {
  AviIndexHeader header;
  std::vector<uint32_t> longs;
  if (!ReadIndexHeader(reader, ix, streamKey, AVI_INDEX_OF_CHUNKS, &header) ||
      !ReadLongs(reader, ix, header, &longs)) {
    return false;
  }
  const size_t first = chunks_.size();
  if (!AddEntries(longs, header.wLongsPerEntry,
                  Join(header.qwBaseOffsetLow, header.qwBaseOffsetHigh), reader->FileSize())) {
    return false;
  }
  // Two header reads for each standard index (one per part, as a rule).
  return chunks_.size() == first || (HeaderMatches(reader, chunks_[first], streamKey) &&
                                     HeaderMatches(reader, chunks_.back(), streamKey));
}

// Entries are an offset from the base to the chunk's data and its size with
// the delta-frame bit; a field index has a third word (the second field),
// which the chunk lookup does not need.
bool OdmlIndex::AddEntries(const std::vector<uint32_t>& longs, uint32_t longsPerEntry,
                           uint64_t base, uint64_t fileSize) {
  const size_t count = longs.size() / longsPerEntry;
  // Every chunk takes at least its 8-byte header in the file: a table with
  // more entries than that names some twice, and could exhaust memory.
  if (base > fileSize || chunks_.size() + count > fileSize / 8) return false;
  chunks_.reserve(chunks_.size() + count);
  uint64_t streamOffset = TotalBytes();
  for (size_t i = 0; i < count; ++i) {
    IndexedChunk chunk;
    const uint32_t sizeField = longs[i * longsPerEntry + 1];
    chunk.size = sizeField & ~AVISTDINDEX_DELTAFRAME;
    chunk.keyframe = (sizeField & AVISTDINDEX_DELTAFRAME) == 0;
    chunk.dataPosition = base + longs[i * longsPerEntry];
    if (chunk.dataPosition + chunk.size > fileSize) return false;
    // A stream's chunks follow each other through the file: an index out of
    // that order (or naming a standard index twice) is damaged.
    if (!chunks_.empty() && chunk.dataPosition <= chunks_.back().dataPosition) return false;
    chunk.streamOffset = streamOffset;
    streamOffset += chunk.size;
    largest_ = std::max(largest_, chunk.size);
    chunks_.push_back(chunk);
  }
  return true;
}

uint64_t OdmlIndex::TotalBytes() const {
  return chunks_.empty() ? 0 : chunks_.back().streamOffset + chunks_.back().size;
}

int32_t OdmlIndex::ChunkHoldingByte(uint64_t b) const {
  if (b >= TotalBytes()) return -1;
  // The last chunk starting at or before b; an empty chunk never is, as the
  // chunk after it starts at the same byte.
  const auto after = std::upper_bound(
      chunks_.begin(), chunks_.end(), b,
      [](uint64_t byte, const IndexedChunk& chunk) { return byte < chunk.streamOffset; });
  return static_cast<int32_t>(after - chunks_.begin()) - 1;
}

int32_t OdmlIndex::NearestKeyframe(int32_t n, int32_t direction) const {
  for (int64_t i = n; i >= 0 && i < Count(); i += direction) {
    if (chunks_[static_cast<size_t>(i)].keyframe) return static_cast<int32_t>(i);
  }
  return -1;
}
