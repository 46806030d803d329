// The grabber video pin's IMemAllocator: one FrameSample whose buffer is the
// frame the decoder is filling at the moment of GetBuffer (the caller's frame
// or the backup frame). It owns no memory, so it never waits and never runs
// out; a sample still referenced from an earlier use is simply handed out
// again.
#pragma once

#include "decode/direct_show.h"
#include "decode/instance_counter.h"
#include "decode/locked_unknown.h"

class DestPin;
class FrameSample;

class FrameAllocator : public LockedUnknown<FrameAllocator, IMemAllocator>,
                       private InstanceCounter<FrameAllocator> {
 public:
  // lock is the decoder's video lock. The creator owns the one reference the
  // object starts with.
  FrameAllocator(CRITICAL_SECTION* lock, DestPin* pin);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

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
  friend class LockedUnknown<FrameAllocator, IMemAllocator>;  // Release deletes the object
  virtual ~FrameAllocator();

  DestPin* pin_;            // not counted: the pin owns the allocator
  FrameSample* sample_;     // counted
  BYTE* bufferPointer_ = nullptr;
  LONG bufferSize_ = 0;     // 0 until the first accepted SetProperties
  ALLOCATOR_PROPERTIES properties_;
};
