#include "decode/pin_enumerator.h"

#include "decode/query_interface.h"

#include <new>

PinEnumerator::PinEnumerator(IPin* const* pins, int count) {
  if (count > 0 && pins != nullptr) {
    pins_ = new (std::nothrow) IPin*[count];
    if (pins_ != nullptr) {
      count_ = count;
      for (int i = 0; i < count_; ++i) pins_[i] = pins[i];
    }
  }
  AddRef();
}

PinEnumerator::~PinEnumerator() { delete[] pins_; }

STDMETHODIMP PinEnumerator::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IEnumPins}, iid, object);
}

STDMETHODIMP_(ULONG) PinEnumerator::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) PinEnumerator::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left <= 0) {
    delete this;
    return 0;
  }
  return left;
}

STDMETHODIMP PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  ULONG handed = 0;
  while (handed < count && cursor_ + static_cast<LONGLONG>(handed) < count_) {
    IPin* pin = pins_[cursor_ + handed];
    pin->AddRef();
    pins[handed++] = pin;
  }
  if (fetched != nullptr) *fetched = handed;
  return Skip(count);
}

STDMETHODIMP PinEnumerator::Skip(ULONG count) {
  const LONGLONG cursor = cursor_ + static_cast<LONGLONG>(count);
  if (cursor <= count_) {
    cursor_ = static_cast<int>(cursor);
    return S_OK;
  }
  cursor_ = 0;
  return S_FALSE;
}

STDMETHODIMP PinEnumerator::Reset() {
  cursor_ = 0;
  return S_OK;
}

STDMETHODIMP PinEnumerator::Clone(IEnumPins** clone) {
  if (clone == nullptr) return E_POINTER;
  auto* copy = new (std::nothrow) PinEnumerator(pins_, count_);
  if (copy == nullptr) {
    *clone = nullptr;
    return E_OUTOFMEMORY;
  }
  copy->Skip(cursor_);
  *clone = copy;
  return S_OK;
}
