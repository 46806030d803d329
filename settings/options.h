// The settings record. Its byte layout is the stored format (the registry value
// "Options"), so every field sits at a fixed offset, checked below. Booleans
// are single bytes, 0 or 1; choices are 32-bit indexes.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t kOptionsVersion = 25;
constexpr size_t kOptionsSize = 232;

// "Speed Troubles Mode" choices.
enum SpeedTroublesMode : uint32_t {
  kSkipFrames = 0,
  kJumpKeyframes = 1,
  kKeepFastMotion = 2,
  kSmoothVideo = 3,
};

// The eleven "Video Filters" items, in stored order.
struct VideoFilterFlags {
  uint8_t flipVertical;
  uint8_t flipHorizontal;
  uint8_t negative;
  uint8_t histogram;
  uint8_t grayscale;
  uint8_t autoLevel;
  uint8_t soften;
  uint8_t sharpen;
  uint8_t interpolateUV;
  uint8_t doubleContrast;
  uint8_t doubleSaturation;
};

// The three "Audio Filters" items, in stored order.
struct AudioFilterFlags {
  uint8_t voiceRemoval;
  uint8_t swapChannels;
  uint8_t autoVolume;
};

// Brightness, contrast and saturation in percent (0..100, neutral 50).
struct ColorBalance {
  int32_t brightness;
  int32_t contrast;
  int32_t saturation;
};

struct Options {
  uint32_t formatVersion;           // kOptionsVersion
  uint32_t fullscreenWidth;         // "Fullscreen Mode..."
  uint32_t fullscreenHeight;
  uint32_t fullscreenBitsPerPixel;  // 1: use the desktop settings
  uint32_t fullscreenRefreshRate;   // 0: the driver's default
  uint32_t speedTroublesMode;       // SpeedTroublesMode
  uint8_t repeat;
  uint8_t onTop;
  uint8_t denyOverlays;             // "Allow Using Overlays" is checked when 0
  uint8_t reserved27;
  uint32_t frameBufferSize;         // 0 Auto Allocation, 1 10%, 2 20%, 3 30%, 4 50%
  VideoFilterFlags videoFilters;
  AudioFilterFlags audioFilters;
  uint8_t allowRgbHighColor;
  uint8_t allowRgbTrueColor;
  uint8_t allowYuy2Uyvy;
  uint8_t allowYv12;
  uint8_t safeVideoBackupMode;
  uint8_t disableAudio;
  uint8_t subtitlesAutoLoad;
  uint8_t subtitlesTransparent;
  uint8_t subtitlesShadow;
  uint8_t reserved55;
  uint32_t customColors[16];        // the colour dialog's custom colours
  uint8_t denyStereo;
  uint8_t use8BitDepth;
  uint8_t halfSampleRate;
  uint8_t reserved123;
  uint32_t volume;                  // percent, 0..100
  uint8_t enableVolumeControl;
  uint8_t highQualityConversion;    // "YUV - RGB Conversion": 1 High Quality (MMX), 0 Low Quality (16Bit)
  uint8_t reserved130[2];
  LOGFONTA subtitleFont;
  uint32_t subtitleColor;           // COLORREF
  uint8_t useSecondaryAudioStream;
  uint8_t fullscreenAsDefault;
  uint8_t fadeoutPause;
  uint8_t allowDoubleBuffering;
  uint8_t allowAutoAudioSync;       // "Allow Auto Audio Synchronization"
  uint8_t renderFullChains;         // "Render Full Chains of Filters"
  uint8_t allowSeekingIndex;        // "Allow Using AVI Seeking Index"
  uint8_t addGraphToRot;            // "Add Grapth to ROT"
  uint32_t fileCacheSize;           // 0 1.0 MB .. 4 3.0 MB; the reader takes index + 2 blocks
  uint8_t multiWindowMode;
  uint8_t reserved209[3];
  uint32_t nonOverlayResize;        // 0 Nearest (Fast), 1 Bilinear (MMX), 2 third mode
  ColorBalance colorBalance;
  uint32_t balanceStep;
};

static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA must have its Windows size");
static_assert(sizeof(Options) == kOptionsSize, "Options is a stored format");
static_assert(offsetof(Options, speedTroublesMode) == 20, "layout");
static_assert(offsetof(Options, repeat) == 24, "layout");
static_assert(offsetof(Options, frameBufferSize) == 28, "layout");
static_assert(offsetof(Options, videoFilters) == 32, "layout");
static_assert(offsetof(Options, audioFilters) == 43, "layout");
static_assert(offsetof(Options, allowRgbHighColor) == 46, "layout");
static_assert(offsetof(Options, subtitlesShadow) == 54, "layout");
static_assert(offsetof(Options, customColors) == 56, "layout");
static_assert(offsetof(Options, denyStereo) == 120, "layout");
static_assert(offsetof(Options, volume) == 124, "layout");
static_assert(offsetof(Options, enableVolumeControl) == 128, "layout");
static_assert(offsetof(Options, highQualityConversion) == 129, "layout");
static_assert(offsetof(Options, subtitleFont) == 132, "layout");
static_assert(offsetof(Options, subtitleColor) == 192, "layout");
static_assert(offsetof(Options, useSecondaryAudioStream) == 196, "layout");
static_assert(offsetof(Options, addGraphToRot) == 203, "layout");
static_assert(offsetof(Options, fileCacheSize) == 204, "layout");
static_assert(offsetof(Options, multiWindowMode) == 208, "layout");
static_assert(offsetof(Options, nonOverlayResize) == 212, "layout");
static_assert(offsetof(Options, colorBalance) == 216, "layout");
static_assert(offsetof(Options, balanceStep) == 228, "layout");

// The process-wide record, filled with the defaults at static initialisation.
extern Options g_options;

// Fills the record with the defaults and empties the DisplacementList.
void SetDefaultOptions(Options* options);
