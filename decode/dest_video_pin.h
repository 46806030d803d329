// The grabber's video input: accepts YUY2 (preferred) or RGB24 of exactly the
// stream's size, in either row order, and offers a FrameAllocator so that the
// decompressor writes into the frame the decoder is filling (zero copy). For
// an uncompressed stream that nothing else connects it takes the stream's
// own picture instead, for the decoder to convert.
#pragma once

#include "decode/dest_pin.h"
#include "decode/frame_allocator.h"
#include "decode/instance_counter.h"

#include <cstdint>
#include <memory>

class DestVideoPin : public DestPin, private InstanceCounter<DestVideoPin> {
 public:
  // The types are built from the context's BITMAPINFOHEADER.
  DestVideoPin(DecoderContext* context, SampleGrabberFilter* filter);

  bool CheckMediaType(const AM_MEDIA_TYPE* type) override;
  // Also tells the decoder whether the codec gives RGB24.
  void SetMediaType(const AM_MEDIA_TYPE* type) override;
  // Records where the decoded picture is (no copy).
  HRESULT Receive(IMediaSample* sample) override;
  // The connection's biSizeImage, 0 while unconnected.
  uint32_t BufferSize() override;
  // The decoder's destination frame.
  BYTE* BufferPointer() override;

  // Offers and accepts RGB24 alone, for a decompressor whose YUY2 output
  // turned out not to be YUY2.
  void AcceptRgb24Only(bool only);
  // From now on accepts the stream's own uncompressed picture (the source
  // pin's type: the same header, rows in the same order), which the decoder
  // converts itself; no chain of the system's filters connected it.
  void AcceptSourcePicture();
  bool TakesSourcePicture() const { return sourcePicture_; }
  // The types offered: YUY2 (index 0) and RGB24 (index 1).
  const AM_MEDIA_TYPE& PreferredType(int index) const { return types_[index]; }

  using InstanceCounter<DestVideoPin>::Live;

 private:
  ~DestVideoPin() override = default;

  std::unique_ptr<FrameAllocator> frameAllocator_;  // a part of the pin
  void BuildType(int index, const GUID& subtype, int32_t signedHeight, WORD bitCount,
                 DWORD compression);

  AM_MEDIA_TYPE types_[2] = {};
  VIDEOINFOHEADER formats_[2] = {};  // the types' format blocks
  bool rgb24Only_ = false;
  bool sourcePicture_ = false;
};
