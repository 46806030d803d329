// The IMemInputPin of a grabber pin: a part of the pin, not an object of its
// own. Its references are the pin's and QueryInterface answers with the pin's
// identity, so a decompressor that keeps it after the graph let go of the pin
// keeps the pin alive. Nothing here waits: Receive hands the sample to the
// pin, which returns at once.
#pragma once

#include "decode/direct_show.h"
#include "decode/instance_counter.h"

class DestPin;

class DestTransport : public IMemInputPin, private InstanceCounter<DestTransport> {
 public:
  // lock is the lock of the pin's stream. The pin owns the object and
  // deletes it when it goes.
  DestTransport(CRITICAL_SECTION* lock, DestPin* pin, IMemAllocator* allocator);
  virtual ~DestTransport() = default;

  // IMemInputPin answers itself; everything else is asked of the pin.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // The pin's own allocator, with a reference added.
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  // Raises the allocator's buffer to the pin's BufferSize if it is smaller.
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  // One buffer of the pin's BufferSize, aligned to 4, no prefix.
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;

  // The allocator last notified (only for inspection; never dereferenced).
  IMemAllocator* NotifiedAllocator() const { return allocator_; }

  using InstanceCounter<DestTransport>::Live;

 private:
  CRITICAL_SECTION* const lock_;
  IMemAllocator* allocator_;   // not counted, never dereferenced
  DestPin* pin_;               // the owner: its references are ours
};
