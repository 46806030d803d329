#include "decode/source_pin.h"

#include "decode/avi_splitter_filter.h"
#include "decode/com_ptr.h"
#include "decode/media_type_enumerator.h"
#include "decode/query_interface.h"
#include "decode/stream_format_check.h"
#include "platform/critical_section_lock.h"

#include <algorithm>
#include <new>

SourcePin::SourcePin(CRITICAL_SECTION* lock, DecoderContext* context, AviSplitterFilter* filter,
                     const wchar_t* name, const wchar_t* id)
    : PinBase(lock, filter, PINDIR_OUTPUT, name, id), context_(context) {
  if (FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IMemAllocator, reinterpret_cast<void**>(&defaultAllocator_)))) {
    defaultAllocator_ = nullptr;
  }
}

SourcePin::~SourcePin() {
  DropAllocator();
  if (transport_ != nullptr) transport_->Release();
  if (defaultAllocator_ != nullptr) defaultAllocator_->Release();
}

STDMETHODIMP SourcePin::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IPin}, iid, object);
}

STDMETHODIMP SourcePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  CriticalSectionLock hold(lock_);
  if (connectedPin_ != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (receivePin == nullptr) return E_POINTER;
  PIN_DIRECTION direction;
  if (FAILED(receivePin->QueryDirection(&direction)) || direction != PINDIR_INPUT) {
    return VFW_E_INVALID_DIRECTION;
  }
  if (type == nullptr) type = &mediaType_;
  if (!CheckMediaType(type)) return VFW_E_NO_ACCEPTABLE_TYPES;
  if (FAILED(receivePin->ReceiveConnection(this, type))) return VFW_E_NO_ACCEPTABLE_TYPES;

  if (FAILED(receivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&transport_)))) {
    transport_ = nullptr;
    receivePin->Disconnect();
    return VFW_E_NO_TRANSPORT;
  }
  const HRESULT result = NegotiateAllocator();
  if (FAILED(result)) {
    DropAllocator();
    transport_->Release();
    transport_ = nullptr;
    receivePin->Disconnect();  // the input took the connection in ReceiveConnection
    return result;
  }
  connectedPin_ = receivePin;
  return S_OK;
}

// The input's own allocator when it has one that takes our properties, else
// the standard memory allocator (which decompressor inputs expect: they
// answer GetAllocator with VFW_E_NO_ALLOCATOR).
HRESULT SourcePin::NegotiateAllocator() {
  const LONG bufferSize = static_cast<LONG>(BufferSize());
  if (transport_->GetAllocatorRequirements(&properties_) == S_OK) {
    properties_.cbAlign = std::max<LONG>(properties_.cbAlign, 1);
    properties_.cbBuffer = std::max(properties_.cbBuffer, bufferSize);
    properties_.cbPrefix = std::max<LONG>(properties_.cbPrefix, 0);
    properties_.cBuffers = std::max<LONG>(properties_.cBuffers, 1);
  } else {
    properties_ = ALLOCATOR_PROPERTIES{1, bufferSize, 1, 0};
  }

  ALLOCATOR_PROPERTIES actual = {};
  ComPtr<IMemAllocator> offered;
  if (SUCCEEDED(transport_->GetAllocator(offered.Receive())) && offered &&
      SUCCEEDED(offered->SetProperties(&properties_, &actual))) {
    allocator_ = offered.Detach();
  } else {
    if (defaultAllocator_ == nullptr) return E_FAIL;
    defaultAllocator_->AddRef();
    allocator_ = defaultAllocator_;
    const HRESULT result = allocator_->SetProperties(&properties_, &actual);
    if (FAILED(result)) return result;
  }
  return transport_->NotifyAllocator(allocator_, FALSE);
}

void SourcePin::DropAllocator() {
  if (allocator_ == nullptr) return;
  allocator_->Decommit();
  allocator_->Release();
  allocator_ = nullptr;
}

// An output pin never receives a connection.
STDMETHODIMP SourcePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) { return E_NOTIMPL; }

STDMETHODIMP SourcePin::Disconnect() {
  CriticalSectionLock hold(lock_);
  if (connectedPin_ == nullptr) return S_FALSE;
  DropAllocator();
  transport_->Release();
  transport_ = nullptr;
  connectedPin_ = nullptr;
  return S_OK;
}

STDMETHODIMP SourcePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  return CopyConnectionType(mediaType_, type);
}

STDMETHODIMP SourcePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = new (std::nothrow) MediaTypeEnumerator(&mediaType_, 1);
  return *types != nullptr ? S_OK : E_OUTOFMEMORY;
}

// Only the standard allocator that the pin owns is remade: an input's own
// allocator stands for buffers of its own size (a frame), which a chunk must
// fit. A chunk beyond the largest picture is a damaged size, never taken.
bool SourcePin::GrowBuffers(uint32_t bytes) {
  CriticalSectionLock hold(lock_);
  if (allocator_ == nullptr || allocator_ != defaultAllocator_ || bytes > kMostPictureBytes ||
      static_cast<LONG>(bytes) <= properties_.cbBuffer) {
    return false;
  }
  ALLOCATOR_PROPERTIES wanted = properties_;
  wanted.cbBuffer = static_cast<LONG>(bytes);
  ALLOCATOR_PROPERTIES actual = {};
  allocator_->Decommit();
  const bool grown = SUCCEEDED(allocator_->SetProperties(&wanted, &actual)) && actual.cbBuffer >= wanted.cbBuffer;
  if (grown) properties_ = wanted;
  allocator_->Commit();
  return grown;
}

HRESULT SourcePin::Activate() {
  CriticalSectionLock hold(lock_);
  return allocator_ != nullptr ? allocator_->Commit() : S_OK;
}

HRESULT SourcePin::Deliver(IMediaSample* sample) {
  CriticalSectionLock hold(lock_);
  if (connectedPin_ == nullptr) return VFW_E_NOT_CONNECTED;
  return transport_->Receive(sample);
}
