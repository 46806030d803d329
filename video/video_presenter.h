// The presenter puts decoded YUY2 frames on the screen (Windows only). It
// negotiates an overlay surface (YUY2, UYVY, RGB32, RGB24, RGB16, in that
// order of preference, each with or without a back buffer) shown through a
// destination colour key or a clipper; when no overlay can be had it converts
// and resizes the frame in software and draws it with DrawDib (mode 1, the
// mode Wine always ends in).
//
// Setup, Present and Release run on the video thread; construction, Shutdown
// and destruction on the window's thread while the video thread is stopped.
// It has no lock of its own.
#pragma once

#include "engine/playback_ports.h"
#include "video/video_presenter_modes.h"
#include "video/video_presenter_rects.h"
#include "video/yuy2_to_rgb32.h"

#include <windows.h>
#include <ddraw.h>

#include <cstdint>
#include <memory>

class VideoPresenter : public PicturePort {
 public:
  VideoPresenter();
  ~VideoPresenter() override;  // shuts down
  VideoPresenter(const VideoPresenter&) = delete;
  VideoPresenter& operator=(const VideoPresenter&) = delete;

  // (Re)builds the output for frames of width x height with the given pitch
  // in the video rectangle (client coordinates; null: the whole client area).
  // The DirectDraw object is borrowed (null: one is made when an overlay is
  // allowed). False only for a null window: every other failure ends in mode 1.
  bool Setup(IDirectDraw* directDraw, HWND window, const RECT* videoRect, int32_t width,
             int32_t height, int32_t pitch, uint32_t allowFlags) override;
  // Shows one frame of the last Setup's geometry, converted and resized as
  // the options say. True when it went out.
  bool Present(const uint8_t* frame, const Options& options) override;
  // Gives back every buffer and DirectDraw object; mode 0. The lookup table
  // of the low-quality conversion stays.
  void Release() override;
  // Release, and the lookup table too.
  void Shutdown() override;
  int32_t Mode() override { return mode_; }
  // Either pointer may be null; the flag says a back buffer is held.
  void GetMode(int32_t* mode, bool* doubleBuffered) const;

  // For tests: the overlay rectangles of the last placement.
  const RECT& OverlaySource() const { return overlaySource_; }
  const RECT& OverlayDestination() const { return overlayDestination_; }
  bool HoldsDirectDraw() const { return directDraw_ != nullptr; }

 private:
  bool NegotiateOverlay(IDirectDraw* borrowed);
  bool CreateDirectDraw(IDirectDraw* borrowed);
  bool CreatePrimary();
  bool ReadCaps();
  bool TryCandidates();
  bool CreateOverlay(const DDPIXELFORMAT& format, bool flipping);
  bool ClearOverlay();
  bool SetUpColorKeyOrClipper();
  DWORD MatchColorKey(IDirectDrawSurface* surface, COLORREF color);
  bool ComputeRects();
  bool ShowOverlay();
  bool Reposition();
  bool PresentNonOverlay(const uint8_t* frame, const Options& options);
  bool PresentOverlay(const uint8_t* frame, const Options& options);
  bool ConvertFrame(const uint8_t* frame, const Options& options);
  bool PrepareResizeBuffer();
  void ResizeIntoBuffer(bool bilinear);
  COLORREF KeyColor() const;
  OverlayCaps OverlayCapsOf() const;

  int32_t sourceWidth_ = 0;
  int32_t sourceHeight_ = 0;
  int32_t sourcePitch_ = 0;
  HWND window_ = nullptr;
  int32_t videoLeft_ = 0;
  int32_t videoTop_ = 0;
  int32_t videoWidth_ = 0;
  int32_t videoHeight_ = 0;
  uint32_t allowFlags_ = 0;
  int32_t mode_ = kPresentDisabled;
  std::unique_ptr<uint32_t[]> conversion_;  // source width x height, 0x00RRGGBB, top row first
  std::unique_ptr<uint8_t[]> resize_;       // 24-bit bottom-up DIB body, + 512 spare bytes
  int32_t resizeWidth_ = 0;
  int32_t resizeHeight_ = 0;
  int32_t resizeStride_ = 0;
  int32_t stepX_ = 0;                       // 16.16
  int32_t stepY_ = 0;
  YuvLookup lookup_;                        // the low-quality conversion's table, built on first use
  IDirectDraw* borrowed_ = nullptr;
  IDirectDraw* directDraw_ = nullptr;
  IDirectDrawSurface* primary_ = nullptr;
  IDirectDrawSurface* overlay_ = nullptr;
  IDirectDrawSurface* backBuffer_ = nullptr;  // attached to the overlay; not released on its own
  IDirectDrawClipper* clipper_ = nullptr;
  DDOVERLAYFX overlayFx_;
  DDCAPS caps_;
  DWORD overlayFlags_ = 0;
  int32_t surfaceWidth_ = 0;
  int32_t surfaceHeight_ = 0;
  uint8_t primaryDepth_ = 0;
  RECT overlayDestination_ = {0, 0, 0, 0};
  RECT overlaySource_ = {0, 0, 0, 0};
};

// The application's presenter, created at start-up.
extern VideoPresenter* g_presenter;
