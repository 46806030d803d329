#include "decode/media_type.h"

#include <cstring>

HRESULT CopyMediaType(AM_MEDIA_TYPE* destination, const AM_MEDIA_TYPE* source) {
  if (destination == nullptr || source == nullptr || destination == source) return E_POINTER;
  *destination = *source;
  destination->pbFormat = nullptr;  // never share the source's block
  HRESULT result = S_OK;
  if (source->cbFormat != 0 && source->pbFormat != nullptr) {
    destination->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (destination->pbFormat != nullptr) {
      std::memcpy(destination->pbFormat, source->pbFormat, source->cbFormat);
    } else {
      destination->cbFormat = 0;
      result = E_OUTOFMEMORY;
    }
  }
  if (destination->pUnk != nullptr) destination->pUnk->AddRef();
  return result;
}

void FreeMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  if (type->cbFormat != 0) {
    CoTaskMemFree(type->pbFormat);
    type->cbFormat = 0;
    type->pbFormat = nullptr;
  }
  if (type->pUnk != nullptr) {
    type->pUnk->Release();
    type->pUnk = nullptr;
  }
}

AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE* source) {
  auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (copy == nullptr) return nullptr;
  if (FAILED(CopyMediaType(copy, source))) {
    FreeMediaType(copy);
    CoTaskMemFree(copy);
    return nullptr;
  }
  return copy;
}

REFERENCE_TIME AverageTimePerFrame(int32_t rate, int32_t scale) {
  if (rate == 0 || scale == 0) return 0;
  const double perFrame = 10000000.0 / (static_cast<double>(rate) / scale);
  if (!(perFrame > -2147483648.0 && perFrame < 2147483648.0)) return 0;
  return static_cast<int32_t>(perFrame);
}
