// IEnumMediaTypes over deep copies of a pin's media types. Used by one caller
// at a time, so it takes no lock.
#pragma once

#include "decode/direct_show.h"
#include "decode/instance_counter.h"

class MediaTypeEnumerator : public IEnumMediaTypes, private InstanceCounter<MediaTypeEnumerator> {
 public:
  // Copies the types (a negative count is taken as 0). The creator owns the
  // one reference the object starts with.
  MediaTypeEnumerator(const AM_MEDIA_TYPE* types, int count);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // Each handed-out type is a new task-memory record; the caller frees it
  // with FreeMediaType and CoTaskMemFree.
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** clone) override;

  using InstanceCounter<MediaTypeEnumerator>::Live;

 private:
  virtual ~MediaTypeEnumerator();

  AM_MEDIA_TYPE* types_ = nullptr;  // owned deep copies
  int count_ = 0;
  int cursor_ = 0;
  LONG references_ = 0;
};
