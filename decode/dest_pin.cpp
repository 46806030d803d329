#include "decode/dest_pin.h"

#include "decode/dest_transport.h"
#include "decode/media_type.h"
#include "decode/media_type_enumerator.h"
#include "decode/query_interface.h"
#include "decode/sample_grabber_filter.h"
#include "platform/critical_section_lock.h"

#include <new>

DestPin::DestPin(CRITICAL_SECTION* lock, DecoderContext* context, SampleGrabberFilter* filter,
                 const wchar_t* name, const wchar_t* id)
    : PinBase(lock, filter, PINDIR_INPUT, name, id), context_(context) {}

DestPin::~DestPin() {
  if (allocator_ != nullptr && allocatorCounted_) allocator_->Release();
  FreeMediaType(&connectionType_);
}

void DestPin::AttachAllocator(IMemAllocator* allocator, bool counted) {
  allocator_ = allocator;
  allocatorCounted_ = counted;
  transport_.reset(new DestTransport(lock_, this, allocator));
}

void DestPin::SetPreferredTypes(const AM_MEDIA_TYPE* types, int count) {
  CriticalSectionLock hold(lock_);
  preferred_ = types;
  preferredCount_ = count;
}

void DestPin::SetMediaType(const AM_MEDIA_TYPE* type) {
  FreeMediaType(&connectionType_);
  CopyMediaType(&connectionType_, type);
}

// IMemInputPin is the transport, a part of the pin.
STDMETHODIMP DestPin::QueryInterface(REFIID iid, void** object) {
  if (object != nullptr && IsEqualIID(iid, IID_IMemInputPin) && transport_ != nullptr) {
    transport_->AddRef();
    *object = static_cast<IMemInputPin*>(transport_.get());
    return S_OK;
  }
  return QueryOwnInterface(this, {IID_IPin}, iid, object);
}

// An input pin never starts a connection.
STDMETHODIMP DestPin::Connect(IPin*, const AM_MEDIA_TYPE*) { return E_NOTIMPL; }

STDMETHODIMP DestPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  CriticalSectionLock hold(lock_);
  if (connectedPin_ != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (connector == nullptr || type == nullptr) return E_POINTER;
  PIN_DIRECTION direction;
  if (FAILED(connector->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) {
    return VFW_E_INVALID_DIRECTION;
  }
  if (!CheckMediaType(type)) return VFW_E_NO_ACCEPTABLE_TYPES;
  connectedPin_ = connector;
  SetMediaType(type);
  return S_OK;
}

STDMETHODIMP DestPin::Disconnect() {
  CriticalSectionLock hold(lock_);
  if (connectedPin_ == nullptr) return S_FALSE;
  connectedPin_ = nullptr;
  return S_OK;
}

STDMETHODIMP DestPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  return CopyConnectionType(connectionType_, type);
}

STDMETHODIMP DestPin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  *types = new (std::nothrow) MediaTypeEnumerator(preferred_, preferredCount_);
  return *types != nullptr ? S_OK : E_OUTOFMEMORY;
}
