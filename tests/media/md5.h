// MD5 (RFC 1321), to compare what the reader returns with the packet
// checksums that ffprobe writes beside each generated clip.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Md5 {
 public:
  Md5();
  void Add(const void* data, size_t size);
  // The digest as 32 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

  static std::string Of(const void* data, size_t size);

 private:
  void Block(const uint8_t* block);

  uint32_t state_[4];
  uint64_t length_ = 0;  // bytes added
  uint8_t pending_[64];
  size_t pendingSize_ = 0;
};
