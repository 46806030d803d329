// IEnumPins over a filter's pins. It holds no pin references, so it is valid
// only while the filter keeps its pins; used by one caller at a time, no lock.
#pragma once

#include "decode/direct_show.h"
#include "decode/instance_counter.h"

class PinEnumerator : public IEnumPins, private InstanceCounter<PinEnumerator> {
 public:
  // Copies the pointers (a negative count is taken as 0). The creator owns
  // the one reference the object starts with.
  PinEnumerator(IPin* const* pins, int count);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // Hands out pins with a reference added each.
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  // Past the end the cursor returns to the start (and the result is S_FALSE).
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** clone) override;

  using InstanceCounter<PinEnumerator>::Live;

 private:
  virtual ~PinEnumerator();

  IPin** pins_ = nullptr;  // not referenced
  int count_ = 0;
  int cursor_ = 0;
  LONG references_ = 0;
};
