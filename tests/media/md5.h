// MD5 digests, to compare what the reader returns with the packet checksums
// that ffprobe writes beside each generated clip. The digest itself comes
// from vetted code: ffmpeg's libavutil natively, the CryptoAPI on Windows.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class Md5 {
 public:
  Md5();
  ~Md5();
  void Add(const void* data, size_t size);
  // The digest as 32 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

  static std::string Of(const void* data, size_t size);

 private:
  struct State;
  std::unique_ptr<State> state_;
};
