// The palette changes of a palettized video stream: each "##pc" chunk of the
// stream holds from the next frame on, so the frame of a change is the
// number of the stream's frames before it in the file.
#include "media/avi_file.h"

#include "media/avi_headers.h"
#include "media/cached_file_reader.h"
#include "media/chunk_walk.h"
#include "media/fourcc.h"
#include "media/stream_info.h"

#include <algorithm>

namespace {

uint32_t PaletteChangeId(uint32_t streamKey) { return (streamKey & 0xFFFF) | (MakeFourcc(0, 0, 'p', 'c')); }

}  // namespace

std::vector<PaletteChangeRef> AviFile::FindPaletteChanges(size_t most) {
  std::vector<PaletteChangeRef> changes;
  const uint32_t key = videoStream_->streamKey;
  const uint32_t id = PaletteChangeId(key);
  int32_t frame = 0;
  if (indexTable_ != nullptr) {
    for (int32_t e = 0; e < indexEntryCount_ && changes.size() < most; ++e) {
      const AviIndexEntry& entry = indexTable_[e];
      if (StreamKey(entry.ckid) == key) ++frame;
      if (entry.ckid != id) continue;
      PaletteChangeRef change;
      change.frame = frame;
      change.chunk.id = id;
      change.chunk.size = entry.dwChunkLength;
      change.chunk.dataPosition = static_cast<uint32_t>(entry.dwChunkOffset + indexBase_);
      change.chunk.limit = movi_.limit;
      change.chunk.kind = kFourccData;
      changes.push_back(change);
    }
    return changes;
  }
  if ((videoStream_->header.dwFlags & AVISF_VIDEO_PALCHANGES) == 0) return changes;
  CachedFileReader* reader = reader_.get();
  for (ChunkRef leaf = FirstLeaf(reader, firstMoviChunk_); !leaf.IsNull() && changes.size() < most;
       leaf = FirstLeaf(reader, NextSibling(reader, leaf))) {
    if (StreamKey(leaf.id) == key) ++frame;
    if (leaf.id == id) changes.push_back({frame, leaf});
  }
  return changes;
}

uint32_t AviFile::ReadChunk(const ChunkRef& chunk, void* destination, uint32_t length) {
  const uint32_t count = std::min(length, chunk.size);
  return count > 0 && ReadChunkData(reader_.get(), chunk, 0, count, destination) ? count : 0;
}
