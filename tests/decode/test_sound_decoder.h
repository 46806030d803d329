// A sound "decompressor" of the tests' own, for a format of their own
// (tag kTestSoundTag, whose data is plain 16-bit PCM): it passes the sound
// through to 16-bit PCM in one of several ways, well or badly, so that the
// decoder's handling of misbehaving decompressors can be shown under Wine.
// (One that delivers on a thread of its own is Wine's GStreamer MP3 decoder,
// met by the decoding tests' MP3 clips.)
// While a TestSoundDecoder object lives, the filter is registered in this
// process (the object is its class object; its filter-mapper entry has the
// merit given).
#pragma once

#include "decode/direct_show.h"

#include <cstdint>
#include <string>

constexpr uint16_t kTestSoundTag = 0x7E57;

enum class SoundDelivery {
  kAtOnce,     // each sample's sound before Receive returns
  kNever,      // swallows every sample
  kOneLate,    // each sample's sound when the next one arrives
};

class TestSoundDecoder : public IClassFactory {
 public:
  TestSoundDecoder(SoundDelivery delivery, const std::wstring& name, const CLSID& clsid, DWORD merit);
  virtual ~TestSoundDecoder();
  TestSoundDecoder(const TestSoundDecoder&) = delete;
  TestSoundDecoder& operator=(const TestSoundDecoder&) = delete;

  bool Registered() const { return registered_; }

  // The class object lives as long as its registration: its count is not kept.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  SoundDelivery delivery_;
  CLSID clsid_;
  DWORD cookie_ = 0;
  bool registered_ = false;
};
