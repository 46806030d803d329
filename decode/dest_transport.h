// The IMemInputPin of a grabber pin, a separate object (asked for IUnknown it
// answers itself, not its pin). Nothing here waits: Receive hands the sample
// to the pin, which returns at once.
#pragma once

#include "decode/direct_show.h"
#include "decode/instance_counter.h"
#include "decode/locked_unknown.h"

class DestPin;

class DestTransport : public LockedUnknown<DestTransport, IMemInputPin>,
                      private InstanceCounter<DestTransport> {
 public:
  // lock is the lock of the pin's stream. The creator owns the one reference
  // the object starts with.
  DestTransport(CRITICAL_SECTION* lock, DestPin* pin, IMemAllocator* allocator);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

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
  friend class LockedUnknown<DestTransport, IMemInputPin>;  // Release deletes the object
  virtual ~DestTransport() = default;

  IMemAllocator* allocator_;   // not counted
  DestPin* pin_;               // not counted: the pin owns its transport
};
