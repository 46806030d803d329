// The file source over bytes in memory: the fuzzer reads its input through it
// without writing a file.
#include "media/file_source.h"

#include <cstring>
#include <new>

namespace {

class MemorySource final : public FileSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint64_t Size() const override { return size_; }

  // Like a file, the position may stand past the end; reads there get nothing.
  bool Seek(uint64_t position) override {
    if (position > static_cast<uint64_t>(INT64_MAX)) return false;
    position_ = position;
    return true;
  }

  bool Read(void* destination, uint32_t length, uint32_t* got) override {
    const uint64_t left = position_ < size_ ? size_ - position_ : 0;
    *got = static_cast<uint32_t>(left < length ? left : length);
    if (*got > 0) std::memcpy(destination, data_ + position_, *got);
    position_ += *got;
    return true;
  }

  bool InMemory() const override { return true; }

 private:
  const uint8_t* data_;
  uint64_t size_;
  uint64_t position_ = 0;
};

}  // namespace

std::unique_ptr<FileSource> MemoryFileSource(const uint8_t* data, size_t size) {
  return std::unique_ptr<FileSource>(new (std::nothrow) MemorySource(data, size));
}
