#include "decode/dest_video_pin.h"

#include "decode/decoder_context.h"
#include "decode/frame_allocator.h"
#include "decode/media_type.h"
#include "decode/picture_format.h"
#include "decode/stream_format_check.h"
#include "platform/critical_section_lock.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool RectFits(const RECT& rect, LONG width, LONG height) {
  return rect.left == 0 && rect.top == 0 && (rect.right == 0 || rect.right == width) &&
         (rect.bottom == 0 || rect.bottom == height);
}

}  // namespace

DestVideoPin::DestVideoPin(DecoderContext* context, SampleGrabberFilter* filter)
    : DestPin(&context->videoLock, context, filter, L"Video Stream", L"IDestVideo") {
  const int32_t height = context->VideoHeight();
  BuildType(0, MEDIASUBTYPE_YUY2, -height, 16, kFourccYuy2);
  BuildType(1, MEDIASUBTYPE_RGB24, height, 24, BI_RGB);
  SetPreferredTypes(types_, 2);
  frameAllocator_.reset(new FrameAllocator(lock_, this));
  AttachAllocator(frameAllocator_.get(), false);
}

void DestVideoPin::BuildType(int index, const GUID& subtype, int32_t signedHeight, WORD bitCount,
                             DWORD compression) {
  const int32_t width = context_->VideoWidth();
  const int32_t height = std::abs(signedHeight);
  VIDEOINFOHEADER& format = formats_[index];
  format.rcSource = RECT{0, 0, width, height};
  format.rcTarget = format.rcSource;
  format.AvgTimePerFrame = AverageTimePerFrame(context_->video.rate, context_->video.scale);
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = signedHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = bitCount;
  format.bmiHeader.biCompression = compression;
  format.bmiHeader.biSizeImage = PictureBytes(bitCount, width, height);

  AM_MEDIA_TYPE& type = types_[index];
  type.majortype = MEDIATYPE_Video;
  type.subtype = subtype;
  type.bFixedSizeSamples = TRUE;
  type.bTemporalCompression = FALSE;
  type.lSampleSize = format.bmiHeader.biSizeImage;
  type.formattype = FORMAT_VideoInfo;
  type.pUnk = nullptr;
  type.cbFormat = sizeof(VIDEOINFOHEADER);
  type.pbFormat = reinterpret_cast<BYTE*>(&format);
}

void DestVideoPin::AcceptRgb24Only(bool only) {
  CriticalSectionLock hold(lock_);
  rgb24Only_ = only;
  if (only) {
    SetPreferredTypes(&types_[1], 1);
  } else {
    SetPreferredTypes(types_, 2);
  }
}

void DestVideoPin::AcceptSourcePicture() {
  CriticalSectionLock hold(lock_);
  sourcePicture_ = true;
}

bool DestVideoPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr || type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return false;
  }
  const auto* offered = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
  if (sourcePicture_) {
    const BITMAPINFOHEADER* own = context_->VideoHeader();
    const BITMAPINFOHEADER& header = offered->bmiHeader;
    return own != nullptr && context_->describesPicture && IsEqualGUID(type->majortype, MEDIATYPE_Video) &&
           IsEqualGUID(type->formattype, FORMAT_VideoInfo) && header.biWidth == own->biWidth &&
           header.biHeight == own->biHeight && header.biBitCount == own->biBitCount &&
           header.biCompression == own->biCompression;
  }
  for (int i = rgb24Only_ ? 1 : 0; i < 2; ++i) {
    const AM_MEDIA_TYPE& wanted = types_[i];
    const BITMAPINFOHEADER& header = formats_[i].bmiHeader;
    const LONG height = std::abs(header.biHeight);
    if (IsEqualGUID(type->majortype, wanted.majortype) && IsEqualGUID(type->subtype, wanted.subtype) &&
        IsEqualGUID(type->formattype, wanted.formattype) &&
        RectFits(offered->rcSource, header.biWidth, height) &&
        RectFits(offered->rcTarget, header.biWidth, height) &&
        offered->bmiHeader.biWidth == header.biWidth &&
        std::abs(offered->bmiHeader.biHeight) == height &&
        offered->bmiHeader.biBitCount == header.biBitCount &&
        offered->bmiHeader.biCompression == header.biCompression) {
      return true;
    }
  }
  return false;
}

// The own conversion is software RGB to YUV only for the RGB forms.
void DestVideoPin::SetMediaType(const AM_MEDIA_TYPE* type) {
  DestPin::SetMediaType(type);
  if (sourcePicture_) {
    context_->codecGivesRgb = IsRgbForm(context_->sourcePicture.form) ? 1 : 0;
  } else {
    context_->codecGivesRgb = IsEqualGUID(type->subtype, MEDIASUBTYPE_YUY2) ? 0 : 1;
  }
}

HRESULT DestVideoPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  CriticalSectionLock hold(lock_);
  BYTE* pointer = nullptr;
  sample->GetPointer(&pointer);
  context_->lastReceivedFrame = pointer;
  context_->lastReceivedLength = sample->GetActualDataLength();
  return S_OK;
}

// The picture's size as the connection states it. An uncompressed header may
// leave biSizeImage 0, and a decompressor may state it without the rows'
// padding, so it is never taken below the size of the padded rows (for the
// stream's own picture: of the picture the conversion reads).
uint32_t DestVideoPin::BufferSize() {
  CriticalSectionLock hold(lock_);
  if (!IsConnected() || connectionType_.pbFormat == nullptr ||
      connectionType_.cbFormat < sizeof(VIDEOINFOHEADER)) {
    return 0;
  }
  const BITMAPINFOHEADER& header =
      reinterpret_cast<const VIDEOINFOHEADER*>(connectionType_.pbFormat)->bmiHeader;
  const uint32_t rows = sourcePicture_ ? PictureLayoutBytes(context_->sourcePicture)
                                       : PictureBytes(header.biBitCount, header.biWidth, header.biHeight);
  return std::max<uint32_t>(header.biSizeImage, rows);
}

BYTE* DestVideoPin::BufferPointer() {
  CriticalSectionLock hold(lock_);
  return context_->destinationFrame;
}
