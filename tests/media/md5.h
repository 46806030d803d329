// MD5 digests, to compare what the reader returns with the packet checksums
// that ffprobe writes beside each generated clip. The digest itself comes
// from vetted code: ffmpeg's libavutil natively, the CryptoAPI on Windows
// (any slip in the hex text would fail every comparison with ffprobe).
#pragma once

#include <cstddef>
#include <string>

// The digest as 32 lower-case hex digits.
std::string Md5Of(const void* data, size_t size);
