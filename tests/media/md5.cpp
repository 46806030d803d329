#include "tests/media/md5.h"

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <wincrypt.h>
#else
extern "C" {
#include <libavutil/md5.h>
}
#endif

namespace {

bool Digest(const void* data, size_t size, uint8_t digest[16]) {
#ifdef _WIN32
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  DWORD length = 16;
  const bool done =
      CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
      CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
      CryptHashData(hash, static_cast<const BYTE*>(data), static_cast<DWORD>(size), 0) &&
      CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
  if (hash != 0) CryptDestroyHash(hash);
  if (provider != 0) CryptReleaseContext(provider, 0);
  return done;
#else
  av_md5_sum(digest, static_cast<const uint8_t*>(data), size);
  return true;
#endif
}

}  // namespace

std::string Md5Of(const void* data, size_t size) {
  uint8_t digest[16] = {};
  if (!Digest(data, size, digest)) return "";
  char text[33];
  for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return text;
}
