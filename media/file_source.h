// Where the cached reader's bytes come from: a file opened by path (the
// player) or bytes already in memory (the fuzzer). A source keeps its own read
// position, as a file handle does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class FileSource {
 public:
  virtual ~FileSource() = default;

  virtual uint64_t Size() const = 0;
  // Moves the read position; false when it cannot be placed there.
  virtual bool Seek(uint64_t position) = 0;
  // Reads up to length bytes at the read position and moves past them; got is
  // what was read (short at the end). False on a failed read.
  virtual bool Read(void* destination, uint32_t length, uint32_t* got) = 0;
  // Reads cost no waiting: the reader loads its blocks on the reading thread
  // and starts no read-ahead thread.
  virtual bool InMemory() const = 0;
};

// The file at path, read-only and shared for reading; null when it cannot be
// opened or its size read.
std::unique_ptr<FileSource> OpenFileSource(const char* path);

// A view of size bytes at data, which must outlive the source.
std::unique_ptr<FileSource> MemoryFileSource(const uint8_t* data, size_t size);
