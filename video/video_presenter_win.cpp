#include "video/video_presenter.h"

#include "video/draw_dib_context.h"
#include "video/resize_rows.h"
#include "video/video_presenter_pack.h"

#include <cstring>
#include <new>

VideoPresenter* g_presenter = nullptr;

namespace {

// The resizers write one byte past each row; the buffer carries spare bytes.
constexpr int32_t kResizeSpareBytes = 512;
constexpr uint32_t kYuy2Black = 0x80008000u;

template <typename T>
void ReleaseInterface(T** pointer) {
  if (*pointer != nullptr) (*pointer)->Release();
  *pointer = nullptr;
}

DDPIXELFORMAT FourCcFormat(DWORD fourCc) {
  DDPIXELFORMAT format;
  std::memset(&format, 0, sizeof format);
  format.dwSize = sizeof format;
  format.dwFlags = DDPF_FOURCC;
  format.dwFourCC = fourCc;
  return format;
}

DDPIXELFORMAT RgbFormat(DWORD bits, DWORD red, DWORD green, DWORD blue) {
  DDPIXELFORMAT format;
  std::memset(&format, 0, sizeof format);
  format.dwSize = sizeof format;
  format.dwFlags = DDPF_RGB;
  format.dwRGBBitCount = bits;
  format.dwRBitMask = red;
  format.dwGBitMask = green;
  format.dwBBitMask = blue;
  return format;
}

struct Candidate {
  int32_t mode;
  uint32_t allowBit;
  DDPIXELFORMAT format;
};

// The overlay formats in order of preference.
const Candidate* Candidates(size_t* count) {
  static const Candidate kCandidates[] = {
      {kPresentYuy2, kAllowYuy2, FourCcFormat(MAKEFOURCC('Y', 'U', 'Y', '2'))},
      {kPresentUyvy, kAllowUyvy, FourCcFormat(MAKEFOURCC('U', 'Y', 'V', 'Y'))},
      {kPresentRgb32, kAllowRgbTrue, RgbFormat(32, 0xFF0000, 0xFF00, 0xFF)},
      {kPresentRgb24, kAllowRgbTrue, RgbFormat(24, 0xFF0000, 0xFF00, 0xFF)},
      {kPresentRgb16, kAllowRgb16, RgbFormat(16, 0xF800, 0x7E0, 0x1F)},
  };
  *count = sizeof kCandidates / sizeof kCandidates[0];
  return kCandidates;
}

DDSURFACEDESC EmptySurfaceDesc() {
  DDSURFACEDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  return desc;
}

static_assert(kCapsOverlay == DDCAPS_OVERLAY && kCapsOverlayStretch == DDCAPS_OVERLAYSTRETCH &&
                  kCapsAlignBoundarySrc == DDCAPS_ALIGNBOUNDARYSRC &&
                  kCapsAlignSizeSrc == DDCAPS_ALIGNSIZESRC &&
                  kCapsAlignBoundaryDest == DDCAPS_ALIGNBOUNDARYDEST &&
                  kCapsAlignSizeDest == DDCAPS_ALIGNSIZEDEST,
              "the rectangle arithmetic reads DirectDraw's caps bits");

}  // namespace

VideoPresenter::VideoPresenter() {
  std::memset(&overlayFx_, 0, sizeof overlayFx_);
  std::memset(&caps_, 0, sizeof caps_);
}

VideoPresenter::~VideoPresenter() { Shutdown(); }

bool VideoPresenter::Setup(IDirectDraw* directDraw, HWND window, const RECT* videoRect,
                           int32_t width, int32_t height, int32_t pitch, uint32_t allowFlags) {
  if (window == nullptr) return false;
  const bool quick = mode_ != kPresentDisabled && mode_ != kPresentNonOverlay &&
                     width == sourceWidth_ && height == sourceHeight_ &&
                     allowFlags == allowFlags_;
  window_ = window;
  RECT rect = {0, 0, 0, 0};
  if (videoRect != nullptr) {
    rect = *videoRect;
  } else {
    GetClientRect(window, &rect);
  }
  videoLeft_ = rect.left;
  videoTop_ = rect.top;
  videoWidth_ = rect.right - rect.left;
  videoHeight_ = rect.bottom - rect.top;
  sourcePitch_ = pitch;
  sourceWidth_ = width;
  sourceHeight_ = height;
  allowFlags_ = allowFlags;
  if (quick && Reposition()) return true;

  Release();
  borrowed_ = directDraw;
  if (!NegotiateOverlay(directDraw)) {
    Release();
    mode_ = kPresentNonOverlay;
  }
  if (mode_ != kPresentYuy2 && width > 0 && height > 0) {
    conversion_.reset(new uint32_t[static_cast<size_t>(width) * static_cast<size_t>(height)]());
  }
  return true;
}

// Every step that fails ends the search; the caller falls back to mode 1.
bool VideoPresenter::NegotiateOverlay(IDirectDraw* borrowed) {
  if ((allowFlags_ & (kAllowRgb16 | kAllowRgbTrue | kAllowYuy2)) == 0) return false;
  if (!CreateDirectDraw(borrowed) || !CreatePrimary() || !ReadCaps()) return false;
  if ((caps_.dwCaps & DDCAPS_OVERLAY) == 0 || (caps_.dwCaps & DDCAPS_OVERLAYSTRETCH) == 0) {
    return false;
  }
  surfaceWidth_ = OverlaySurfaceWidth(OverlayCapsOf(), sourceWidth_);
  surfaceHeight_ = sourceHeight_;
  if (!ComputeRects() || !TryCandidates() || !ClearOverlay()) return false;
  std::memset(&overlayFx_, 0, sizeof overlayFx_);
  overlayFx_.dwSize = sizeof overlayFx_;
  overlayFlags_ = DDOVER_SHOW;
  return SetUpColorKeyOrClipper() && Reposition();
}

bool VideoPresenter::CreateDirectDraw(IDirectDraw* borrowed) {
  if (borrowed != nullptr) {
    directDraw_ = borrowed;
    return true;
  }
  IDirectDraw* created = nullptr;
  if (FAILED(DirectDrawCreate(nullptr, &created, nullptr)) || created == nullptr) return false;
  directDraw_ = created;
  return SUCCEEDED(directDraw_->SetCooperativeLevel(window_, DDSCL_NORMAL));
}

bool VideoPresenter::CreatePrimary() {
  DDSURFACEDESC desc = EmptySurfaceDesc();
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  if (FAILED(directDraw_->CreateSurface(&desc, &primary_, nullptr))) {
    primary_ = nullptr;
    return false;
  }
  DDPIXELFORMAT format;
  std::memset(&format, 0, sizeof format);
  format.dwSize = sizeof format;
  if (SUCCEEDED(primary_->GetPixelFormat(&format))) {
    primaryDepth_ = static_cast<uint8_t>(format.dwRGBBitCount);
  }
  return true;
}

bool VideoPresenter::ReadCaps() {
  std::memset(&caps_, 0, sizeof caps_);
  caps_.dwSize = sizeof caps_;
  return SUCCEEDED(directDraw_->GetCaps(&caps_, nullptr));
}

OverlayCaps VideoPresenter::OverlayCapsOf() const {
  OverlayCaps caps;
  caps.caps = caps_.dwCaps;
  caps.minOverlayStretch = caps_.dwMinOverlayStretch;
  caps.maxOverlayStretch = caps_.dwMaxOverlayStretch;
  caps.alignBoundarySrc = caps_.dwAlignBoundarySrc;
  caps.alignSizeSrc = caps_.dwAlignSizeSrc;
  caps.alignBoundaryDest = caps_.dwAlignBoundaryDest;
  caps.alignSizeDest = caps_.dwAlignSizeDest;
  return caps;
}

bool VideoPresenter::TryCandidates() {
  size_t count = 0;
  const Candidate* candidates = Candidates(&count);
  for (size_t i = 0; i < count; ++i) {
    const Candidate& candidate = candidates[i];
    if ((allowFlags_ & candidate.allowBit) == 0) continue;
    mode_ = candidate.mode;
    if ((allowFlags_ & kAllowBackBuffer) != 0) {
      if (CreateOverlay(candidate.format, true)) {
        DDSCAPS caps;
        caps.dwCaps = DDSCAPS_BACKBUFFER;
        if (SUCCEEDED(overlay_->GetAttachedSurface(&caps, &backBuffer_))) return true;
        backBuffer_ = nullptr;
        ReleaseInterface(&overlay_);
        continue;  // a chain without its back buffer: the candidate failed
      }
    }
    if (CreateOverlay(candidate.format, false)) return true;
  }
  return false;
}

bool VideoPresenter::CreateOverlay(const DDPIXELFORMAT& format, bool flipping) {
  DDSURFACEDESC desc = EmptySurfaceDesc();
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  desc.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
  if (flipping) {
    desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
  }
  desc.dwWidth = static_cast<DWORD>(surfaceWidth_);
  desc.dwHeight = static_cast<DWORD>(surfaceHeight_);
  desc.ddpfPixelFormat = format;
  if (FAILED(directDraw_->CreateSurface(&desc, &overlay_, nullptr))) {
    overlay_ = nullptr;
    return false;
  }
  return true;
}

// A YUY2 overlay starts black; the others start with zero bytes.
bool VideoPresenter::ClearOverlay() {
  DDSURFACEDESC desc = EmptySurfaceDesc();
  if (FAILED(overlay_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return false;
  const uint32_t fill = mode_ == kPresentYuy2 ? kYuy2Black : 0;
  uint32_t* words = static_cast<uint32_t*>(desc.lpSurface);
  const size_t count = static_cast<size_t>(surfaceHeight_) * static_cast<size_t>(desc.lPitch) / 4;
  for (size_t i = 0; i < count; ++i) words[i] = fill;
  overlay_->Unlock(nullptr);
  return true;
}

COLORREF VideoPresenter::KeyColor() const {
  return primaryDepth_ == 8 ? RGB(255, 0, 255) : RGB(16, 0, 16);
}

bool VideoPresenter::SetUpColorKeyOrClipper() {
  if ((caps_.dwCKeyCaps & DDCKEYCAPS_DESTOVERLAY) != 0) {
    const DWORD key = MatchColorKey(primary_, KeyColor());
    overlayFx_.dckDestColorkey.dwColorSpaceLowValue = key;
    overlayFx_.dckDestColorkey.dwColorSpaceHighValue = key;
    overlayFlags_ |= DDOVER_KEYDESTOVERRIDE | DDOVER_DDFX;
    return true;
  }
  if (FAILED(directDraw_->CreateClipper(0, &clipper_, nullptr))) {
    clipper_ = nullptr;
    return false;
  }
  return SUCCEEDED(clipper_->SetHWnd(0, window_)) && SUCCEEDED(primary_->SetClipper(clipper_));
}

// The surface's pixel value of a GDI colour: drawn through GDI at (0, 0) and
// read back through a lock, the pixel being put back afterwards.
DWORD VideoPresenter::MatchColorKey(IDirectDrawSurface* surface, COLORREF color) {
  COLORREF saved = CLR_INVALID;
  HDC dc = nullptr;
  if (color != CLR_INVALID && SUCCEEDED(surface->GetDC(&dc))) {
    saved = GetPixel(dc, 0, 0);
    HBRUSH brush = CreateSolidBrush(color);
    RECT pixel = {0, 0, 1, 1};
    FillRect(dc, &pixel, brush);
    DeleteObject(brush);
    surface->ReleaseDC(dc);
  }
  DWORD value = 0xFFFFFFFFu;
  DDSURFACEDESC desc = EmptySurfaceDesc();
  HRESULT result;
  while ((result = surface->Lock(nullptr, &desc, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
  }
  if (SUCCEEDED(result)) {
    value = *static_cast<DWORD*>(desc.lpSurface);
    const DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
    if (bits < 32) value &= (1u << bits) - 1;
    surface->Unlock(nullptr);
  }
  if (color != CLR_INVALID && saved != CLR_INVALID && SUCCEEDED(surface->GetDC(&dc))) {
    SetPixel(dc, 0, 0, saved);
    surface->ReleaseDC(dc);
  }
  return value;
}

bool VideoPresenter::ComputeRects() {
  OverlayPlacement placement;
  POINT origin = {0, 0};
  ClientToScreen(window_, &origin);
  placement.clientOrigin = origin;
  placement.left = videoLeft_;
  placement.top = videoTop_;
  placement.width = videoWidth_;
  placement.height = videoHeight_;
  placement.sourceWidth = sourceWidth_;
  placement.sourceHeight = sourceHeight_;
  placement.surfaceWidth = surfaceWidth_;
  placement.surfaceHeight = surfaceHeight_;
  placement.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  placement.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  return ComputeOverlayRects(OverlayCapsOf(), placement, &overlaySource_, &overlayDestination_);
}

bool VideoPresenter::ShowOverlay() {
  if (overlay_ == nullptr || overlay_->IsLost() != DD_OK) return false;
  return SUCCEEDED(overlay_->UpdateOverlay(&overlaySource_, primary_, &overlayDestination_,
                                           overlayFlags_, &overlayFx_));
}

// Moves the overlay to the video rectangle and paints the key colour there.
bool VideoPresenter::Reposition() {
  if (!ComputeRects() || !ShowOverlay()) return false;
  HDC dc = GetDC(window_);
  if (dc == nullptr) return false;
  HBRUSH brush = CreateSolidBrush(KeyColor());
  RECT rect = {videoLeft_, videoTop_, videoLeft_ + videoWidth_, videoTop_ + videoHeight_};
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
  ReleaseDC(window_, dc);
  return true;
}

bool VideoPresenter::Present(const uint8_t* frame, const Options& options) {
  if (frame == nullptr) return false;
  switch (mode_) {
    case kPresentNonOverlay:
      return PresentNonOverlay(frame, options);
    case kPresentRgb16:
    case kPresentRgb24:
    case kPresentRgb32:
    case kPresentUyvy:
    case kPresentYuy2:
      return PresentOverlay(frame, options);
    default:
      return false;  // nothing set up, or YV12 (never set up)
  }
}

bool VideoPresenter::ConvertFrame(const uint8_t* frame, const Options& options) {
  if (conversion_ == nullptr) return false;
  ConvertYuy2ToRgb32(frame, sourceWidth_, sourceHeight_, sourcePitch_, conversion_.get(),
                     options.highQualityConversion != 0, &lookup_);
  return true;
}

bool VideoPresenter::PresentNonOverlay(const uint8_t* frame, const Options& options) {
  if (videoWidth_ < 1 || videoHeight_ < 1 || !ConvertFrame(frame, options)) return false;
  if (!PrepareResizeBuffer()) return false;
  ResizeIntoBuffer(options.nonOverlayResize == 1);
  HDC dc = GetDC(window_);
  if (dc == nullptr) return false;
  g_drawDib.Draw(dc, videoLeft_, videoTop_, resizeWidth_, resizeHeight_, resize_.get());
  ReleaseDC(window_, dc);
  // Wine puts what another thread drew into a window on the screen only when
  // the window's own thread next goes idle; a message wakes it for every
  // frame, or the next frame can overwrite this one unseen.
  PostMessageA(window_, WM_NULL, 0, 0);
  return true;
}

// (Re)made only when the video rectangle changes size.
bool VideoPresenter::PrepareResizeBuffer() {
  if (resize_ != nullptr && resizeWidth_ == videoWidth_ && resizeHeight_ == videoHeight_) {
    return true;
  }
  resizeWidth_ = videoWidth_;
  resizeHeight_ = videoHeight_;
  resizeStride_ = ((3 * resizeWidth_ - 1) / 4) * 4 + 4;
  const size_t bytes =
      static_cast<size_t>(resizeStride_) * static_cast<size_t>(resizeHeight_) + kResizeSpareBytes;
  resize_.reset(new (std::nothrow) uint8_t[bytes]());
  stepY_ = static_cast<int32_t>((int64_t{sourceHeight_} * 65536 - 65536) / resizeHeight_);
  stepX_ = static_cast<int32_t>((int64_t{sourceWidth_} * 65536 - 65536) / resizeWidth_);
  return resize_ != nullptr;
}

// Output row i (from the bottom of the DIB) samples source row H - 1 - (q >> 16)
// with q = i x the vertical step; bilinear blends it with the row above.
void VideoPresenter::ResizeIntoBuffer(bool bilinear) {
  const uint32_t* pixels = conversion_.get();
  int32_t q = 0;
  for (int32_t i = 0; i < resizeHeight_; ++i, q += stepY_) {
    uint8_t* out = resize_.get() + static_cast<size_t>(i) * static_cast<size_t>(resizeStride_);
    const int32_t rowA = sourceHeight_ - 1 - (q >> 16);
    const uint32_t* a = pixels + static_cast<size_t>(rowA) * static_cast<size_t>(sourceWidth_);
    if (bilinear) {
      const int32_t rowB = rowA > 0 ? rowA - 1 : 0;
      const uint32_t* b = pixels + static_cast<size_t>(rowB) * static_cast<size_t>(sourceWidth_);
      ResizeRowBilinear(a, b, q, out, stepX_, resizeWidth_);
    } else {
      ResizeRowNearest(a, out, stepX_, resizeWidth_);
    }
  }
}

bool VideoPresenter::PresentOverlay(const uint8_t* frame, const Options& options) {
  IDirectDrawSurface* target = backBuffer_ != nullptr ? backBuffer_ : overlay_;
  if (target == nullptr) return false;
  if (ConvertsInSoftware(mode_) && !ConvertFrame(frame, options)) return false;
  DDSURFACEDESC desc = EmptySurfaceDesc();
  if (FAILED(target->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) return false;
  const PackTarget packTarget =
      CentredTarget(static_cast<uint8_t*>(desc.lpSurface), desc.lPitch, surfaceWidth_,
                    surfaceHeight_, sourceWidth_, sourceHeight_);
  PackOverlayFrame(mode_, frame, sourcePitch_, conversion_.get(), sourceWidth_, sourceHeight_,
                   packTarget);
  target->Unlock(nullptr);
  if (backBuffer_ != nullptr) overlay_->Flip(nullptr, DDFLIP_WAIT);
  return true;
}

void VideoPresenter::Release() {
  resize_.reset();
  resizeWidth_ = resizeHeight_ = 0;
  conversion_.reset();
  ReleaseInterface(&clipper_);
  ReleaseInterface(&overlay_);
  ReleaseInterface(&primary_);
  if (directDraw_ != nullptr && directDraw_ != borrowed_) directDraw_->Release();
  directDraw_ = nullptr;
  backBuffer_ = nullptr;
  mode_ = kPresentDisabled;
}

void VideoPresenter::Shutdown() {
  Release();
  lookup_.Free();
}

void VideoPresenter::GetMode(int32_t* mode, bool* doubleBuffered) const {
  if (mode != nullptr) *mode = mode_;
  if (doubleBuffered != nullptr) *doubleBuffered = backBuffer_ != nullptr;
}
