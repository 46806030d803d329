#include "decode/frame_allocator.h"

#include "decode/dest_pin.h"
#include "decode/frame_sample.h"
#include "decode/query_interface.h"
#include "platform/critical_section_lock.h"

FrameAllocator::FrameAllocator(CRITICAL_SECTION* lock, DestPin* pin)
    : lock_(lock), pin_(pin), sample_(new FrameSample(lock, this, &bufferPointer_, &bufferSize_)) {
  properties_.cBuffers = 1;
  properties_.cbBuffer = static_cast<LONG>(pin->BufferSize());
  properties_.cbAlign = 4;
  properties_.cbPrefix = 0;
}

FrameAllocator::~FrameAllocator() = default;

STDMETHODIMP_(ULONG) FrameAllocator::AddRef() { return pin_->AddRef(); }

// The pin may go with this call: nothing of the allocator is touched after.
STDMETHODIMP_(ULONG) FrameAllocator::Release() { return pin_->Release(); }

STDMETHODIMP FrameAllocator::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IMemAllocator}, iid, object);
}

STDMETHODIMP FrameAllocator::SetProperties(ALLOCATOR_PROPERTIES* request,
                                           ALLOCATOR_PROPERTIES* actual) {
  if (request == nullptr) return E_POINTER;
  HRESULT result = VFW_E_BADALIGN;
  {
    CriticalSectionLock hold(lock_);
    if (request->cBuffers == 1 && request->cbPrefix == 0 && request->cbAlign <= 4) {
      properties_ = *request;
      bufferSize_ = request->cbBuffer;
      result = S_OK;
    }
  }
  GetProperties(actual);
  return result;
}

STDMETHODIMP FrameAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties) {
  if (properties == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  *properties = properties_;
  return S_OK;
}

STDMETHODIMP FrameAllocator::Commit() { return S_OK; }

STDMETHODIMP FrameAllocator::Decommit() { return S_OK; }

STDMETHODIMP FrameAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                       REFERENCE_TIME* end, DWORD) {
  if (sample == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  bufferPointer_ = pin_->BufferPointer();
  sample_->SetTime(start, end);
  sample_->AddRef();
  *sample = sample_.get();
  return S_OK;
}

STDMETHODIMP FrameAllocator::ReleaseBuffer(IMediaSample*) { return S_OK; }
