// Walking the RIFF tree of a file through its reader. Every operation given a
// null reference returns a null reference or false, and a header that cannot
// be read ends the walk there (null) rather than failing: a file cut off in
// its "movi" list is walked as far as it goes. Positions only ever grow, so
// every walk ends, whatever sizes the file claims. Positions stay below the
// reader's ceiling: 4 GiB for AVI 1.0 files, none in large-file mode.
#pragma once

#include "media/chunk_ref.h"

#include <cstdint>

class CachedFileReader;

// The chunk whose header starts at the position (limit 0).
ChunkRef HeaderAt(CachedFileReader* reader, uint64_t position);

// The first chunk inside a list, limited by the list's end. It is not itself
// tested against that limit.
ChunkRef FirstChild(CachedFileReader* reader, const ChunkRef& parent);

// The chunk after this one within the same list; null if it would reach past
// the list's end.
ChunkRef NextSibling(CachedFileReader* reader, const ChunkRef& chunk);

// The chunk itself or the first following sibling with this id and kind.
ChunkRef FindSibling(CachedFileReader* reader, ChunkRef chunk, uint32_t id, uint32_t kind);
ChunkRef FindChild(CachedFileReader* reader, const ChunkRef& parent, uint32_t id, uint32_t kind);

// Descends through lists to the first plain chunk, keeping the limit of the
// chunk where the descent began: the chunks inside "rec " lists carry the
// limit of "movi", so that walking on from the last of them steps into the
// next "rec " list.
ChunkRef FirstLeaf(CachedFileReader* reader, ChunkRef chunk);

// From this chunk on (descending into lists), the first plain chunk whose
// stream key is key.
ChunkRef NextLeafOfStream(CachedFileReader* reader, const ChunkRef& chunk, uint32_t key);

// Reads length bytes of the chunk's data from the offset; a length of 0 reads
// the rest of the chunk. False for the null reference, for a range past the
// chunk's size and for a failed read.
bool ReadChunkData(CachedFileReader* reader, const ChunkRef& chunk, uint32_t offset,
                   uint32_t length, void* destination);
