// One stream's OpenDML (AVI 2.0) index: its "indx" super index and the "ix##"
// standard indexes it points at, flattened into one table of the stream's
// chunks in stream order. Any chunk is found at once, keyframes by stepping
// through the table, and fixed-size sound by its byte offset in the stream.
//
// The index is outside input: every count is bounded by the chunk that holds
// it, every chunk it names must lie inside the file, after the one before
// it, and the whole table by the file's size; the first and last chunk of
// each standard index must carry the stream's id and the entry's size in
// their headers. Anything else makes Load fail, so that the caller falls
// back to idx1 or to walking "movi".
#pragma once

#include "media/chunk_ref.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CachedFileReader;

// One chunk of the stream.
struct IndexedChunk {
  uint64_t dataPosition = 0;  // the first data byte (past the chunk's header)
  uint64_t streamOffset = 0;  // the stream's bytes in the chunks before this one
  uint32_t size = 0;
  bool keyframe = true;
};

class OdmlIndex {
 public:
  // Reads the table from the stream's "indx" chunk; every chunk id must carry
  // the stream key. False, with an empty table, when anything is missing,
  // damaged or outside the file.
  bool Load(CachedFileReader* reader, const ChunkRef& indx, uint32_t streamKey);
  void Clear();

  bool Empty() const { return chunks_.empty(); }
  int32_t Count() const { return static_cast<int32_t>(chunks_.size()); }
  const IndexedChunk& At(int32_t n) const { return chunks_[static_cast<size_t>(n)]; }
  uint64_t TotalBytes() const;
  uint32_t LargestChunk() const { return largest_; }

  // The chunk that holds byte b of the stream (empty chunks hold nothing);
  // -1 when b is past the stream's end.
  int32_t ChunkHoldingByte(uint64_t b) const;
  // The nearest keyframe at or before (direction -1) or at or after (+1)
  // chunk n; -1 when there is none.
  int32_t NearestKeyframe(int32_t n, int32_t direction) const;

 private:
  bool LoadSuperIndex(CachedFileReader* reader, const ChunkRef& indx, uint32_t streamKey);
  bool LoadStandardIndex(CachedFileReader* reader, const ChunkRef& ix, uint32_t streamKey);
  bool AddEntries(const std::vector<uint32_t>& longs, uint32_t longsPerEntry, uint64_t base,
                  uint64_t fileSize);

  std::vector<IndexedChunk> chunks_;
  uint32_t largest_ = 0;
};
