// The grabber video pin's IMemAllocator: one FrameSample whose buffer is the
// frame the decoder is filling at the moment of GetBuffer (the caller's frame
// or the backup frame). It owns no memory, so it never waits and never runs
// out; a sample still referenced from an earlier use is simply handed out
// again. It is a part of its pin (an identity of its own, the pin's
// references), so a decompressor that keeps it keeps the pin alive.
#pragma once

#include "decode/direct_show.h"
#include "decode/instance_counter.h"
#include <memory>

class DestPin;
class FrameSample;

class FrameAllocator : public IMemAllocator, private InstanceCounter<FrameAllocator> {
 public:
  // lock is the decoder's video lock. The pin owns the object and deletes it
  // when it goes.
  FrameAllocator(CRITICAL_SECTION* lock, DestPin* pin);
  virtual ~FrameAllocator();

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // Accepts one buffer without prefix, aligned to at most 4 bytes; anything
  // else is VFW_E_BADALIGN. Either way actual receives the current values.
  STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* properties) override;
  STDMETHODIMP Commit() override;
  STDMETHODIMP Decommit() override;
  STDMETHODIMP GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                         DWORD flags) override;
  STDMETHODIMP ReleaseBuffer(IMediaSample* sample) override;

  using InstanceCounter<FrameAllocator>::Live;

 private:
  CRITICAL_SECTION* const lock_;
  DestPin* pin_;            // the owner: its references are ours
  std::unique_ptr<FrameSample> sample_;
  BYTE* bufferPointer_ = nullptr;
  LONG bufferSize_ = 0;     // 0 until the first accepted SetProperties
  ALLOCATOR_PROPERTIES properties_;
};
