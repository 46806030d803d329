// A DirectDraw of the tests' own, for the paths Wine's cannot take (it offers
// no overlay and never refuses a display mode): the capabilities, overlay
// formats and display modes a test sets, surfaces backed by memory, and a
// record of the calls made. The program is handed it where it would use the
// DirectDraw object made at start-up.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <string>
#include <vector>

class FakeDirectDraw;

// A memory surface: the primary (a DIB section, so that GDI can draw on it),
// an overlay, or an overlay's back buffer.
class FakeSurface final : public IDirectDrawSurface {
 public:
  FakeSurface(FakeDirectDraw* owner, const char* role, DWORD width, DWORD height,
              const DDPIXELFORMAT& format);
  ~FakeSurface();

  const std::string role;  // "primary", "overlay", "back"
  const DWORD width, height;
  const DDPIXELFORMAT format;
  LONG pitch = 0;
  uint8_t* bits = nullptr;
  FakeSurface* back = nullptr;  // a flipping overlay's, owned
  IDirectDrawClipper* clipper = nullptr;

  // Row r's bytes, pitch long.
  std::vector<uint8_t> Row(DWORD r) const { return {bits + r * pitch, bits + (r + 1) * pitch}; }

  STDMETHODIMP QueryInterface(REFIID, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP AddAttachedSurface(LPDIRECTDRAWSURFACE) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP AddOverlayDirtyRect(LPRECT) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP Blt(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD flags, LPDDBLTFX) override;
  STDMETHODIMP BltBatch(LPDDBLTBATCH, DWORD, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP Flip(LPDIRECTDRAWSURFACE, DWORD flags) override;
  STDMETHODIMP GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) override;
  STDMETHODIMP GetBltStatus(DWORD) override { return DD_OK; }
  STDMETHODIMP GetCaps(LPDDSCAPS) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetClipper(LPDIRECTDRAWCLIPPER*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetColorKey(DWORD, LPDDCOLORKEY) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetDC(HDC* dc) override;
  STDMETHODIMP GetFlipStatus(DWORD) override { return DD_OK; }
  STDMETHODIMP GetOverlayPosition(LPLONG, LPLONG) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetPalette(LPDIRECTDRAWPALETTE*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetPixelFormat(LPDDPIXELFORMAT out) override;
  STDMETHODIMP GetSurfaceDesc(LPDDSURFACEDESC) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP Initialize(LPDIRECTDRAW, LPDDSURFACEDESC) override { return DDERR_ALREADYINITIALIZED; }
  STDMETHODIMP IsLost() override;
  STDMETHODIMP Lock(LPRECT, LPDDSURFACEDESC desc, DWORD flags, HANDLE) override;
  STDMETHODIMP ReleaseDC(HDC dc) override;
  STDMETHODIMP Restore() override { return DD_OK; }
  STDMETHODIMP SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
  STDMETHODIMP SetColorKey(DWORD, LPDDCOLORKEY) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP SetOverlayPosition(LONG, LONG) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP SetPalette(LPDIRECTDRAWPALETTE) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP Unlock(LPVOID) override;
  STDMETHODIMP UpdateOverlay(LPRECT source, LPDIRECTDRAWSURFACE target, LPRECT destination, DWORD flags,
                             LPDDOVERLAYFX fx) override;
  STDMETHODIMP UpdateOverlayDisplay(DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE) override { return DDERR_UNSUPPORTED; }

 private:
  FakeDirectDraw* const owner_;
  ULONG refs_ = 1;
  std::vector<uint8_t> memory_;  // an overlay's
  HBITMAP dib_ = nullptr;        // the primary's
  HDC dc_ = nullptr;
  int locks_ = 0;
};

class FakeClipper final : public IDirectDrawClipper {
 public:
  explicit FakeClipper(FakeDirectDraw* owner);
  ~FakeClipper();
  HWND window = nullptr;

  STDMETHODIMP QueryInterface(REFIID, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetClipList(LPRECT, LPRGNDATA, LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetHWnd(HWND*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP Initialize(LPDIRECTDRAW, DWORD) override { return DDERR_ALREADYINITIALIZED; }
  STDMETHODIMP IsClipListChanged(WINBOOL*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP SetClipList(LPRGNDATA, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP SetHWnd(DWORD flags, HWND window) override;

 private:
  FakeDirectDraw* const owner_;
  ULONG refs_ = 1;
};

// The display-mode side, as the program reaches it through QueryInterface.
class FakeDirectDraw4 final : public IDirectDraw4 {
 public:
  explicit FakeDirectDraw4(FakeDirectDraw* owner) : owner_(owner) {}

  STDMETHODIMP QueryInterface(REFIID, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Compact() override { return DD_OK; }
  STDMETHODIMP CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP CreateSurface(LPDDSURFACEDESC2, LPDIRECTDRAWSURFACE4*, IUnknown*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP DuplicateSurface(LPDIRECTDRAWSURFACE4, LPDIRECTDRAWSURFACE4*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP EnumDisplayModes(DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMMODESCALLBACK2) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP EnumSurfaces(DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMSURFACESCALLBACK2) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP FlipToGDISurface() override { return DD_OK; }
  STDMETHODIMP GetCaps(LPDDCAPS, LPDDCAPS) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetDisplayMode(LPDDSURFACEDESC2) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetFourCCCodes(LPDWORD, LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetGDISurface(LPDIRECTDRAWSURFACE4*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetMonitorFrequency(LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetScanLine(LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetVerticalBlankStatus(WINBOOL*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP Initialize(GUID*) override { return DDERR_ALREADYINITIALIZED; }
  STDMETHODIMP RestoreDisplayMode() override;
  STDMETHODIMP SetCooperativeLevel(HWND, DWORD) override { return DD_OK; }
  STDMETHODIMP SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD hertz, DWORD flags) override;
  STDMETHODIMP WaitForVerticalBlank(DWORD, HANDLE) override { return DD_OK; }
  STDMETHODIMP GetAvailableVidMem(LPDDSCAPS2, LPDWORD, LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetSurfaceFromDC(HDC, LPDIRECTDRAWSURFACE4*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP RestoreAllSurfaces() override { return DD_OK; }
  STDMETHODIMP TestCooperativeLevel() override { return DD_OK; }
  STDMETHODIMP GetDeviceIdentifier(LPDDDEVICEIDENTIFIER, DWORD) override { return DDERR_UNSUPPORTED; }

 private:
  FakeDirectDraw* const owner_;
};

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

// The test owns it (its own reference is never given up); its surfaces and
// clippers live while the program holds them.
class FakeDirectDraw final : public IDirectDraw {
 public:
  // Every overlay format, flipping, a destination colour key, a 32-bit
  // primary, no alignments or stretch limits.
  FakeDirectDraw();
  ~FakeDirectDraw();

  // What it offers; set before use.
  DDCAPS caps;
  std::vector<std::string> formats = {"YUY2", "UYVY", "RGB32", "RGB24", "RGB16"};
  bool flipping = true;          // flipping chains can be made
  bool attachFails = false;      // their back buffer can't be had
  int primaryBits = 32;          // 8 (a palette), 15, 16, 24 or 32
  bool primaryLockFails = false;
  bool clipperFails = false;
  bool lost = false;             // overlays report themselves lost
  std::vector<FakeMode> modes;
  bool hasDirectDraw4 = true;
  HRESULT setModeResult = DD_OK;
  static constexpr int kMagentaIndex = 7;  // of the 8-bit primary's palette
  static constexpr int kSpareBytes = 8;    // past each overlay row

  // What was done: "CreateSurface YUY2 32x6 flip", "Lock overlay 0x1",
  // "Unlock overlay", "Flip 0x1", "SetClipper", "SetDisplayMode 640 480 16 60",
  // "RestoreDisplayMode", ...
  std::vector<std::string> calls;
  std::vector<OverlayUpdate> updates;
  FakeSurface* primary = nullptr;  // the latest of each, while alive
  FakeSurface* overlay = nullptr;
  int liveObjects = 0;             // surfaces and clippers not yet destroyed
  ULONG Refs() const { return refs_; }
  // The calls that begin with the prefix, in order.
  std::vector<std::string> Calls(const std::string& prefix) const;
  void Log(const std::string& call) { calls.push_back(call); }

  STDMETHODIMP QueryInterface(REFIID, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }
  STDMETHODIMP Compact() override { return DD_OK; }
  STDMETHODIMP CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown*) override;
  STDMETHODIMP CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown*) override;
  STDMETHODIMP DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP EnumDisplayModes(DWORD flags, LPDDSURFACEDESC, LPVOID context,
                                LPDDENUMMODESCALLBACK callback) override;
  STDMETHODIMP EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP FlipToGDISurface() override { return DD_OK; }
  STDMETHODIMP GetCaps(LPDDCAPS driver, LPDDCAPS emulation) override;
  STDMETHODIMP GetDisplayMode(LPDDSURFACEDESC) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetFourCCCodes(LPDWORD, LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetGDISurface(LPDIRECTDRAWSURFACE*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetMonitorFrequency(LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetScanLine(LPDWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP GetVerticalBlankStatus(WINBOOL*) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP Initialize(GUID*) override { return DDERR_ALREADYINITIALIZED; }
  STDMETHODIMP RestoreDisplayMode() override;
  STDMETHODIMP SetCooperativeLevel(HWND, DWORD) override { return DD_OK; }
  STDMETHODIMP SetDisplayMode(DWORD, DWORD, DWORD) override { return DDERR_UNSUPPORTED; }
  STDMETHODIMP WaitForVerticalBlank(DWORD, HANDLE) override { return DD_OK; }

 private:
  HRESULT CreateOverlay(const DDSURFACEDESC& desc, LPDIRECTDRAWSURFACE* surface);

  ULONG refs_ = 1;
  FakeDirectDraw4 directDraw4_{this};
};
