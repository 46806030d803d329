#include "media/stream_info.h"

#include "media/fourcc.h"

uint32_t StreamKey(uint32_t chunkId) {
  const char first = static_cast<char>(chunkId & 0xFF);
  const char second = static_cast<char>((chunkId >> 8) & 0xFF);
  if (first != '0' || second < '0' || second > '9') return chunkId;
  // A palette change is no sample of its stream: it keeps its own id.
  if ((chunkId >> 16) == (MakeFourcc(0, 0, 'p', 'c') >> 16)) return chunkId;
  return MakeFourcc(first, second, 'c', 's');
}

uint32_t StreamKeyOfNumber(int32_t number) {
  return MakeFourcc('0', static_cast<char>('0' + number), 'c', 's');
}
