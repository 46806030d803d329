// A DirectDraw of the tests' own, for the paths Wine's cannot take (it offers
// no overlay and never refuses a display mode): the capabilities, overlay
// formats and display modes a test sets, surfaces backed by memory, and a
// record of the calls made. The program is handed it where it would use the
// DirectDraw object made at start-up.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include "decode/query_interface.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// A method no test reaches: it answers `result` and does nothing.
#define FAKE_METHOD(result, name, ...) \
  STDMETHODIMP name(__VA_ARGS__) override { return result; }
#define FAKE_REFUSED(name, ...) FAKE_METHOD(DDERR_UNSUPPORTED, name, __VA_ARGS__)

class FakeSurface;

// A display mode to list: RGB with its bit count, or a FourCC mode.
struct FakeMode {
  DWORD width, height, bits, refreshRate;
  DWORD fourCc = 0;
};

// One UpdateOverlay.
struct OverlayUpdate {
  RECT source, destination;
  DWORD flags;
  DDOVERLAYFX fx;
  bool ontoPrimary;
};

inline std::string FakeHex(DWORD value) {
  char text[16];
  return {text, static_cast<size_t>(std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value)))};
}

inline DDPIXELFORMAT FakePixelFormat(DWORD flags, DWORD fourCc, DWORD bits, DWORD red, DWORD green, DWORD blue) {
  return {sizeof(DDPIXELFORMAT), flags, fourCc, {bits}, {red}, {green}, {blue}, {0}};
}

// 8 bits: a palette; 15 and 16: 5-5-5 and 5-6-5; else blue, green, red.
inline DDPIXELFORMAT FakePrimaryFormat(int bits) {
  if (bits == 8) return FakePixelFormat(DDPF_RGB | DDPF_PALETTEINDEXED8, 0, 8, 0, 0, 0);
  if (bits == 15) return FakePixelFormat(DDPF_RGB, 0, 16, 0x7C00, 0x3E0, 0x1F);
  if (bits == 16) return FakePixelFormat(DDPF_RGB, 0, 16, 0xF800, 0x7E0, 0x1F);
  return FakePixelFormat(DDPF_RGB, 0, bits, 0xFF0000, 0xFF00, 0xFF);
}

// The overlay formats a driver may make, exactly as they must be asked for.
struct FakeFormat {
  const char* name;
  DDPIXELFORMAT format;
  DWORD bytesPerPixel;
};
inline const FakeFormat kFakeFormats[] = {
    {"YUY2", FakePixelFormat(DDPF_FOURCC, MAKEFOURCC('Y', 'U', 'Y', '2'), 0, 0, 0, 0), 2},
    {"UYVY", FakePixelFormat(DDPF_FOURCC, MAKEFOURCC('U', 'Y', 'V', 'Y'), 0, 0, 0, 0), 2},
    {"RGB32", FakePixelFormat(DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF), 4},
    {"RGB24", FakePixelFormat(DDPF_RGB, 0, 24, 0xFF0000, 0xFF00, 0xFF), 3},
    {"RGB16", FakePixelFormat(DDPF_RGB, 0, 16, 0xF800, 0x7E0, 0x1F), 2},
};
inline const FakeFormat* FindFakeFormat(const DDPIXELFORMAT& format) {
  for (const FakeFormat& known : kFakeFormats)
    if (std::memcmp(&known.format, &format, sizeof format) == 0) return &known;
  return nullptr;
}

// What the display offers (set before use) and what was done to it.
struct FakeDisplay {
  // Every overlay format, flipping, a destination colour key, a 32-bit
  // primary, no alignments or stretch limits.
  FakeDisplay() {
    caps.dwSize = sizeof caps, caps.dwCaps = DDCAPS_OVERLAY | DDCAPS_OVERLAYSTRETCH;
    caps.dwCKeyCaps = DDCKEYCAPS_DESTOVERLAY;
  }
  DDCAPS caps = {};
  std::vector<std::string> formats = {"YUY2", "UYVY", "RGB32", "RGB24", "RGB16"};
  bool flipping = true;      // flipping chains can be made
  bool attachFails = false;  // their back buffer can't be had
  int primaryBits = 32;      // 8 (a palette), 15, 16, 24 or 32
  bool primaryLockFails = false;
  bool clipperFails = false;
  bool lost = false;  // overlays report themselves lost
  std::vector<FakeMode> modes;
  bool hasDirectDraw4 = true;
  HRESULT setModeResult = DD_OK;
  static constexpr int kMagentaIndex = 7;  // of the 8-bit primary's palette
  static constexpr int kSpareBytes = 8;    // past each overlay row

  // What was done: "CreateSurface YUY2 32x6 flip", "Lock overlay 0x1",
  // "Unlock overlay", "Flip 0x1", "SetHWnd 0x0", "SetDisplayMode 640 480 16 60",
  // "RestoreDisplayMode", ...
  std::vector<std::string> calls;
  std::vector<OverlayUpdate> updates;
  FakeSurface* primary = nullptr;  // the latest of each, while alive
  FakeSurface* overlay = nullptr;
  int liveObjects = 0;  // surfaces and clippers not yet destroyed
  // The calls that begin with the prefix, in order.
  std::vector<std::string> Calls(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls)
      if (call.rfind(prefix, 0) == 0) found.push_back(call);
    return found;
  }
  void Log(const std::string& call) { calls.push_back(call); }
};

// A COM object of the display's, counted among its live objects while it
// lives; the last Release deletes it.
template <class Interface>
class FakeObject : public Interface {
 public:
  FakeObject(FakeDisplay* owner, REFIID iid) : owner_(owner), iid_(iid) { ++owner_->liveObjects; }
  virtual ~FakeObject() { --owner_->liveObjects; }
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return QueryOwnInterface(this, {iid_}, iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    return left == 0 ? (delete this, 0) : left;
  }

 protected:
  FakeDisplay* const owner_;

 private:
  const IID iid_;
  ULONG refs_ = 1;
};

class FakeClipper final : public FakeObject<IDirectDrawClipper> {
 public:
  explicit FakeClipper(FakeDisplay* owner) : FakeObject(owner, IID_IDirectDrawClipper) {}
  HWND window = nullptr;
  STDMETHODIMP SetHWnd(DWORD flags, HWND newWindow) override {
    owner_->Log("SetHWnd " + FakeHex(flags));
    return window = newWindow, DD_OK;
  }
  FAKE_METHOD(DDERR_ALREADYINITIALIZED, Initialize, LPDIRECTDRAW, DWORD) FAKE_REFUSED(SetClipList, LPRGNDATA, DWORD)
  FAKE_REFUSED(GetClipList, LPRECT, LPRGNDATA, LPDWORD) FAKE_REFUSED(IsClipListChanged, WINBOOL*)
  FAKE_REFUSED(GetHWnd, HWND*)
};

// A memory surface: the primary (a top-down DIB section in its format, so
// that GDI can draw on it; the 8-bit palette is grey with magenta at
// kMagentaIndex), an overlay, or an overlay's back buffer.
class FakeSurface final : public FakeObject<IDirectDrawSurface> {
 public:
  FakeSurface(FakeDisplay* owner, const char* role, DWORD width, DWORD height, const DDPIXELFORMAT& format)
      : FakeObject(owner, IID_IDirectDrawSurface), role(role), width(width), height(height), format(format) {
    if (this->role != "primary") {
      pitch = static_cast<LONG>((width * FindFakeFormat(format)->bytesPerPixel + 3) / 4 * 4 + FakeDisplay::kSpareBytes);
      memory_.assign(static_cast<size_t>(pitch) * height, 0xC3);  // neither 0 nor the YUY2 black
      bits = memory_.data();
      return;
    }
    const WORD depth = static_cast<WORD>(format.dwRGBBitCount);
    struct {
      BITMAPINFOHEADER header;
      DWORD colors[256];
    } info = {{sizeof(BITMAPINFOHEADER), static_cast<LONG>(width), -static_cast<LONG>(height), 1, depth,
               depth == 16 ? DWORD{BI_BITFIELDS} : DWORD{BI_RGB}, 0, 0, 0, 0, 0},
              {format.dwRBitMask, format.dwGBitMask, format.dwBBitMask}};
    for (DWORD i = 0; depth == 8 && i < 256; ++i)
      info.colors[i] = i == FakeDisplay::kMagentaIndex ? 0xFF00FF : i * 0x010101;
    dib_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                            reinterpret_cast<void**>(&bits), nullptr, 0);
    pitch = static_cast<LONG>((width * depth + 31) / 32 * 4);
    std::memset(bits, 0x35, static_cast<size_t>(pitch) * height);  // no key colour, nor black
    for (LONG i = 3; depth == 32 && i < pitch * static_cast<LONG>(height); i += 4) bits[i] = 0;
  }
  ~FakeSurface() override {
    delete back;  // a flipping chain goes as a whole
    if (clipper != nullptr) clipper->Release();
    if (dib_ != nullptr) DeleteObject(dib_);
    if (owner_->primary == this) owner_->primary = nullptr;
    if (owner_->overlay == this) owner_->overlay = nullptr;
  }

  const std::string role;  // "primary", "overlay", "back"
  const DWORD width, height;
  const DDPIXELFORMAT format;
  LONG pitch = 0;
  uint8_t* bits = nullptr;
  FakeSurface* back = nullptr;  // a flipping overlay's, owned
  IDirectDrawClipper* clipper = nullptr;

  // Row r's bytes, pitch long.
  std::vector<uint8_t> Row(DWORD r) const { return {bits + r * pitch, bits + (r + 1) * pitch}; }

  // A display without a blitter: blits are only recorded.
  STDMETHODIMP Blt(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD flags, LPDDBLTFX) override {
    return owner_->Log("Blt " + role + " " + FakeHex(flags)), DDERR_NOBLTHW;
  }
  // The back buffer's picture comes to the front.
  STDMETHODIMP Flip(LPDIRECTDRAWSURFACE, DWORD flags) override {
    owner_->Log("Flip " + FakeHex(flags));
    if (back == nullptr) return DDERR_NOTFLIPPABLE;
    memory_.swap(back->memory_);
    bits = memory_.data(), back->bits = back->memory_.data();
    return DD_OK;
  }
  STDMETHODIMP GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) override {
    if (back == nullptr || owner_->attachFails || caps->dwCaps != DDSCAPS_BACKBUFFER) return DDERR_NOTFOUND;
    return back->AddRef(), *surface = back, DD_OK;
  }
  STDMETHODIMP GetDC(HDC* dc) override {
    if (dib_ == nullptr || dc_ != nullptr) return DDERR_CANTCREATEDC;
    SelectObject(dc_ = CreateCompatibleDC(nullptr), dib_);
    return *dc = dc_, DD_OK;
  }
  STDMETHODIMP ReleaseDC(HDC dc) override {
    if (dc != dc_ || dc_ == nullptr) return DDERR_NODC;
    GdiFlush();
    DeleteDC(dc_);
    return dc_ = nullptr, DD_OK;
  }
  STDMETHODIMP GetPixelFormat(LPDDPIXELFORMAT out) override {
    if (out == nullptr || out->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
    return *out = format, DD_OK;
  }
  STDMETHODIMP IsLost() override { return owner_->lost && role != "primary" ? DDERR_SURFACELOST : DD_OK; }
  STDMETHODIMP Lock(LPRECT, LPDDSURFACEDESC desc, DWORD flags, HANDLE) override {
    owner_->Log("Lock " + role + " " + FakeHex(flags));
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    if (IsLost() != DD_OK) return DDERR_SURFACELOST;
    if (role == "primary" && owner_->primaryLockFails) return DDERR_GENERIC;
    if (locks_++ > 0) return DDERR_SURFACEBUSY;
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_LPSURFACE;
    desc->dwWidth = width, desc->dwHeight = height, desc->lPitch = pitch, desc->lpSurface = bits;
    desc->ddpfPixelFormat = format;
    return DD_OK;
  }
  STDMETHODIMP Unlock(LPVOID) override {
    owner_->Log("Unlock " + role);
    return locks_ == 0 ? DDERR_NOTLOCKED : (--locks_, DD_OK);
  }
  STDMETHODIMP SetClipper(LPDIRECTDRAWCLIPPER newClipper) override {
    if (newClipper != nullptr) newClipper->AddRef();
    if (clipper != nullptr) clipper->Release();
    return clipper = newClipper, DD_OK;
  }
  STDMETHODIMP UpdateOverlay(LPRECT source, LPDIRECTDRAWSURFACE target, LPRECT destination, DWORD flags,
                             LPDDOVERLAYFX fx) override {
    if (source == nullptr || destination == nullptr || role != "overlay") return DDERR_INVALIDPARAMS;
    owner_->updates.push_back({*source, *destination, flags, fx != nullptr ? *fx : DDOVERLAYFX{},
                               target == owner_->primary});
    return DD_OK;
  }
  FAKE_METHOD(DDERR_ALREADYINITIALIZED, Initialize, LPDIRECTDRAW, LPDDSURFACEDESC) FAKE_METHOD(DD_OK, Restore, void)
  FAKE_REFUSED(EnumOverlayZOrders, DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) FAKE_REFUSED(AddOverlayDirtyRect, LPRECT)
  FAKE_REFUSED(BltFast, DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) FAKE_REFUSED(SetOverlayPosition, LONG, LONG)
  FAKE_REFUSED(EnumAttachedSurfaces, LPVOID, LPDDENUMSURFACESCALLBACK) FAKE_REFUSED(GetClipper, LPDIRECTDRAWCLIPPER*)
  FAKE_REFUSED(DeleteAttachedSurface, DWORD, LPDIRECTDRAWSURFACE) FAKE_REFUSED(BltBatch, LPDDBLTBATCH, DWORD, DWORD)
  FAKE_REFUSED(UpdateOverlayZOrder, DWORD, LPDIRECTDRAWSURFACE) FAKE_REFUSED(AddAttachedSurface, LPDIRECTDRAWSURFACE)
  FAKE_REFUSED(GetOverlayPosition, LPLONG, LPLONG) FAKE_REFUSED(GetColorKey, DWORD, LPDDCOLORKEY)
  FAKE_REFUSED(GetPalette, LPDIRECTDRAWPALETTE*) FAKE_REFUSED(SetColorKey, DWORD, LPDDCOLORKEY)
  FAKE_REFUSED(GetSurfaceDesc, LPDDSURFACEDESC) FAKE_REFUSED(SetPalette, LPDIRECTDRAWPALETTE)
  FAKE_REFUSED(UpdateOverlayDisplay, DWORD) FAKE_METHOD(DD_OK, GetFlipStatus, DWORD) FAKE_REFUSED(GetCaps, LPDDSCAPS)
  FAKE_METHOD(DD_OK, GetBltStatus, DWORD)

 private:
  std::vector<uint8_t> memory_;  // an overlay's
  HBITMAP dib_ = nullptr;        // the primary's
  HDC dc_ = nullptr;
  int locks_ = 0;
};

// The test owns it (its own reference is never given up); its surfaces and
// clippers live while the program holds them, and delete themselves. The
// display-mode side (IDirectDraw4, as the program reaches it through
// QueryInterface) is the same object: the methods of the same signature serve
// both.
class FakeDirectDraw final : public IDirectDraw, public IDirectDraw4, public FakeDisplay {
 public:
  ULONG Refs() const { return refs_; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDirectDraw)) *object = static_cast<IDirectDraw*>(this);
    if (IsEqualIID(iid, IID_IDirectDraw4) && hasDirectDraw4) *object = static_cast<IDirectDraw4*>(this);
    return *object == nullptr ? E_NOINTERFACE : (AddRef(), S_OK);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }
  STDMETHODIMP CreateClipper(DWORD, LPDIRECTDRAWCLIPPER* clipper, IUnknown*) override {
    return clipperFails ? DDERR_GENERIC : (*clipper = new FakeClipper(this), DD_OK);
  }
  // Only what the program must ask for: the primary, or an overlay in video
  // memory, a single surface or a chain of two.
  STDMETHODIMP CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown*) override {
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC) || surface == nullptr) return DDERR_INVALIDPARAMS;
    if (desc->dwFlags == DDSD_CAPS && desc->ddsCaps.dwCaps == DDSCAPS_PRIMARYSURFACE) {
      Log("CreateSurface primary");
      return *surface = primary = new FakeSurface(this, "primary", 16, 2, FakePrimaryFormat(primaryBits)), DD_OK;
    }
    const FakeFormat* format = FindFakeFormat(desc->ddpfPixelFormat);
    const bool flip = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) != 0;
    const DWORD flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | (flip ? DDSD_BACKBUFFERCOUNT : 0);
    const DWORD kinds = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY | (flip ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0);
    if (format == nullptr || desc->dwFlags != flags || desc->ddsCaps.dwCaps != kinds ||
        (flip && desc->dwBackBufferCount != 1)) {
      Log("CreateSurface not an overlay the program asks for");
      return DDERR_INVALIDPARAMS;
    }
    Log("CreateSurface " + std::string(format->name) + " " + std::to_string(desc->dwWidth) + "x" +
        std::to_string(desc->dwHeight) + (flip ? " flip" : ""));
    if (std::find(formats.begin(), formats.end(), format->name) == formats.end() || (flip && !flipping))
      return DDERR_INVALIDPIXELFORMAT;
    if (uint64_t{desc->dwWidth} * desc->dwHeight > (1u << 24)) return DDERR_OUTOFVIDEOMEMORY;
    overlay = new FakeSurface(this, "overlay", desc->dwWidth, desc->dwHeight, desc->ddpfPixelFormat);
    if (flip) overlay->back = new FakeSurface(this, "back", desc->dwWidth, desc->dwHeight, desc->ddpfPixelFormat);
    return *surface = overlay, DD_OK;
  }
  STDMETHODIMP EnumDisplayModes(DWORD flags, LPDDSURFACEDESC, LPVOID context, LPDDENUMMODESCALLBACK callback) override {
    Log("EnumDisplayModes " + FakeHex(flags));
    for (const FakeMode& mode : modes) {
      DDSURFACEDESC desc = {};
      desc.dwSize = sizeof desc;
      desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
      desc.dwWidth = mode.width, desc.dwHeight = mode.height, desc.dwRefreshRate = mode.refreshRate;
      desc.ddpfPixelFormat = mode.fourCc != 0 ? FakePixelFormat(DDPF_FOURCC, mode.fourCc, mode.bits, 0, 0, 0)
                                              : FakePrimaryFormat(static_cast<int>(mode.bits));
      if (callback(&desc, context) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
  }
  STDMETHODIMP GetCaps(LPDDCAPS driver, LPDDCAPS) override {
    if (driver == nullptr || driver->dwSize != sizeof(DDCAPS)) return DDERR_INVALIDPARAMS;
    return *driver = caps, DD_OK;
  }
  STDMETHODIMP RestoreDisplayMode() override { return Log("RestoreDisplayMode"), DD_OK; }
  STDMETHODIMP SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD hertz, DWORD flags) override {
    Log("SetDisplayMode " + std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(bits) + " " +
        std::to_string(hertz) + " " + std::to_string(flags));
    return setModeResult;
  }
  FAKE_REFUSED(EnumDisplayModes, DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMMODESCALLBACK2)
  FAKE_REFUSED(EnumSurfaces, DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMSURFACESCALLBACK2)
  FAKE_REFUSED(EnumSurfaces, DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK)
  FAKE_REFUSED(CreatePalette, DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*)
  FAKE_REFUSED(CreateSurface, LPDDSURFACEDESC2, LPDIRECTDRAWSURFACE4*, IUnknown*) FAKE_REFUSED(GetScanLine, LPDWORD)
  FAKE_REFUSED(DuplicateSurface, LPDIRECTDRAWSURFACE4, LPDIRECTDRAWSURFACE4*) FAKE_METHOD(DD_OK, Compact, void)
  FAKE_REFUSED(DuplicateSurface, LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) FAKE_METHOD(DD_OK, FlipToGDISurface, void)
  FAKE_REFUSED(GetAvailableVidMem, LPDDSCAPS2, LPDWORD, LPDWORD) FAKE_METHOD(DD_OK, SetCooperativeLevel, HWND, DWORD)
  FAKE_REFUSED(GetDeviceIdentifier, LPDDDEVICEIDENTIFIER, DWORD) FAKE_REFUSED(GetGDISurface, LPDIRECTDRAWSURFACE4*)
  FAKE_REFUSED(GetSurfaceFromDC, HDC, LPDIRECTDRAWSURFACE4*) FAKE_METHOD(DDERR_ALREADYINITIALIZED, Initialize, GUID*)
  FAKE_METHOD(DD_OK, WaitForVerticalBlank, DWORD, HANDLE) FAKE_REFUSED(GetGDISurface, LPDIRECTDRAWSURFACE*)
  FAKE_REFUSED(SetDisplayMode, DWORD, DWORD, DWORD) FAKE_REFUSED(GetFourCCCodes, LPDWORD, LPDWORD)
  FAKE_REFUSED(GetVerticalBlankStatus, WINBOOL*) FAKE_REFUSED(GetDisplayMode, LPDDSURFACEDESC2)
  FAKE_METHOD(DD_OK, TestCooperativeLevel, void) FAKE_REFUSED(GetDisplayMode, LPDDSURFACEDESC)
  FAKE_METHOD(DD_OK, RestoreAllSurfaces, void) FAKE_REFUSED(GetMonitorFrequency, LPDWORD)

 private:
  ULONG refs_ = 1;
};
