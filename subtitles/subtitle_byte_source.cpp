#include "subtitles/subtitle_byte_source.h"

namespace {
constexpr size_t kChunk = 16384;
}

SubtitleByteSource::SubtitleByteSource(std::FILE* file)
    : file_(file), storage_(new char[kChunk]), data_(storage_.get()) {
  Rewind();
}

SubtitleByteSource::SubtitleByteSource(const char* data, size_t size) : data_(data), size_(size) {}

void SubtitleByteSource::Rewind() {
  position_ = 0;
  if (file_ == nullptr) return;
  size_ = 0;
  std::clearerr(file_);
  std::fseek(file_, 0, SEEK_SET);
}

bool SubtitleByteSource::Fill() {
  if (file_ == nullptr) return false;
  size_ = std::fread(storage_.get(), 1, kChunk, file_);
  position_ = 0;
  return size_ > 0;
}
