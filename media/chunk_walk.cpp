#include "media/chunk_walk.h"

#include "media/cached_file_reader.h"
#include "media/fourcc.h"
#include "media/stream_info.h"

#include <algorithm>

namespace {

// The end of the chunk's data and pad byte.
uint64_t EndOf(const ChunkRef& chunk) { return chunk.dataPosition + PaddedSize(chunk.size); }

}  // namespace

ChunkRef HeaderAt(CachedFileReader* reader, uint64_t position) {
  uint32_t header[2];
  if (!reader->Read(header, position, sizeof header)) return ChunkRef();
  ChunkRef chunk;
  if (header[0] == kFourccRiff || header[0] == kFourccList) {
    uint32_t type;
    if (position > reader->PositionCeiling() - 12) return ChunkRef();
    if (!reader->Read(&type, position + 8, sizeof type)) return ChunkRef();
    chunk.id = type;
    // A list too short for its own type is taken as empty.
    chunk.size = header[1] >= 4 ? header[1] - 4 : 0;
    chunk.dataPosition = position + 12;
    chunk.kind = header[0];
  } else {
    chunk.id = header[0];
    chunk.size = header[1];
    chunk.dataPosition = position + 8;
    chunk.kind = kFourccData;
  }
  return chunk;
}

ChunkRef FirstChild(CachedFileReader* reader, const ChunkRef& parent) {
  if (parent.IsNull()) return ChunkRef();
  ChunkRef child = HeaderAt(reader, parent.dataPosition);
  if (!child.IsNull()) child.limit = std::min(EndOf(parent), reader->PositionCeiling());
  return child;
}

ChunkRef NextSibling(CachedFileReader* reader, const ChunkRef& chunk) {
  if (chunk.IsNull()) return ChunkRef();
  const uint64_t next = EndOf(chunk);
  // A sibling that starts this late cannot end before the limit.
  if (next + 8 > chunk.limit) return ChunkRef();
  ChunkRef sibling = HeaderAt(reader, next);
  if (sibling.IsNull() || EndOf(sibling) > chunk.limit) return ChunkRef();
  sibling.limit = chunk.limit;
  return sibling;
}

ChunkRef FindSibling(CachedFileReader* reader, ChunkRef chunk, uint32_t id, uint32_t kind) {
  while (!chunk.IsNull() && !(chunk.id == id && chunk.kind == kind)) {
    chunk = NextSibling(reader, chunk);
  }
  return chunk;
}

ChunkRef FindChild(CachedFileReader* reader, const ChunkRef& parent, uint32_t id, uint32_t kind) {
  return FindSibling(reader, FirstChild(reader, parent), id, kind);
}

ChunkRef FirstLeaf(CachedFileReader* reader, ChunkRef chunk) {
  const uint64_t limit = chunk.limit;
  while (!chunk.IsNull() && chunk.kind != kFourccData) chunk = FirstChild(reader, chunk);
  if (!chunk.IsNull()) chunk.limit = limit;
  return chunk;
}

ChunkRef NextLeafOfStream(CachedFileReader* reader, const ChunkRef& chunk, uint32_t key) {
  ChunkRef leaf = FirstLeaf(reader, chunk);
  while (!leaf.IsNull()) {
    if (StreamKey(leaf.id) == key && leaf.kind == kFourccData) return leaf;
    leaf = FirstLeaf(reader, NextSibling(reader, leaf));
  }
  return leaf;
}

bool ReadChunkData(CachedFileReader* reader, const ChunkRef& chunk, uint32_t offset,
                   uint32_t length, void* destination) {
  if (chunk.IsNull() || offset > chunk.size) return false;
  if (length == 0) length = chunk.size - offset;
  if (static_cast<uint64_t>(offset) + length > chunk.size) return false;
  const uint64_t position = chunk.dataPosition + offset;
  if (position > reader->PositionCeiling()) return false;
  return reader->Read(destination, position, length);
}
