#include "decode/dest_transport.h"

#include "decode/dest_pin.h"
#include "platform/critical_section_lock.h"

DestTransport::DestTransport(CRITICAL_SECTION* lock, DestPin* pin, IMemAllocator* allocator)
    : lock_(lock), allocator_(allocator), pin_(pin) {}

STDMETHODIMP DestTransport::QueryInterface(REFIID iid, void** object) {
  if (object != nullptr && IsEqualIID(iid, IID_IMemInputPin)) {
    *object = static_cast<IMemInputPin*>(this);
    AddRef();
    return S_OK;
  }
  return pin_->QueryInterface(iid, object);
}

STDMETHODIMP_(ULONG) DestTransport::AddRef() { return pin_->AddRef(); }

// The pin may go with this call: nothing of the transport is touched after.
STDMETHODIMP_(ULONG) DestTransport::Release() { return pin_->Release(); }

STDMETHODIMP DestTransport::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  *allocator = pin_->Allocator();
  if (*allocator == nullptr) return VFW_E_NO_ALLOCATOR;
  (*allocator)->AddRef();
  return S_OK;
}

STDMETHODIMP DestTransport::NotifyAllocator(IMemAllocator* allocator, BOOL) {
  if (allocator == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  ALLOCATOR_PROPERTIES properties = {};
  if (SUCCEEDED(allocator->GetProperties(&properties))) {
    const LONG wanted = static_cast<LONG>(pin_->BufferSize());
    if (properties.cbBuffer < wanted) {
      properties.cbBuffer = wanted;
      ALLOCATOR_PROPERTIES actual = {};
      allocator->SetProperties(&properties, &actual);
    }
  }
  allocator_ = allocator;
  return S_OK;
}

STDMETHODIMP DestTransport::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
  if (properties == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  properties->cBuffers = 1;
  properties->cbBuffer = static_cast<LONG>(pin_->BufferSize());
  properties->cbAlign = 4;
  properties->cbPrefix = 0;
  return S_OK;
}

STDMETHODIMP DestTransport::Receive(IMediaSample* sample) {
  CriticalSectionLock hold(lock_);
  return pin_->Receive(sample);
}

STDMETHODIMP DestTransport::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  CriticalSectionLock hold(lock_);
  HRESULT result = S_OK;
  long received = 0;
  for (long i = 0; i < count; ++i) {
    result = samples != nullptr && samples[i] != nullptr ? pin_->Receive(samples[i]) : E_POINTER;
    if (result != S_OK) break;
    ++received;
  }
  if (processed != nullptr) *processed = received;
  return result;
}

STDMETHODIMP DestTransport::ReceiveCanBlock() { return S_FALSE; }
