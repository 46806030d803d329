// What the parser keeps for each selected stream: its header and the cursors
// through which its chunks are found and read.
#pragma once

#include "media/avi_headers.h"
#include "media/chunk_ref.h"

#include <cstdint>

class CachedFileReader;
class OdmlIndex;

struct StreamInfo {
  // The "strh" data; the bytes past the chunk's size are zero.
  AviStreamHeader header = {};
  CachedFileReader* reader = nullptr;
  // "0", the stream's digit, "cs": what every chunk id of the stream maps to.
  uint32_t streamKey = 0;
  // The sum of the stream's chunk sizes in the index; 0 without an index.
  uint32_t totalBytes = 0;
  // The cursor: a chunk of the stream and its number within the stream (-2
  // when none), where walking without an index starts.
  int32_t cursorSample = -2;
  ChunkRef cursorChunk;
  // Fixed-size reading: the byte offset inside the cursor chunk of the
  // position at which the last read began (-2 when none).
  int64_t cursorOffset = 0;
  int32_t cursorPosition = -2;
  int32_t sampleSize = 0;
  // The idx1 entry where the last lookup stopped (-1 when none) and the
  // number, within the stream, of the chunk that it stands for.
  int32_t indexPosition = -1;
  int32_t indexSample = 0;
  // The stream's OpenDML index when it is read through one (owned by the
  // AviFile); it then takes the place of idx1.
  const OdmlIndex* odmlIndex = nullptr;
};

// The stream key of a chunk id: "0" and a digit followed by anything but
// "pc" become "0", the digit, "cs" (00dc, 00db -> 00cs; 01wb -> 01cs); any
// other id is its own key, palette changes (00pc) among them, which are no
// samples of their stream. Only streams 0 to 9 can be told apart.
uint32_t StreamKey(uint32_t chunkId);

// The key of stream number n ("0", '0' + n, "cs").
uint32_t StreamKeyOfNumber(int32_t number);
