// Sound decompressors of the tests' own that connect and then misbehave,
// registered with a higher merit than a well-behaved one for the same format:
// the graph picks the misbehaving one first, the open-time check gives it up,
// and the file plays with the sound of the next, or without sound and with the
// message when there is none. (One that delivers on a thread of its own is
// Wine's GStreamer MP3 decoder, met by the decoding tests' MP3 clips.)
#include "decode/filter_base.h"
#include "decode/filter_chain.h"
#include "decode/media_type_enumerator.h"
#include "decode/pin_base.h"
#include "decode/query_interface.h"
#include "tests/common/test_paths.h"
#include "tests/decode/clip_decoding_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A format of the tests' own, whose data is plain 16-bit PCM.
constexpr uint16_t kTestSoundTag = 0x7E57;

enum class SoundDelivery {
  kAtOnce,   // each sample's sound before Receive returns
  kNever,    // swallows every sample
  kOneLate,  // each sample's sound when the next one arrives
};

// The lock of every test filter and pin, never deleted: it outlives them all.
CRITICAL_SECTION* TestLock() {
  static CRITICAL_SECTION lock;
  static const bool initialised = (InitializeCriticalSection(&lock), true);
  return initialised ? &lock : nullptr;
}

// Either pin of the test decompressor. The input takes the test format and
// hands each sample to the output; the output offers the input's sound as
// PCM and delivers it, as its delivery says, into the pin it connected.
class SoundPin final : public PinBase<SoundPin>, public IMemInputPin {
 public:
  // An input when output is given.
  SoundPin(IBaseFilter* filter, SoundPin* output, SoundDelivery delivery)
      : PinBase(TestLock(), filter, output ? PINDIR_INPUT : PINDIR_OUTPUT, output ? L"In" : L"Out",
                output ? L"In" : L"Out"),
        output_(output),
        delivery_(delivery) {}
  ~SoundPin() {
    Disconnect();
    FreeMediaType(&pcm_);
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (output_ != nullptr && object != nullptr && IsEqualIID(iid, IID_IMemInputPin)) {
      *object = static_cast<IMemInputPin*>(this);
      AddRef();
      return S_OK;
    }
    return QueryOwnInterface(static_cast<IPin*>(this), {IID_IPin}, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return PinBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return PinBase::Release(); }

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE*) override;
  // The graph makes each connection once, in the right direction.
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override {
    if (QueryAccept(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    Accept(connector, type);
    // The output's type: the same sound as PCM.
    FreeMediaType(&output_->pcm_);
    CopyMediaType(&output_->pcm_, type);
    output_->pcm_.subtype = MEDIASUBTYPE_PCM;
    reinterpret_cast<WAVEFORMATEX*>(output_->pcm_.pbFormat)->wFormatTag = WAVE_FORMAT_PCM;
    return S_OK;
  }
  STDMETHODIMP Disconnect() override {
    if (allocator_ != nullptr) allocator_->Release();
    if (transport_ != nullptr) transport_->Release();
    allocator_ = nullptr;
    transport_ = nullptr;
    if (!IsConnected()) return S_FALSE;
    connectedPin_->Release();
    connectedPin_ = nullptr;
    FreeMediaType(&type_);
    return S_OK;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override { return CopyConnectionType(type_, type); }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override {
    *types = new MediaTypeEnumerator(&pcm_, pcm_.pbFormat != nullptr ? 1 : 0);
    return S_OK;
  }
  bool CheckMediaType(const AM_MEDIA_TYPE* type) const {
    return output_ != nullptr && IsEqualGUID(type->majortype, MEDIATYPE_Audio) &&
           IsEqualGUID(type->subtype, FourccSubtype(kTestSoundTag)) && type->cbFormat >= 16 &&
           type->pbFormat != nullptr;
  }

  STDMETHODIMP GetAllocator(IMemAllocator**) override { return VFW_E_NO_ALLOCATOR; }
  STDMETHODIMP NotifyAllocator(IMemAllocator*, BOOL) override { return S_OK; }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample* sample) override {
    BYTE* data = nullptr;
    if (sample == nullptr || FAILED(sample->GetPointer(&data))) return E_POINTER;
    output_->Decode(std::vector<uint8_t>(data, data + std::max(0L, sample->GetActualDataLength())));
    return S_OK;
  }
  STDMETHODIMP ReceiveMultiple(IMediaSample**, long, long*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

  // The output's allocator follows the filter's state; stopping forgets the
  // sound held back, as a decoder's stop does.
  void Activate(bool on) {
    held_.clear();
    if (allocator_ != nullptr) on ? allocator_->Commit() : allocator_->Decommit();
  }

 private:
  // The pin connected is held: the graph may let its filter go before ours.
  void Accept(IPin* pin, const AM_MEDIA_TYPE* type) {
    connectedPin_ = pin;
    pin->AddRef();
    CopyMediaType(&type_, type);
  }
  void Decode(std::vector<uint8_t> sound) {
    if (delivery_ == SoundDelivery::kAtOnce) Deliver(sound);
    if (delivery_ != SoundDelivery::kOneLate) return;
    if (!held_.empty()) Deliver(held_);
    held_ = std::move(sound);
  }
  void Deliver(const std::vector<uint8_t>& sound);

  SoundPin* const output_;  // the input's; null for the output
  const SoundDelivery delivery_;
  AM_MEDIA_TYPE type_ = {};  // while connected
  AM_MEDIA_TYPE pcm_ = {};   // the output's, once the input is connected
  IMemInputPin* transport_ = nullptr;  // the output's, while connected
  IMemAllocator* allocator_ = nullptr;
  std::vector<uint8_t> held_;
};

// The receiver is the grabber's sound pin, whose transport offers its allocator.
HRESULT SoundPin::Connect(IPin* receiver, const AM_MEDIA_TYPE*) {
  if (pcm_.pbFormat == nullptr || FAILED(receiver->ReceiveConnection(this, &pcm_))) {
    return VFW_E_NO_ACCEPTABLE_TYPES;
  }
  Accept(receiver, &pcm_);
  receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&transport_));
  transport_->GetAllocator(&allocator_);
  const auto* format = reinterpret_cast<const WAVEFORMATEX*>(pcm_.pbFormat);
  ALLOCATOR_PROPERTIES wanted = {4, static_cast<LONG>(format->nAvgBytesPerSec), 1, 0};
  ALLOCATOR_PROPERTIES actual = {};
  allocator_->SetProperties(&wanted, &actual);
  transport_->NotifyAllocator(allocator_, FALSE);
  return S_OK;
}

// A chunk's sound is far less than the second a buffer holds.
void SoundPin::Deliver(const std::vector<uint8_t>& sound) {
  IMediaSample* sample = nullptr;
  BYTE* buffer = nullptr;
  if (FAILED(allocator_->GetBuffer(&sample, nullptr, nullptr, 0))) return;
  sample->GetPointer(&buffer);
  std::memcpy(buffer, sound.data(), sound.size());
  sample->SetActualDataLength(static_cast<long>(sound.size()));
  transport_->Receive(sample);
  sample->Release();
}

// The input pin is the base's first, the output its second.
class SoundFilter final : public FilterBase {
 public:
  SoundFilter(SoundDelivery delivery, const CLSID& clsid, const wchar_t* name)
      : FilterBase(TestLock(), clsid, name) {
    auto* output = new SoundPin(this, nullptr, delivery);
    AdoptPins(new SoundPin(this, output, delivery), output);
  }

  STDMETHODIMP Stop() override {
    static_cast<SoundPin*>(AudioPin())->Activate(false);
    return FilterBase::Stop();
  }
  STDMETHODIMP Run(REFERENCE_TIME) override {
    static_cast<SoundPin*>(AudioPin())->Activate(true);
    SetState(State_Running);
    return S_OK;
  }

 private:
  // The pins are never given up, and the graph disconnects them before it
  // lets the filter go.
  void HandOverPin(IPin*) override {}
  void OrphanPin(IPin*) override {}
};

// While it lives, the test decompressor is registered in this process: the
// object is its class object, and its filter-mapper entry has the merit given.
class TestSoundDecoder : public IClassFactory {
 public:
  // name: a fixed string.
  TestSoundDecoder(SoundDelivery delivery, const wchar_t* name, const CLSID& clsid, DWORD merit)
      : delivery_(delivery), name_(name), clsid_(clsid) {
    if (FAILED(CoRegisterClassObject(clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_)) ||
        FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                mapper_.ReceiveVoid()))) {
      return;
    }
    const GUID subtype = FourccSubtype(kTestSoundTag);
    REGPINTYPES in = {&MEDIATYPE_Audio, &subtype};
    REGPINTYPES out = {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM};
    REGFILTERPINS pins[2] = {
        {nullptr, FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &in},
        {nullptr, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &out},
    };
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = merit;
    filter.cPins = 2;
    filter.rgPins = pins;
    registered_ = SUCCEEDED(
        mapper_->RegisterFilter(clsid, name, nullptr, &CLSID_LegacyAmFilterCategory, name, &filter));
  }
  virtual ~TestSoundDecoder() {
    if (registered_) mapper_->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, clsid_);
    if (cookie_ != 0) CoRevokeClassObject(cookie_);
  }

  bool Registered() const { return registered_; }

  // The class object lives as long as its registration: its count is not kept.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return QueryOwnInterface(this, {IID_IClassFactory}, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ComPtr<IBaseFilter> filter(new SoundFilter(delivery_, clsid_, name_));
    return filter->QueryInterface(iid, object);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  SoundDelivery delivery_;
  const wchar_t* name_;
  CLSID clsid_;
  ComPtr<IFilterMapper2> mapper_;
  DWORD cookie_ = 0;
  bool registered_ = false;
};

// Three seconds of mono 16-bit sound at 11,025 Hz in the test format, whose
// bytes count up, with tiny raw pictures.
std::vector<uint8_t> WriteTestSoundClip(const std::string& name) {
  AviWriterStream stream = PcmStream(1, 11025, 16, 1102 * 30);
  stream.strf[0] = kTestSoundTag & 0xFF;  // the format tag leads WAVEFORMATEX
  stream.strf[1] = kTestSoundTag >> 8;
  std::vector<uint8_t> sound(1102 * 2 * 30);
  for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<uint8_t>(i * 7 / 3);
  WriteTinyClip(name, 0, 30, &stream, sound);
  return sound;
}

struct MisbehavingCase {
  const char* name;
  SoundDelivery first;
  bool wellBehavedToo;
  const char* expectedDecoder;  // null: no sound
};

class MisbehavingDecoderTest : public ClipTest, public ::testing::WithParamInterface<MisbehavingCase> {};

}  // namespace

TEST_P(MisbehavingDecoderTest, TheSoundComesFromADecoderThatDelivers) {
  const MisbehavingCase& c = GetParam();
  const CLSID first = {0x7e570001, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 1}};
  const CLSID good = {0x7e570002, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 2}};
  TestSoundDecoder misbehaving(c.first, L"Test Sound First", first, MERIT_NORMAL + 2);
  TestSoundDecoder wellBehaved(SoundDelivery::kAtOnce, L"Test Sound Good", good,
                               c.wellBehavedToo ? MERIT_NORMAL + 1 : MERIT_DO_NOT_USE);
  ASSERT_TRUE(misbehaving.Registered());
  const std::vector<uint8_t> sound = WriteTestSoundClip("test_sound_format.avi");
  ASSERT_TRUE(OpenPath(ScratchPath("test_sound_format.avi"))) << messages_;
  if (c.expectedDecoder == nullptr) {
    EXPECT_FALSE(decoder_->IsAudioOpen());
    EXPECT_EQ(messages_, "Can't locate audio decompressor\n");
    return;
  }
  ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
  EXPECT_TRUE(messages_.empty()) << messages_;
  std::string name;
  ASSERT_TRUE(decoder_->AudioChain()[0] && FilterName(decoder_->AudioChain()[0].Get(), &name));
  EXPECT_EQ(name, c.expectedDecoder);
  int32_t count = 0;
  const std::vector<uint8_t> all = ReadBlocks(1000, &count);
  // A decoder one sample late gives all but the last chunk's sound.
  EXPECT_GE(count, static_cast<int32_t>(sound.size() / OutputFormat().BlockBytes()) - 1);
  ASSERT_LE(all.size(), sound.size());
  EXPECT_TRUE(std::equal(all.begin(), all.end(), sound.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Decoders, MisbehavingDecoderTest,
    ::testing::Values(MisbehavingCase{"NeverThenGood", SoundDelivery::kNever, true, "Test Sound Good"},
                      MisbehavingCase{"OneLateAlone", SoundDelivery::kOneLate, false, "Test Sound First"},
                      MisbehavingCase{"NeverAlone", SoundDelivery::kNever, false, nullptr}),
    [](const ::testing::TestParamInfo<MisbehavingCase>& info) { return std::string(info.param.name); });
