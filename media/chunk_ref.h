// A reference to one chunk of a RIFF file, passed and returned by value.
#pragma once

#include <cstdint>

struct ChunkRef {
  // The chunk's FOURCC; for a "RIFF" or "LIST" chunk its form or list type.
  uint32_t id = 0;
  // The data size; for a "RIFF" or "LIST" chunk without the 4-byte type.
  uint32_t size = 0;
  // The first data byte; for a "RIFF" or "LIST" chunk the byte after the type.
  // 64-bit for OpenDML files; AVI 1.0 files keep it below 4 GiB.
  uint64_t dataPosition = 0;
  // The end of the enclosing list: the chunk and its siblings stay before it.
  uint64_t limit = 0;
  // "RIFF", "LIST" or "DATA"; 0 is the null reference, which stands for no
  // chunk at all.
  uint32_t kind = 0;

  bool IsNull() const { return kind == 0; }
};

// The size rounded up to an even number: chunks are followed by a pad byte
// when their size is odd. 64 bits, so that a lying size cannot wrap.
inline uint64_t PaddedSize(uint32_t size) { return (static_cast<uint64_t>(size) + 1) & ~1ull; }
