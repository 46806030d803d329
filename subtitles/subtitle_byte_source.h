// The raw bytes of a subtitle file, from an open file (read in chunks) or
// from memory, readable from the start more than once: once to tell the
// file's encoding, once to read it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

class SubtitleByteSource {
 public:
  // Reads from an open file (not owned), from its start.
  explicit SubtitleByteSource(std::FILE* file);
  // Reads from memory (not copied; it must outlive the source).
  SubtitleByteSource(const char* data, size_t size);
  SubtitleByteSource(const SubtitleByteSource&) = delete;
  SubtitleByteSource& operator=(const SubtitleByteSource&) = delete;

  // The next byte (0 .. 255), or EOF at the end.
  int Get() {
    if (position_ == size_ && !Fill()) return EOF;
    return static_cast<unsigned char>(data_[position_++]);
  }
  // Back to the first byte.
  void Rewind();

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> storage_;
  const char* data_ = nullptr;
  size_t size_ = 0;
  size_t position_ = 0;
};
