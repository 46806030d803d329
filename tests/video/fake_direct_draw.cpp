#include "tests/video/fake_direct_draw.h"

#include "decode/query_interface.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
  return text;
}

DDPIXELFORMAT PixelFormat(DWORD flags, DWORD fourCc, DWORD bits, DWORD red, DWORD green, DWORD blue) {
  DDPIXELFORMAT format;
  std::memset(&format, 0, sizeof format);
  format.dwSize = sizeof format;
  format.dwFlags = flags;
  format.dwFourCC = fourCc;
  format.dwRGBBitCount = bits;
  format.dwRBitMask = red;
  format.dwGBitMask = green;
  format.dwBBitMask = blue;
  return format;
}

// The overlay formats a driver may make, exactly as they must be asked for.
struct NamedFormat {
  const char* name;
  DDPIXELFORMAT format;
  DWORD bytesPerPixel;
};
const NamedFormat kFormats[] = {
    {"YUY2", PixelFormat(DDPF_FOURCC, MAKEFOURCC('Y', 'U', 'Y', '2'), 0, 0, 0, 0), 2},
    {"UYVY", PixelFormat(DDPF_FOURCC, MAKEFOURCC('U', 'Y', 'V', 'Y'), 0, 0, 0, 0), 2},
    {"RGB32", PixelFormat(DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF), 4},
    {"RGB24", PixelFormat(DDPF_RGB, 0, 24, 0xFF0000, 0xFF00, 0xFF), 3},
    {"RGB16", PixelFormat(DDPF_RGB, 0, 16, 0xF800, 0x7E0, 0x1F), 2},
};

const NamedFormat* FindFormat(const DDPIXELFORMAT& format) {
  for (const NamedFormat& known : kFormats) {
    if (std::memcmp(&known.format, &format, sizeof format) == 0) return &known;
  }
  return nullptr;
}

DDPIXELFORMAT PrimaryFormat(int bits) {
  switch (bits) {
    case 8: return PixelFormat(DDPF_RGB | DDPF_PALETTEINDEXED8, 0, 8, 0, 0, 0);
    case 15: return PixelFormat(DDPF_RGB, 0, 16, 0x7C00, 0x3E0, 0x1F);
    case 16: return PixelFormat(DDPF_RGB, 0, 16, 0xF800, 0x7E0, 0x1F);
    default: return PixelFormat(DDPF_RGB, 0, bits, 0xFF0000, 0xFF00, 0xFF);
  }
}

// A top-down DIB section in the primary's format: a grey palette with
// magenta at kMagentaIndex for 8 bits, bit fields for 16.
HBITMAP PrimaryDib(const DDPIXELFORMAT& format, DWORD width, DWORD height, void** bits) {
  struct {
    BITMAPINFOHEADER header;
    DWORD colors[256];
  } info = {};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = static_cast<LONG>(width);
  info.header.biHeight = -static_cast<LONG>(height);
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(format.dwRGBBitCount);
  if (format.dwRGBBitCount == 16) {
    info.header.biCompression = BI_BITFIELDS;
    info.colors[0] = format.dwRBitMask;
    info.colors[1] = format.dwGBitMask;
    info.colors[2] = format.dwBBitMask;
  } else if (format.dwRGBBitCount == 8) {
    for (DWORD i = 0; i < 256; ++i) info.colors[i] = i * 0x010101;
    info.colors[FakeDirectDraw::kMagentaIndex] = 0xFF00FF;
  }
  return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

FakeSurface::FakeSurface(FakeDirectDraw* owner, const char* role, DWORD width, DWORD height,
                         const DDPIXELFORMAT& format)
    : role(role), width(width), height(height), format(format), owner_(owner) {
  ++owner_->liveObjects;
  if (this->role == "primary") {
    void* dibBits = nullptr;
    dib_ = PrimaryDib(format, width, height, &dibBits);
    DIBSECTION section = {};
    GetObjectA(dib_, sizeof section, &section);
    bits = static_cast<uint8_t*>(dibBits);
    pitch = section.dsBm.bmWidthBytes;
    // A grey every format holds exactly (index 0x35 of the 8-bit palette).
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib_);
    HBRUSH grey = CreateSolidBrush(RGB(0x35, 0x35, 0x35));
    const RECT all = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    FillRect(dc, &all, grey);
    DeleteObject(grey);
    SelectObject(dc, old);
    DeleteDC(dc);
    return;
  }
  const DWORD bytes = FindFormat(format)->bytesPerPixel;
  pitch = static_cast<LONG>((width * bytes + 3) / 4 * 4 + FakeDirectDraw::kSpareBytes);
  memory_.assign(static_cast<size_t>(pitch) * height, 0xC3);  // neither 0 nor the YUY2 black
  bits = memory_.data();
}

FakeSurface::~FakeSurface() {
  delete back;  // a flipping chain goes as a whole
  if (clipper != nullptr) clipper->Release();
  if (dib_ != nullptr) DeleteObject(dib_);
  if (owner_->primary == this) owner_->primary = nullptr;
  if (owner_->overlay == this) owner_->overlay = nullptr;
  --owner_->liveObjects;
}

STDMETHODIMP FakeSurface::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IDirectDrawSurface}, iid, object);
}

STDMETHODIMP_(ULONG) FakeSurface::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

// A display without a blitter: blits are only recorded.
STDMETHODIMP FakeSurface::Blt(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD flags, LPDDBLTFX) {
  owner_->Log("Blt " + role + " " + Hex(flags));
  return DDERR_NOBLTHW;
}

// The back buffer's picture comes to the front.
STDMETHODIMP FakeSurface::Flip(LPDIRECTDRAWSURFACE, DWORD flags) {
  owner_->Log("Flip " + Hex(flags));
  if (back == nullptr) return DDERR_NOTFLIPPABLE;
  memory_.swap(back->memory_);
  bits = memory_.data();
  back->bits = back->memory_.data();
  return DD_OK;
}

STDMETHODIMP FakeSurface::GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) {
  owner_->Log("GetAttachedSurface " + Hex(caps->dwCaps));
  if (back == nullptr || owner_->attachFails || caps->dwCaps != DDSCAPS_BACKBUFFER) return DDERR_NOTFOUND;
  back->AddRef();
  *surface = back;
  return DD_OK;
}

STDMETHODIMP FakeSurface::GetDC(HDC* dc) {
  owner_->Log("GetDC " + role);
  if (dib_ == nullptr || dc_ != nullptr) return DDERR_CANTCREATEDC;
  dc_ = CreateCompatibleDC(nullptr);
  SelectObject(dc_, dib_);
  *dc = dc_;
  return DD_OK;
}

STDMETHODIMP FakeSurface::ReleaseDC(HDC dc) {
  owner_->Log("ReleaseDC " + role);
  if (dc != dc_ || dc_ == nullptr) return DDERR_NODC;
  GdiFlush();
  DeleteDC(dc_);
  dc_ = nullptr;
  return DD_OK;
}

STDMETHODIMP FakeSurface::GetPixelFormat(LPDDPIXELFORMAT out) {
  if (out == nullptr || out->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
  *out = format;
  return DD_OK;
}

STDMETHODIMP FakeSurface::IsLost() { return owner_->lost && role != "primary" ? DDERR_SURFACELOST : DD_OK; }

STDMETHODIMP FakeSurface::Lock(LPRECT, LPDDSURFACEDESC desc, DWORD flags, HANDLE) {
  owner_->Log("Lock " + role + " " + Hex(flags));
  if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
  if (IsLost() != DD_OK) return DDERR_SURFACELOST;
  if (role == "primary" && owner_->primaryLockFails) return DDERR_GENERIC;
  if (locks_++ > 0) return DDERR_SURFACEBUSY;
  desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_LPSURFACE;
  desc->dwWidth = width;
  desc->dwHeight = height;
  desc->lPitch = pitch;
  desc->lpSurface = bits;
  desc->ddpfPixelFormat = format;
  return DD_OK;
}

STDMETHODIMP FakeSurface::Unlock(LPVOID) {
  owner_->Log("Unlock " + role);
  if (locks_ == 0) return DDERR_NOTLOCKED;
  --locks_;
  return DD_OK;
}

STDMETHODIMP FakeSurface::SetClipper(LPDIRECTDRAWCLIPPER newClipper) {
  owner_->Log("SetClipper " + role);
  if (newClipper != nullptr) newClipper->AddRef();
  if (clipper != nullptr) clipper->Release();
  clipper = newClipper;
  return DD_OK;
}

STDMETHODIMP FakeSurface::UpdateOverlay(LPRECT source, LPDIRECTDRAWSURFACE target, LPRECT destination,
                                        DWORD flags, LPDDOVERLAYFX fx) {
  owner_->Log("UpdateOverlay " + role);
  if (source == nullptr || destination == nullptr || role != "overlay") return DDERR_INVALIDPARAMS;
  OverlayUpdate update = {*source, *destination, flags, {}, target == owner_->primary};
  if (fx != nullptr) update.fx = *fx;
  owner_->updates.push_back(update);
  return DD_OK;
}

FakeClipper::FakeClipper(FakeDirectDraw* owner) : owner_(owner) { ++owner_->liveObjects; }
FakeClipper::~FakeClipper() { --owner_->liveObjects; }

STDMETHODIMP FakeClipper::QueryInterface(REFIID iid, void** object) {
  return QueryOwnInterface(this, {IID_IDirectDrawClipper}, iid, object);
}

STDMETHODIMP_(ULONG) FakeClipper::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP FakeClipper::SetHWnd(DWORD flags, HWND newWindow) {
  owner_->Log("SetHWnd " + Hex(flags));
  window = newWindow;
  return DD_OK;
}

STDMETHODIMP FakeDirectDraw4::QueryInterface(REFIID iid, void** object) { return owner_->QueryInterface(iid, object); }
STDMETHODIMP_(ULONG) FakeDirectDraw4::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) FakeDirectDraw4::Release() { return owner_->Release(); }
STDMETHODIMP FakeDirectDraw4::RestoreDisplayMode() { return owner_->RestoreDisplayMode(); }

STDMETHODIMP FakeDirectDraw4::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD hertz, DWORD flags) {
  char text[96];
  std::snprintf(text, sizeof text, "SetDisplayMode %lu %lu %lu %lu %lu", static_cast<unsigned long>(width),
                static_cast<unsigned long>(height), static_cast<unsigned long>(bits),
                static_cast<unsigned long>(hertz), static_cast<unsigned long>(flags));
  owner_->Log(text);
  return owner_->setModeResult;
}

FakeDirectDraw::FakeDirectDraw() {
  std::memset(&caps, 0, sizeof caps);
  caps.dwSize = sizeof caps;
  caps.dwCaps = DDCAPS_OVERLAY | DDCAPS_OVERLAYSTRETCH;
  caps.dwCKeyCaps = DDCKEYCAPS_DESTOVERLAY;
}

// The program gives back everything it took (the surfaces delete themselves).
FakeDirectDraw::~FakeDirectDraw() = default;

std::vector<std::string> FakeDirectDraw::Calls(const std::string& prefix) const {
  std::vector<std::string> found;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
               [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
  return found;
}

STDMETHODIMP FakeDirectDraw::QueryInterface(REFIID iid, void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDirectDraw)) {
    *object = static_cast<IDirectDraw*>(this);
  } else if (IsEqualIID(iid, IID_IDirectDraw4) && hasDirectDraw4) {
    *object = static_cast<IDirectDraw4*>(&directDraw4_);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP FakeDirectDraw::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown*) {
  Log("CreateClipper " + Hex(flags));
  if (clipperFails) return DDERR_GENERIC;
  *clipper = new FakeClipper(this);
  return DD_OK;
}

STDMETHODIMP FakeDirectDraw::CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown*) {
  if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC) || surface == nullptr) return DDERR_INVALIDPARAMS;
  if (desc->dwFlags != DDSD_CAPS || desc->ddsCaps.dwCaps != DDSCAPS_PRIMARYSURFACE) {
    return CreateOverlay(*desc, surface);
  }
  Log("CreateSurface primary");
  primary = new FakeSurface(this, "primary", 16, 2, PrimaryFormat(primaryBits));
  *surface = primary;
  return DD_OK;
}

// Only what the program must ask for: an overlay in video memory, a single
// surface or a chain of two.
HRESULT FakeDirectDraw::CreateOverlay(const DDSURFACEDESC& desc, LPDIRECTDRAWSURFACE* surface) {
  const NamedFormat* format = FindFormat(desc.ddpfPixelFormat);
  const bool flip = (desc.dwFlags & DDSD_BACKBUFFERCOUNT) != 0;
  const DWORD flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | (flip ? DDSD_BACKBUFFERCOUNT : 0);
  const DWORD kinds = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY | (flip ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0);
  if (format == nullptr || desc.dwFlags != flags || desc.ddsCaps.dwCaps != kinds ||
      (flip && desc.dwBackBufferCount != 1)) {
    Log("CreateSurface not an overlay the program asks for");
    return DDERR_INVALIDPARAMS;
  }
  Log("CreateSurface " + std::string(format->name) + " " + std::to_string(desc.dwWidth) + "x" +
      std::to_string(desc.dwHeight) + (flip ? " flip" : ""));
  if (std::find(formats.begin(), formats.end(), format->name) == formats.end() || (flip && !flipping)) {
    return DDERR_INVALIDPIXELFORMAT;
  }
  if (uint64_t{desc.dwWidth} * desc.dwHeight > (1u << 24)) return DDERR_OUTOFVIDEOMEMORY;
  overlay = new FakeSurface(this, "overlay", desc.dwWidth, desc.dwHeight, desc.ddpfPixelFormat);
  if (flip) overlay->back = new FakeSurface(this, "back", desc.dwWidth, desc.dwHeight, desc.ddpfPixelFormat);
  *surface = overlay;
  return DD_OK;
}

STDMETHODIMP FakeDirectDraw::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC, LPVOID context,
                                              LPDDENUMMODESCALLBACK callback) {
  Log("EnumDisplayModes " + Hex(flags));
  for (const FakeMode& mode : modes) {
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc.dwWidth = mode.width;
    desc.dwHeight = mode.height;
    desc.dwRefreshRate = mode.refreshRate;
    desc.ddpfPixelFormat = mode.fourCc != 0 ? PixelFormat(DDPF_FOURCC, mode.fourCc, mode.bits, 0, 0, 0)
                                            : PrimaryFormat(static_cast<int>(mode.bits));
    if (callback(&desc, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

STDMETHODIMP FakeDirectDraw::GetCaps(LPDDCAPS driver, LPDDCAPS) {
  if (driver == nullptr || driver->dwSize != sizeof(DDCAPS)) return DDERR_INVALIDPARAMS;
  *driver = caps;
  return DD_OK;
}

STDMETHODIMP FakeDirectDraw::RestoreDisplayMode() {
  Log("RestoreDisplayMode");
  return DD_OK;
}
