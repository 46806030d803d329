// What the grabber's two input pins share: IPin for an input that accepts
// exactly the decoded formats the playback engine wants, a DestTransport for
// IMemInputPin, and an allocator offered to the decompressor.
#pragma once

#include "decode/direct_show.h"
#include "decode/pin_base.h"

#include <memory>

class DecoderContext;
class DestTransport;
class SampleGrabberFilter;

class DestPin : public PinBase<DestPin> {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;

  // The pin's own operations, in slot order after IPin's.
  virtual bool CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
  // Keeps the accepted type as the connection media type.
  virtual void SetMediaType(const AM_MEDIA_TYPE* type);

 protected:
  virtual ~DestPin();  // only Release deletes a pin

 public:
  // A decoded sample, handed over by the transport under the pin's lock.
  virtual HRESULT Receive(IMediaSample* sample) = 0;
  virtual uint32_t BufferSize() = 0;
  // Where the allocator's sample points now (video), or null.
  virtual BYTE* BufferPointer() = 0;

  // The allocator offered to the upstream pin (no reference added).
  IMemAllocator* Allocator() const { return allocator_; }
  DestTransport* Transport() const { return transport_.get(); }
  // The type kept by the last accepted connection (it stays after Disconnect).
  const AM_MEDIA_TYPE& ConnectionType() const { return connectionType_; }

 protected:
  DestPin(CRITICAL_SECTION* lock, DecoderContext* context, SampleGrabberFilter* filter,
          const wchar_t* name, const wchar_t* id);
  // Called by the concrete pin's constructor: creates the transport and
  // takes the allocator, either a foreign one whose reference it takes over
  // or (counted false) a part of the concrete pin, which deletes it.
  void AttachAllocator(IMemAllocator* allocator, bool counted = true);
  // The types offered by EnumMediaTypes (the concrete pin owns them).
  void SetPreferredTypes(const AM_MEDIA_TYPE* types, int count);

  DecoderContext* context_;  // not counted: the decoder outlives its graph
  AM_MEDIA_TYPE connectionType_ = {};

 private:
  friend class LockedUnknown<DestPin, IPin>;  // Release deletes the pin

  std::unique_ptr<DestTransport> transport_;  // a part of the pin
  IMemAllocator* allocator_ = nullptr;
  bool allocatorCounted_ = true;
  const AM_MEDIA_TYPE* preferred_ = nullptr;
  int preferredCount_ = 0;
};
