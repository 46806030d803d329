#include "decode/dest_pin.h"

#include "decode/dest_transport.h"
#include "decode/media_type.h"
#include "decode/media_type_enumerator.h"
#include "decode/query_interface.h"
#include "decode/sample_grabber_filter.h"
#include "decode/wide_text.h"
#include "media/critical_section_lock.h"

#include <cstring>
#include <new>

DestPin::DestPin(CRITICAL_SECTION* lock, DecoderContext* context, SampleGrabberFilter* filter,
                 const wchar_t* name, const wchar_t* id)
    : LockedUnknown(lock), context_(context), filter_(filter), name_(name), id_(id) {}

DestPin::~DestPin() {
  if (transport_ != nullptr) transport_->Release();
  if (allocator_ != nullptr) allocator_->Release();
  FreeMediaType(&connectionType_);
  if (holdsFilter_) filter_->Release();
}

void DestPin::AttachAllocator(IMemAllocator* allocator) {
  allocator_ = allocator;
  transport_ = new DestTransport(lock_, this, allocator);
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

void DestPin::HoldFilter() {
  if (filter_ == nullptr || holdsFilter_) return;
  filter_->AddRef();
  holdsFilter_ = true;
}

void DestPin::ForgetFilter() {
  filter_ = nullptr;
  holdsFilter_ = false;
}

// IMemInputPin is the transport, a separate object.
STDMETHODIMP DestPin::QueryInterface(REFIID iid, void** object) {
  if (object != nullptr && IsEqualIID(iid, IID_IMemInputPin) && transport_ != nullptr) {
    transport_->AddRef();
    *object = static_cast<IMemInputPin*>(transport_);
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

STDMETHODIMP DestPin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  *pin = connectedPin_;
  if (connectedPin_ == nullptr) return VFW_E_NOT_CONNECTED;
  connectedPin_->AddRef();
  return S_OK;
}

STDMETHODIMP DestPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  if (connectedPin_ == nullptr) {
    std::memset(type, 0, sizeof(*type));
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(type, &connectionType_);
}

STDMETHODIMP DestPin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = filter_;
  if (filter_ != nullptr) filter_->AddRef();
  info->dir = PINDIR_INPUT;
  CopyWide(info->achName, sizeof(info->achName) / sizeof(info->achName[0]), name_);
  return S_OK;
}

STDMETHODIMP DestPin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = PINDIR_INPUT;
  return S_OK;
}

STDMETHODIMP DestPin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  *id = TaskMemoryCopy(id_);
  return *id != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP DestPin::QueryAccept(const AM_MEDIA_TYPE* type) {
  CriticalSectionLock hold(lock_);
  return type != nullptr && CheckMediaType(type) ? S_OK : S_FALSE;
}

STDMETHODIMP DestPin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  *types = new (std::nothrow) MediaTypeEnumerator(preferred_, preferredCount_);
  return *types != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP DestPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

// The program never signals the end of a stream, flushes or starts segments:
// it seeks by choosing which chunks to push.
STDMETHODIMP DestPin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP DestPin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP DestPin::EndFlush() { return E_UNEXPECTED; }
STDMETHODIMP DestPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return E_UNEXPECTED; }
