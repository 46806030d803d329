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
      : PinBase(TestLock(), filter, output ? PINDIR_INPUT : PINDIR_OUTPUT, output ? L"In" : L"Out", output ? L"In" : L"Out"),
        output_(output), kind_(kind) {}
  ~SoundPin() {
    Disconnect();
    FreeMediaType(&pcm_);
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    const bool transport = output_ != nullptr && IsEqualIID(iid, IID_IMemInputPin);
    if (transport) return QueryOwnInterface(static_cast<IMemInputPin*>(this), {iid}, iid, object);
    return QueryOwnInterface(static_cast<IPin*>(this), {IID_IPin}, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return PinBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return PinBase::Release(); }

  // The receiver is the grabber's sound pin, whose transport offers its
  // allocator, or another test decompressor's, which has none.
  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE*) override {
    if (pcm_.pbFormat == nullptr || FAILED(receiver->ReceiveConnection(this, &pcm_))) return VFW_E_NO_ACCEPTABLE_TYPES;
    Accept(receiver, &pcm_);
    receiver->QueryInterface(IID_IMemInputPin, transport_.ReceiveVoid());
    if (FAILED(transport_->GetAllocator(allocator_.Receive()))) {
      CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator, allocator_.ReceiveVoid());
    }
    const LONG second = static_cast<LONG>(reinterpret_cast<WAVEFORMATEX*>(pcm_.pbFormat)->nAvgBytesPerSec);
    ALLOCATOR_PROPERTIES wanted = {4, second, 1, 0}, actual = {};
    allocator_->SetProperties(&wanted, &actual);
    transport_->NotifyAllocator(allocator_.Get(), FALSE);
    return S_OK;
  }
  // The graph makes each connection once, in the right direction. The
  // output's type: the same sound in the output format.
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override {
    if (QueryAccept(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    Accept(connector, type);
    FreeMediaType(&output_->pcm_);
    CopyMediaType(&output_->pcm_, type);
    output_->pcm_.subtype = FourccSubtype(kind_.outputTag);
    reinterpret_cast<WAVEFORMATEX*>(output_->pcm_.pbFormat)->wFormatTag = kind_.outputTag;
    return S_OK;
  }
  STDMETHODIMP Disconnect() override {
    allocator_.Reset();
    transport_.Reset();
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
           IsEqualGUID(type->subtype, FourccSubtype(kind_.inputTag)) && type->cbFormat >= 16 && type->pbFormat != nullptr;
  }

  STDMETHODIMP GetAllocator(IMemAllocator**) override { return VFW_E_NO_ALLOCATOR; }
  STDMETHODIMP NotifyAllocator(IMemAllocator*, BOOL) override { return S_OK; }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample* sample) override {
    BYTE* data = nullptr;
    if (sample == nullptr || FAILED(sample->GetPointer(&data))) return E_POINTER;
    std::vector<uint8_t> sound(data, data + std::max(0L, sample->GetActualDataLength()));
    if (kind_.delivery == SoundDelivery::kAtOnce) output_->Deliver(sound);
    if (kind_.delivery != SoundDelivery::kOneLate) return S_OK;
    if (!output_->held_.empty()) output_->Deliver(output_->held_);
    output_->held_ = std::move(sound);
    return S_OK;
  }
  STDMETHODIMP ReceiveMultiple(IMediaSample**, long, long*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

  // The output's allocator follows the filter's state; stopping forgets the
  // sound held back, as a decoder's stop does.
  void Activate(bool on) {
    held_.clear();
    if (allocator_) on ? allocator_->Commit() : allocator_->Decommit();
  }

 private:
  // The pin connected is held: the graph may let its filter go before ours.
  void Accept(IPin* pin, const AM_MEDIA_TYPE* type) {
    connectedPin_ = pin;
    pin->AddRef();
    CopyMediaType(&type_, type);
  }
  // A chunk's sound is far less than the second a buffer holds.
  void Deliver(const std::vector<uint8_t>& sound) {
    IMediaSample* sample = nullptr;
    BYTE* buffer = nullptr;
    if (FAILED(allocator_->GetBuffer(&sample, nullptr, nullptr, 0))) return;
    sample->GetPointer(&buffer);
    std::memcpy(buffer, sound.data(), sound.size());
    sample->SetActualDataLength(static_cast<long>(sound.size()));
    transport_->Receive(sample);
    sample->Release();
  }

  SoundPin* const output_;  // the input's; null for the output
  const TestSoundDecoderKind kind_;
  AM_MEDIA_TYPE type_ = {};  // while connected
  AM_MEDIA_TYPE pcm_ = {};   // the output's, once the input is connected
  ComPtr<IMemInputPin> transport_;  // the output's, while connected
  ComPtr<IMemAllocator> allocator_;
  std::vector<uint8_t> held_;
};

// The input pin is the base's first, the output its second.
class SoundFilter final : public FilterBase, public ISpecifyPropertyPages {
 public:
  explicit SoundFilter(const TestSoundDecoderKind& kind) : FilterBase(TestLock(), kind.clsid, kind.name), kind_(kind) {
    auto* output = new SoundPin(this, nullptr, kind_);
    AdoptPins(new SoundPin(this, output, kind_), output);
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    const bool pages = !kind_.pages.empty() && IsEqualIID(iid, IID_ISpecifyPropertyPages);
    if (pages) return QueryOwnInterface(static_cast<ISpecifyPropertyPages*>(this), {iid}, iid, object);
    return FilterBase::QueryInterface(iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return FilterBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return FilterBase::Release(); }
  STDMETHODIMP GetPages(CAUUID* pages) override {
    pages->cElems = static_cast<ULONG>(kind_.pages.size());
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(kind_.pages.size() * sizeof(GUID)));
    if (pages->pElems == nullptr) return E_OUTOFMEMORY;
    std::copy(kind_.pages.begin(), kind_.pages.end(), pages->pElems);
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

  const TestSoundDecoderKind kind_;
};

}  // namespace

std::vector<void*>& PageListsHandedOut() {
  static std::vector<void*> lists;
  return lists;
}

TestSoundDecoder::TestSoundDecoder(TestSoundDecoderKind kind) : kind_(std::move(kind)) {
  // A thread that stays in the multi-threaded apartment while the class
  // object is registered there.
  server_ = std::thread([this] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    DWORD cookie = 0;
    CoRegisterClassObject(kind_.clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    SetEvent(served_);
    WaitForSingleObject(revoke_, INFINITE);
    CoRevokeClassObject(cookie);
    CoUninitialize();
  });
  WaitForSingleObject(served_, INFINITE);
  if (FAILED(CoRegisterClassObject(kind_.clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_)) ||
      FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              mapper_.ReceiveVoid()))) {
    return;
  }
  const GUID input = FourccSubtype(kind_.inputTag), output = FourccSubtype(kind_.outputTag);
  REGPINTYPES in = {&MEDIATYPE_Audio, &input}, out = {&MEDIATYPE_Audio, &output};
  REGFILTERPINS pins[2] = {{nullptr, FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &in},
                           {nullptr, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &out}};
  const REGFILTER2 filter = {1, kind_.merit, {{2, pins}}};
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

STDMETHODIMP TestSoundDecoder::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IClassFactory}, iid, object);
}

STDMETHODIMP TestSoundDecoder::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  ComPtr<IBaseFilter> filter(static_cast<FilterBase*>(new SoundFilter(kind_)));
  return filter->QueryInterface(iid, object);
}
