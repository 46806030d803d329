#include "decode/source_video_pin.h"

#include "decode/decoder_context.h"
#include "decode/media_type.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

bool RectFits(const RECT& rect, LONG width, LONG height) {
  return rect.left == 0 && rect.top == 0 && (rect.right == 0 || rect.right == width) &&
         (rect.bottom == 0 || rect.bottom == height);
}

}  // namespace

GUID VideoSubtype(uint32_t compression, uint16_t bitCount) {
  if (compression != 0) {
    uint32_t upper = compression;
    for (int i = 0; i < 4; ++i) {
      const uint32_t c = (compression >> (8 * i)) & 0xFF;
      if (c == 0) break;
      if (c >= 'a' && c <= 'z') upper = (upper & ~(0xFFu << (8 * i))) | ((c - 32) << (8 * i));
    }
    return FourccSubtype(upper);
  }
  switch (bitCount) {
    case 1: return MEDIASUBTYPE_RGB1;
    case 4: return MEDIASUBTYPE_RGB4;
    case 8: return MEDIASUBTYPE_RGB8;
    case 16: return MEDIASUBTYPE_RGB555;
    case 24: return MEDIASUBTYPE_RGB24;
    case 32: return MEDIASUBTYPE_RGB32;
    default: return GUID_NULL;
  }
}

SourceVideoPin::SourceVideoPin(DecoderContext* context, AviSplitterFilter* filter)
    : SourcePin(&context->videoLock, context, filter, L"Video Stream", L"ISourceVideo") {
  const VideoStreamInfo& video = context->video;
  const BITMAPINFOHEADER* header = context->VideoHeader();
  const uint32_t headerOffset = offsetof(VIDEOINFOHEADER, bmiHeader);
  const uint32_t size = std::max<uint32_t>(video.formatSize + headerOffset, sizeof(VIDEOINFOHEADER));
  format_.reset(new uint8_t[size]());
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(format_.get());
  info->AvgTimePerFrame = AverageTimePerFrame(video.rate, video.scale);
  if (video.format != nullptr) std::memcpy(format_.get() + headerOffset, video.format, video.formatSize);

  mediaType_.majortype = MEDIATYPE_Video;
  mediaType_.subtype = header != nullptr ? VideoSubtype(header->biCompression, header->biBitCount)
                                         : GUID_NULL;
  // Masks name the RGB subtypes that have them.
  if (header != nullptr && header->biCompression == BI_BITFIELDS && context->describesPicture) {
    switch (context->sourcePicture.form) {
      case PictureForm::kRgb555: mediaType_.subtype = MEDIASUBTYPE_RGB555; break;
      case PictureForm::kRgb565: mediaType_.subtype = MEDIASUBTYPE_RGB565; break;
      case PictureForm::kRgb32: mediaType_.subtype = MEDIASUBTYPE_RGB32; break;
      default: break;
    }
  }
  mediaType_.bFixedSizeSamples = FALSE;
  mediaType_.bTemporalCompression = TRUE;
  mediaType_.lSampleSize = 0;
  mediaType_.formattype = FORMAT_VideoInfo;
  mediaType_.pUnk = nullptr;
  mediaType_.cbFormat = size;
  mediaType_.pbFormat = format_.get();
}

bool SourceVideoPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr || type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return false;
  }
  const auto* offered = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
  const auto* own = reinterpret_cast<const VIDEOINFOHEADER*>(mediaType_.pbFormat);
  const LONG width = own->bmiHeader.biWidth;
  const LONG height = std::abs(own->bmiHeader.biHeight);
  return IsEqualGUID(type->majortype, mediaType_.majortype) &&
         IsEqualGUID(type->formattype, mediaType_.formattype) &&
         IsEqualGUID(type->subtype, mediaType_.subtype) && RectFits(offered->rcSource, width, height) &&
         RectFits(offered->rcTarget, width, height) && offered->bmiHeader.biWidth == width &&
         offered->bmiHeader.biHeight == own->bmiHeader.biHeight &&
         offered->bmiHeader.biCompression == own->bmiHeader.biCompression;
}

uint32_t SourceVideoPin::BufferSize() { return context_->video.bufferSize; }
