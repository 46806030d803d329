#include "decode/frame_sample.h"

#include "decode/query_interface.h"
#include "platform/critical_section_lock.h"

FrameSample::FrameSample(CRITICAL_SECTION* lock, IUnknown* owner, BYTE* const* bufferPointer,
                         const LONG* bufferSize)
    : lock_(lock), owner_(owner), bufferSize_(bufferSize), bufferPointer_(bufferPointer) {}

STDMETHODIMP FrameSample::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IMediaSample}, iid, object);
}

STDMETHODIMP FrameSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  *buffer = *bufferPointer_;
  return S_OK;
}

STDMETHODIMP_(LONG) FrameSample::GetSize() {
  CriticalSectionLock hold(lock_);
  return *bufferSize_;
}

STDMETHODIMP FrameSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  CriticalSectionLock hold(lock_);
  if (start != nullptr) *start = start_;
  if (end != nullptr) *end = end_;
  return S_OK;
}

STDMETHODIMP FrameSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  CriticalSectionLock hold(lock_);
  if (start != nullptr) start_ = *start;
  if (end != nullptr) end_ = *end;
  return S_OK;
}

STDMETHODIMP FrameSample::IsSyncPoint() {
  CriticalSectionLock hold(lock_);
  return syncPoint_ ? S_OK : S_FALSE;
}

STDMETHODIMP FrameSample::SetSyncPoint(BOOL syncPoint) {
  CriticalSectionLock hold(lock_);
  syncPoint_ = syncPoint;
  return S_OK;
}

STDMETHODIMP FrameSample::IsPreroll() {
  CriticalSectionLock hold(lock_);
  return preroll_ ? S_OK : S_FALSE;
}

STDMETHODIMP FrameSample::SetPreroll(BOOL preroll) {
  CriticalSectionLock hold(lock_);
  preroll_ = preroll;
  return S_OK;
}

STDMETHODIMP_(LONG) FrameSample::GetActualDataLength() {
  CriticalSectionLock hold(lock_);
  return actualLength_;
}

// No check against the size: the length is the decompressor's statement,
// which the decoder compares with the agreed format when a file opens.
STDMETHODIMP FrameSample::SetActualDataLength(LONG length) {
  CriticalSectionLock hold(lock_);
  actualLength_ = length;
  return S_OK;
}

// The type never changes while connected.
STDMETHODIMP FrameSample::GetMediaType(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  *type = nullptr;
  return S_FALSE;
}

STDMETHODIMP FrameSample::SetMediaType(AM_MEDIA_TYPE*) { return E_NOTIMPL; }

STDMETHODIMP FrameSample::IsDiscontinuity() {
  CriticalSectionLock hold(lock_);
  return discontinuity_ ? S_OK : S_FALSE;
}

STDMETHODIMP FrameSample::SetDiscontinuity(BOOL discontinuity) {
  CriticalSectionLock hold(lock_);
  discontinuity_ = discontinuity;
  return S_OK;
}

STDMETHODIMP FrameSample::GetMediaTime(LONGLONG* start, LONGLONG* end) {
  CriticalSectionLock hold(lock_);
  if (start != nullptr) *start = mediaStart_;
  if (end != nullptr) *end = mediaEnd_;
  return S_OK;
}

STDMETHODIMP FrameSample::SetMediaTime(LONGLONG* start, LONGLONG* end) {
  CriticalSectionLock hold(lock_);
  if (start != nullptr) mediaStart_ = *start;
  if (end != nullptr) mediaEnd_ = *end;
  return S_OK;
}
