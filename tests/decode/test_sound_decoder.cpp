#include "tests/decode/test_sound_decoder.h"

#include "decode/filter_base.h"
#include "decode/media_type_enumerator.h"
#include "decode/pin_base.h"
#include "decode/query_interface.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// The lock of every test filter and pin, never deleted: it outlives them all.
CRITICAL_SECTION* TestLock() {
  static CRITICAL_SECTION lock;
  static const bool initialised = (InitializeCriticalSection(&lock), true);
  return initialised ? &lock : nullptr;
}

// Either pin of the test decompressor. The input takes the input format and
// hands each sample to the output; the output offers the input's sound in the
// output format and delivers it, as its delivery says, into the pin it
// connected.
class SoundPin final : public PinBase<SoundPin>, public IMemInputPin {
 public:
  // An input when output is given.
  SoundPin(IBaseFilter* filter, SoundPin* output, const TestSoundDecoderKind& kind)
      : PinBase(TestLock(), filter, output ? PINDIR_INPUT : PINDIR_OUTPUT, output ? L"In" : L"Out",
                output ? L"In" : L"Out"),
        output_(output),
        delivery_(kind.delivery),
        inputTag_(kind.inputTag),
        outputTag_(kind.outputTag) {}
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
    // The output's type: the same sound in the output format.
    FreeMediaType(&output_->pcm_);
    CopyMediaType(&output_->pcm_, type);
    output_->pcm_.subtype = FourccSubtype(outputTag_);
    reinterpret_cast<WAVEFORMATEX*>(output_->pcm_.pbFormat)->wFormatTag = outputTag_;
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
           IsEqualGUID(type->subtype, FourccSubtype(inputTag_)) && type->cbFormat >= 16 &&
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
  const uint16_t inputTag_, outputTag_;
  AM_MEDIA_TYPE type_ = {};  // while connected
  AM_MEDIA_TYPE pcm_ = {};   // the output's, once the input is connected
  IMemInputPin* transport_ = nullptr;  // the output's, while connected
  IMemAllocator* allocator_ = nullptr;
  std::vector<uint8_t> held_;
};

// The receiver is the grabber's sound pin, whose transport offers its
// allocator, or another test decompressor's, which has none.
HRESULT SoundPin::Connect(IPin* receiver, const AM_MEDIA_TYPE*) {
  if (pcm_.pbFormat == nullptr || FAILED(receiver->ReceiveConnection(this, &pcm_))) {
    return VFW_E_NO_ACCEPTABLE_TYPES;
  }
  Accept(receiver, &pcm_);
  receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&transport_));
  if (FAILED(transport_->GetAllocator(&allocator_))) {
    CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                     reinterpret_cast<void**>(&allocator_));
  }
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
class SoundFilter final : public FilterBase, public ISpecifyPropertyPages {
 public:
  explicit SoundFilter(const TestSoundDecoderKind& kind)
      : FilterBase(TestLock(), kind.clsid, kind.name), pages_(kind.pages) {
    auto* output = new SoundPin(this, nullptr, kind);
    AdoptPins(new SoundPin(this, output, kind), output);
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!pages_.empty() && object != nullptr && IsEqualIID(iid, IID_ISpecifyPropertyPages)) {
      *object = static_cast<ISpecifyPropertyPages*>(this);
      AddRef();
      return S_OK;
    }
    return FilterBase::QueryInterface(iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return FilterBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return FilterBase::Release(); }
  STDMETHODIMP GetPages(CAUUID* pages) override {
    pages->cElems = static_cast<ULONG>(pages_.size());
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(pages_.size() * sizeof(GUID)));
    if (pages->pElems == nullptr) return E_OUTOFMEMORY;
    std::copy(pages_.begin(), pages_.end(), pages->pElems);
    PageListsHandedOut().push_back(pages->pElems);
    return S_OK;
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

  const std::vector<CLSID> pages_;
};

}  // namespace

std::vector<void*>& PageListsHandedOut() {
  static std::vector<void*> lists;
  return lists;
}

TestSoundDecoder::TestSoundDecoder(TestSoundDecoderKind kind) : kind_(std::move(kind)) {
  server_ = std::thread([this] { ServeMultithreaded(); });
  WaitForSingleObject(served_, INFINITE);
  if (FAILED(CoRegisterClassObject(kind_.clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_)) ||
      FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              mapper_.ReceiveVoid()))) {
    return;
  }
  const GUID input = FourccSubtype(kind_.inputTag), output = FourccSubtype(kind_.outputTag);
  REGPINTYPES in = {&MEDIATYPE_Audio, &input};
  REGPINTYPES out = {&MEDIATYPE_Audio, &output};
  REGFILTERPINS pins[2] = {
      {nullptr, FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &in},
      {nullptr, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &out},
  };
  REGFILTER2 filter = {};
  filter.dwVersion = 1;
  filter.dwMerit = kind_.merit;
  filter.cPins = 2;
  filter.rgPins = pins;
  registered_ = SUCCEEDED(
      mapper_->RegisterFilter(kind_.clsid, kind_.name, nullptr, &CLSID_LegacyAmFilterCategory, kind_.name, &filter));
}

TestSoundDecoder::~TestSoundDecoder() {
  if (registered_) mapper_->UnregisterFilter(&CLSID_LegacyAmFilterCategory, kind_.name, kind_.clsid);
  if (cookie_ != 0) CoRevokeClassObject(cookie_);
  SetEvent(revoke_);
  server_.join();
  CloseHandle(served_);
  CloseHandle(revoke_);
}

void TestSoundDecoder::ServeMultithreaded() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  DWORD cookie = 0;
  CoRegisterClassObject(kind_.clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  SetEvent(served_);
  WaitForSingleObject(revoke_, INFINITE);
  CoRevokeClassObject(cookie);
  CoUninitialize();
}

STDMETHODIMP TestSoundDecoder::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IClassFactory}, iid, object);
}

STDMETHODIMP TestSoundDecoder::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  ComPtr<IBaseFilter> filter(static_cast<FilterBase*>(new SoundFilter(kind_)));
  return filter->QueryInterface(iid, object);
}
