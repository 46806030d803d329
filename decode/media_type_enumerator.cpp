#include "decode/media_type_enumerator.h"

#include "decode/media_type.h"
#include "decode/query_interface.h"

#include <new>

MediaTypeEnumerator::MediaTypeEnumerator(const AM_MEDIA_TYPE* types, int count) {
  if (count > 0 && types != nullptr) {
    types_ = new (std::nothrow) AM_MEDIA_TYPE[count];
    if (types_ != nullptr) {
      count_ = count;
      for (int i = 0; i < count_; ++i) {
        if (FAILED(CopyMediaType(&types_[i], &types[i]))) types_[i].cbFormat = 0;
      }
    }
  }
  AddRef();
}

MediaTypeEnumerator::~MediaTypeEnumerator() {
  for (int i = 0; i < count_; ++i) FreeMediaType(&types_[i]);
  delete[] types_;
}

STDMETHODIMP MediaTypeEnumerator::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IEnumMediaTypes}, iid, object);
}

STDMETHODIMP_(ULONG) MediaTypeEnumerator::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) MediaTypeEnumerator::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left <= 0) {
    delete this;
    return 0;
  }
  return left;
}

STDMETHODIMP MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  ULONG handed = 0;
  HRESULT result = S_OK;
  while (handed < count && cursor_ + static_cast<LONGLONG>(handed) < count_) {
    AM_MEDIA_TYPE* copy = CreateMediaTypeCopy(&types_[cursor_ + handed]);
    if (copy == nullptr) {
      result = E_OUTOFMEMORY;
      break;
    }
    types[handed++] = copy;
  }
  if (fetched != nullptr) *fetched = handed;
  if (FAILED(result)) {
    Skip(handed);
    return result;
  }
  return Skip(count);
}

STDMETHODIMP MediaTypeEnumerator::Skip(ULONG count) {
  const LONGLONG cursor = cursor_ + static_cast<LONGLONG>(count);
  if (cursor <= count_) {
    cursor_ = static_cast<int>(cursor);
    return S_OK;
  }
  cursor_ = count_;
  return S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Reset() {
  cursor_ = 0;
  return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Clone(IEnumMediaTypes** clone) {
  if (clone == nullptr) return E_POINTER;
  auto* copy = new (std::nothrow) MediaTypeEnumerator(types_, count_);
  if (copy == nullptr) {
    *clone = nullptr;
    return E_OUTOFMEMORY;
  }
  copy->Skip(cursor_);
  *clone = copy;
  return S_OK;
}
