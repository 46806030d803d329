#include "tests/media/md5.h"

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <wincrypt.h>

struct Md5::State {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  State() {
    CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    CryptCreateHash(provider, CALG_MD5, 0, 0, &hash);
  }
  ~State() {
    CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
  }
  void Add(const void* data, size_t size) {
    CryptHashData(hash, static_cast<const BYTE*>(data), static_cast<DWORD>(size), 0);
  }
  void Finish(uint8_t digest[16]) {
    DWORD length = 16;
    CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
  }
};
#else
extern "C" {
#include <libavutil/md5.h>
#include <libavutil/mem.h>
}

struct Md5::State {
  AVMD5* context = av_md5_alloc();
  State() { av_md5_init(context); }
  ~State() { av_free(context); }
  void Add(const void* data, size_t size) {
    av_md5_update(context, static_cast<const uint8_t*>(data), size);
  }
  void Finish(uint8_t digest[16]) { av_md5_final(context, digest); }
};
#endif

Md5::Md5() : state_(new State) {}
Md5::~Md5() = default;

void Md5::Add(const void* data, size_t size) { state_->Add(data, size); }

std::string Md5::HexDigest() {
  uint8_t digest[16] = {};
  state_->Finish(digest);
  char text[33];
  for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return text;
}

std::string Md5::Of(const void* data, size_t size) {
  Md5 md5;
  md5.Add(data, size);
  return md5.HexDigest();
}
