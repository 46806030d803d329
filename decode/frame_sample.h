// The one IMediaSample of a FrameAllocator. It has no memory of its own: its
// pointer and size are always its allocator's current buffer, which is the
// frame the decoder is filling, so a decompressor writes straight into it.
// It is a part of its allocator: its references are the allocator's (and so
// the pin's), so a decompressor that keeps the sample keeps them alive.
#pragma once

#include "decode/direct_show.h"
#include "decode/instance_counter.h"

class FrameSample : public IMediaSample, private InstanceCounter<FrameSample> {
 public:
  // lock is the decoder's video lock. The owner and the two pointers are the
  // allocator's, which deletes the sample when it goes.
  FrameSample(CRITICAL_SECTION* lock, IUnknown* owner, BYTE* const* bufferPointer,
              const LONG* bufferSize);
  virtual ~FrameSample() = default;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  // The sample may go with this call: nothing of it is touched after.
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

  STDMETHODIMP GetPointer(BYTE** buffer) override;
  STDMETHODIMP_(LONG) GetSize() override;
  STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  STDMETHODIMP SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  STDMETHODIMP IsSyncPoint() override;
  STDMETHODIMP SetSyncPoint(BOOL syncPoint) override;
  STDMETHODIMP IsPreroll() override;
  STDMETHODIMP SetPreroll(BOOL preroll) override;
  STDMETHODIMP_(LONG) GetActualDataLength() override;
  STDMETHODIMP SetActualDataLength(LONG length) override;
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP IsDiscontinuity() override;
  STDMETHODIMP SetDiscontinuity(BOOL discontinuity) override;
  STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* end) override;
  STDMETHODIMP SetMediaTime(LONGLONG* start, LONGLONG* end) override;

  using InstanceCounter<FrameSample>::Live;

 private:
  CRITICAL_SECTION* const lock_;
  IUnknown* owner_;  // the allocator: its references are ours

  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME end_ = 0;
  LONGLONG mediaStart_ = 0;
  LONGLONG mediaEnd_ = 0;
  BOOL syncPoint_ = FALSE;
  BOOL preroll_ = FALSE;
  BOOL discontinuity_ = FALSE;
  LONG actualLength_ = 0;
  const LONG* bufferSize_;      // the allocator's
  BYTE* const* bufferPointer_;  // the allocator's
};
