#include "tests/decode/test_sound_decoder.h"

#include "decode/media_type.h"
#include "decode/media_type_enumerator.h"
#include "decode/pin_enumerator.h"
#include "decode/query_interface.h"
#include "decode/wide_text.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace {

GUID TestSubtype() { return FourccSubtype(kTestSoundTag); }

class Filter;

// Either pin of the filter; references go to the filter. The input takes
// the test format and hands each sample to the filter; the output offers
// 16-bit PCM of the input's shape and delivers into the pin it connected.
class Pin : public IPin, public IMemInputPin {
 public:
  Pin(Filter* filter, PIN_DIRECTION direction) : filter_(filter), direction_(direction) {}
  virtual ~Pin() { Disconnect(); }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (direction_ == PINDIR_INPUT && object != nullptr && IsEqualIID(iid, IID_IMemInputPin)) {
      *object = static_cast<IMemInputPin*>(this);
      AddRef();
      return S_OK;
    }
    return QueryOwnInterface(static_cast<IPin*>(this), {IID_IPin}, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE*) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override {
    if (direction_ == PINDIR_OUTPUT) return E_UNEXPECTED;
    if (connected_ != nullptr) return VFW_E_ALREADY_CONNECTED;
    if (QueryAccept(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    Accept(connector, type);
    return S_OK;
  }
  STDMETHODIMP Disconnect() override {
    if (allocator_ != nullptr) allocator_->Release();
    if (transport_ != nullptr) transport_->Release();
    allocator_ = nullptr;
    transport_ = nullptr;
    if (connected_ == nullptr) return S_FALSE;
    connected_->Release();
    connected_ = nullptr;
    FreeMediaType(&type_);
    return S_OK;
  }
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    *pin = connected_;
    if (connected_ == nullptr) return VFW_E_NOT_CONNECTED;
    connected_->AddRef();
    return S_OK;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override {
    if (connected_ == nullptr) return VFW_E_NOT_CONNECTED;
    return CopyMediaType(type, &type_);
  }
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override {
    *direction = direction_;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR* id) override {
    *id = TaskMemoryCopy(Name());
    return S_OK;
  }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override {
    const bool ours = direction_ == PINDIR_INPUT && type != nullptr &&
                      IsEqualGUID(type->majortype, MEDIATYPE_Audio) &&
                      IsEqualGUID(type->subtype, TestSubtype()) && type->cbFormat >= 16 &&
                      type->pbFormat != nullptr;
    return ours ? S_OK : S_FALSE;
  }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return S_OK; }
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  STDMETHODIMP GetAllocator(IMemAllocator**) override { return VFW_E_NO_ALLOCATOR; }
  STDMETHODIMP NotifyAllocator(IMemAllocator*, BOOL) override { return S_OK; }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample**, long, long*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

  void Commit(bool on) {
    if (allocator_ != nullptr) on ? allocator_->Commit() : allocator_->Decommit();
  }
  void Deliver(const std::vector<uint8_t>& sound);

 private:
  const wchar_t* Name() const { return direction_ == PINDIR_INPUT ? L"In" : L"Out"; }
  bool PcmType(AM_MEDIA_TYPE* type, WAVEFORMATEX* format);
  void Accept(IPin* pin, const AM_MEDIA_TYPE* type) {
    connected_ = pin;
    connected_->AddRef();
    CopyMediaType(&type_, type);
  }

  Filter* filter_;
  PIN_DIRECTION direction_;
  IPin* connected_ = nullptr;
  AM_MEDIA_TYPE type_ = {};
  IMemInputPin* transport_ = nullptr;  // the output's, while connected
  IMemAllocator* allocator_ = nullptr;
};

class Filter final : public IBaseFilter {
 public:
  Filter(SoundDelivery delivery, const CLSID& clsid) : delivery_(delivery), clsid_(clsid) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return QueryOwnInterface(this, {IID_IPersist, IID_IMediaFilter, IID_IBaseFilter}, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = clsid_;
    return S_OK;
  }
  // Stopping forgets the sound held back, as a decoder's stop does.
  STDMETHODIMP Stop() override {
    held_.clear();
    output_.Commit(false);
    state_ = State_Stopped;
    return S_OK;
  }
  STDMETHODIMP Pause() override {
    output_.Commit(true);
    state_ = State_Paused;
    return S_OK;
  }
  STDMETHODIMP Run(REFERENCE_TIME) override {
    output_.Commit(true);
    state_ = State_Running;
    return S_OK;
  }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
    *state = state_;
    return S_OK;
  }
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
    *clock = nullptr;
    return S_OK;
  }
  STDMETHODIMP EnumPins(IEnumPins** pins) override {
    IPin* both[2] = {&input_, &output_};
    *pins = new PinEnumerator(both, 2);
    return S_OK;
  }
  STDMETHODIMP FindPin(LPCWSTR, IPin**) override { return VFW_E_NOT_FOUND; }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
    CopyWide(info->achName, MAX_FILTER_NAME, name_.c_str());
    info->pGraph = graph_;
    if (graph_ != nullptr) graph_->AddRef();
    return S_OK;
  }
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override {
    graph_ = graph;  // not counted: the graph holds us
    name_ = name != nullptr ? name : L"";
    return S_OK;
  }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

  void Decode(const uint8_t* data, long length) {
    std::vector<uint8_t> sound(data, data + (length > 0 ? length : 0));
    switch (delivery_) {
      case SoundDelivery::kAtOnce: output_.Deliver(sound); break;
      case SoundDelivery::kNever: break;
      case SoundDelivery::kOneLate:
        if (!held_.empty()) output_.Deliver(held_);
        held_ = sound;
        break;
    }
  }

  Pin input_{this, PINDIR_INPUT};
  Pin output_{this, PINDIR_OUTPUT};

 private:
  std::atomic<ULONG> references_{1};
  SoundDelivery delivery_;
  CLSID clsid_;
  FILTER_STATE state_ = State_Stopped;
  IFilterGraph* graph_ = nullptr;
  std::wstring name_;
  std::vector<uint8_t> held_;
};

ULONG Pin::AddRef() { return filter_->AddRef(); }
ULONG Pin::Release() { return filter_->Release(); }

HRESULT Pin::QueryPinInfo(PIN_INFO* info) {
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = direction_;
  CopyWide(info->achName, MAX_PIN_NAME, Name());
  return S_OK;
}

// The output's type: the input's format as PCM (none before the input connects).
bool Pin::PcmType(AM_MEDIA_TYPE* type, WAVEFORMATEX* format) {
  if (direction_ == PINDIR_INPUT || filter_->input_.connected_ == nullptr) return false;
  *format = *reinterpret_cast<const WAVEFORMATEX*>(filter_->input_.type_.pbFormat);
  format->wFormatTag = WAVE_FORMAT_PCM;
  format->cbSize = 0;
  *type = AM_MEDIA_TYPE{};
  type->majortype = MEDIATYPE_Audio;
  type->subtype = MEDIASUBTYPE_PCM;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = format->nBlockAlign;
  type->formattype = FORMAT_WaveFormatEx;
  type->cbFormat = sizeof *format;
  type->pbFormat = reinterpret_cast<BYTE*>(format);
  return true;
}

HRESULT Pin::EnumMediaTypes(IEnumMediaTypes** types) {
  AM_MEDIA_TYPE type;
  WAVEFORMATEX format;
  const bool known = PcmType(&type, &format);
  *types = new MediaTypeEnumerator(&type, known ? 1 : 0);
  return S_OK;
}

HRESULT Pin::Connect(IPin* receiver, const AM_MEDIA_TYPE*) {
  AM_MEDIA_TYPE type;
  WAVEFORMATEX format;
  if (direction_ == PINDIR_INPUT) return E_UNEXPECTED;
  if (connected_ != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (!PcmType(&type, &format)) return VFW_E_NO_ACCEPTABLE_TYPES;
  if (FAILED(receiver->ReceiveConnection(this, &type))) return VFW_E_NO_ACCEPTABLE_TYPES;
  Accept(receiver, &type);
  if (FAILED(receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&transport_))) ||
      FAILED(transport_->GetAllocator(&allocator_))) {
    Disconnect();
    receiver->Disconnect();
    return VFW_E_NO_TRANSPORT;
  }
  ALLOCATOR_PROPERTIES wanted = {4, static_cast<LONG>(format.nAvgBytesPerSec), 1, 0};
  ALLOCATOR_PROPERTIES actual = {};
  allocator_->SetProperties(&wanted, &actual);
  transport_->NotifyAllocator(allocator_, FALSE);
  return S_OK;
}

void Pin::Deliver(const std::vector<uint8_t>& sound) {
  IMediaSample* sample = nullptr;
  if (transport_ == nullptr || FAILED(allocator_->GetBuffer(&sample, nullptr, nullptr, 0))) return;
  BYTE* buffer = nullptr;
  const long length = std::min<long>(static_cast<long>(sound.size()), sample->GetSize());
  if (SUCCEEDED(sample->GetPointer(&buffer)) && length > 0) {
    std::memcpy(buffer, sound.data(), static_cast<size_t>(length));
    sample->SetActualDataLength(length);
    transport_->Receive(sample);
  }
  sample->Release();
}

HRESULT Pin::Receive(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (sample == nullptr || FAILED(sample->GetPointer(&data))) return E_POINTER;
  filter_->Decode(data, sample->GetActualDataLength());
  return S_OK;
}

}  // namespace

TestSoundDecoder::TestSoundDecoder(SoundDelivery delivery, const std::wstring& name,
                                   const CLSID& clsid, DWORD merit)
    : delivery_(delivery), clsid_(clsid) {
  if (FAILED(CoRegisterClassObject(clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_))) {
    return;
  }
  IFilterMapper2* mapper = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              reinterpret_cast<void**>(&mapper)))) {
    return;
  }
  const GUID subtype = TestSubtype();
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
  registered_ = SUCCEEDED(mapper->RegisterFilter(clsid, name.c_str(), nullptr,
                                                 &CLSID_LegacyAmFilterCategory, name.c_str(), &filter));
  mapper->Release();
}

TestSoundDecoder::~TestSoundDecoder() {
  IFilterMapper2* mapper = nullptr;
  if (registered_ && SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IFilterMapper2, reinterpret_cast<void**>(&mapper)))) {
    mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, clsid_);
    mapper->Release();
  }
  if (cookie_ != 0) CoRevokeClassObject(cookie_);
}

HRESULT TestSoundDecoder::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IClassFactory}, iid, object);
}

HRESULT TestSoundDecoder::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto* filter = new Filter(delivery_, clsid_);
  const HRESULT result = filter->QueryInterface(iid, object);
  filter->Release();
  return result;
}
