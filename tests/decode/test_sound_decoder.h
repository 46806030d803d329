// A sound "decompressor" of the tests' own, for a format of their own
// (tag kTestSoundTag, whose data is plain 16-bit PCM): it passes the sound
// through to 16-bit PCM in one of several ways, well or badly, so that the
// decoder's handling of misbehaving decompressors can be shown under Wine.
// While a TestSoundDecoder object lives, the filter is registered in this
// process (its class object and its filter-mapper entry, with the merit given).
#pragma once

#include "decode/direct_show.h"

#include <cstdint>
#include <string>

constexpr uint16_t kTestSoundTag = 0x7E57;

enum class SoundDelivery {
  kAtOnce,     // each sample's sound before Receive returns
  kNever,      // swallows every sample
  kOneLate,    // each sample's sound when the next one arrives
  kOwnThread,  // from a thread of its own, after Receive has returned
};

class TestSoundDecoder {
 public:
  TestSoundDecoder(SoundDelivery delivery, const std::wstring& name, const CLSID& clsid, DWORD merit);
  ~TestSoundDecoder();
  TestSoundDecoder(const TestSoundDecoder&) = delete;
  TestSoundDecoder& operator=(const TestSoundDecoder&) = delete;

  bool Registered() const { return registered_; }

 private:
  CLSID clsid_;
  IClassFactory* factory_ = nullptr;
  DWORD cookie_ = 0;
  bool registered_ = false;
};
