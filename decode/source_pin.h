// What the source filter's two output pins share: IPin for an output that
// offers one media type built from the AVI stream format, negotiates an
// allocator with the decompressor's input, and hands samples to that input's
// IMemInputPin::Receive when the decoder pushes a chunk (Deliver).
#pragma once

#include "decode/direct_show.h"
#include "decode/pin_base.h"

#include <cstdint>

class AviSplitterFilter;
class DecoderContext;

class SourcePin : public PinBase<SourcePin> {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;

  // The pin's own operations, in slot order after IPin's.
  virtual bool CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
  // The buffer one chunk needs: the larger of dwSuggestedBufferSize and dwSampleSize.
  virtual uint32_t BufferSize() = 0;

 protected:
  virtual ~SourcePin();  // only Release deletes a pin

 public:
  // Commits the allocator (called by the filter's Run).
  virtual HRESULT Activate();

  // Pushes one sample into the connected input; VFW_E_NOT_CONNECTED without one.
  HRESULT Deliver(IMediaSample* sample);
  // Makes the pin's buffers bytes long, for a chunk larger than the stream
  // header said (every sample must be back). False when they stay as they were.
  bool GrowBuffers(uint32_t bytes);

  // The allocator in use while connected (no reference added).
  IMemAllocator* Allocator() const { return allocator_; }
  const AM_MEDIA_TYPE& MediaType() const { return mediaType_; }

 protected:
  SourcePin(CRITICAL_SECTION* lock, DecoderContext* context, AviSplitterFilter* filter,
            const wchar_t* name, const wchar_t* id);

  DecoderContext* context_;        // not counted: the decoder outlives its graph
  AM_MEDIA_TYPE mediaType_ = {};   // the one type offered; its block is freed by the concrete pin

 private:
  friend class LockedUnknown<SourcePin, IPin>;  // Release deletes the pin

  HRESULT NegotiateAllocator();
  void DropAllocator();

  IMemInputPin* transport_ = nullptr;     // counted while connected
  ALLOCATOR_PROPERTIES properties_ = {};  // as asked of the allocator
  IMemAllocator* allocator_ = nullptr;    // counted while connected
  IMemAllocator* defaultAllocator_ = nullptr;  // counted; the standard memory allocator
};
