// Sound decompressors of the tests' own, registered in this process and in
// the filter mapper of the test prefix while they live: each takes sound in a
// format of the tests' own (whose data is plain 16-bit PCM) and gives the
// same data as PCM or as another such format, so that two can be chained. It
// delivers as it is told, and may offer property pages.
#pragma once

#include "decode/com_ptr.h"
#include "decode/direct_show.h"

#include <thread>
#include <vector>

// Format tags of the tests' own.
constexpr uint16_t kTestSoundTag = 0x7E57;
constexpr uint16_t kTestSoundTag2 = 0x7E58;

enum class SoundDelivery {
  kAtOnce,   // each sample's sound before Receive returns
  kNever,    // swallows every sample
  kOneLate,  // each sample's sound when the next one arrives
};

struct TestSoundDecoderKind {
  TestSoundDecoderKind(const wchar_t* name, const CLSID& clsid, DWORD merit,
                       SoundDelivery delivery = SoundDelivery::kAtOnce)
      : name(name), clsid(clsid), merit(merit), delivery(delivery) {}

  const wchar_t* name;  // a fixed string
  CLSID clsid;
  DWORD merit;
  SoundDelivery delivery;
  uint16_t inputTag = kTestSoundTag;
  uint16_t outputTag = WAVE_FORMAT_PCM;
  std::vector<CLSID> pages;  // offered through ISpecifyPropertyPages when any
};

// The object is the class object of its filters, registered in the
// creating thread's apartment and in the multi-threaded one, where the
// graph makes the filters it inserts itself.
class TestSoundDecoder : public IClassFactory {
 public:
  explicit TestSoundDecoder(TestSoundDecoderKind kind);
  virtual ~TestSoundDecoder();
  bool Registered() const { return registered_; }

  // The class object lives as long as its registration: its count is not kept.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  TestSoundDecoderKind kind_;
  ComPtr<IFilterMapper2> mapper_;
  DWORD cookie_ = 0;
  bool registered_ = false;
  HANDLE served_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE revoke_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  std::thread server_;
};

// The page lists GetPages handed out (task memory the caller frees), in order.
std::vector<void*>& PageListsHandedOut();
