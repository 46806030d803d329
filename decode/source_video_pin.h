// The source's video output ("Video Stream", id "ISourceVideo"): offers the
// stream's compressed (or uncompressed RGB) format as a VIDEOINFOHEADER type.
#pragma once

#include "decode/instance_counter.h"
#include "decode/source_pin.h"

#include <memory>

class SourceVideoPin : public SourcePin, private InstanceCounter<SourceVideoPin> {
 public:
  SourceVideoPin(DecoderContext* context, AviSplitterFilter* filter);

  bool CheckMediaType(const AM_MEDIA_TYPE* type) override;
  uint32_t BufferSize() override;

  using InstanceCounter<SourceVideoPin>::Live;

 private:
  ~SourceVideoPin() override = default;

  std::unique_ptr<uint8_t[]> format_;  // the type's format block
};

// The subtype of a video stream: the FOURCC pattern with the code upper-cased
// (letters a to z only, stopping at a zero byte), or for uncompressed
// streams the RGB subtype of the bit count (all zero when there is none).
GUID VideoSubtype(uint32_t compression, uint16_t bitCount);
