#include "settings/options.h"

#include "platform/cpu_features.h"
#include "settings/displacement_list.h"

#include <cstring>

namespace {

const uint32_t kDefaultCustomColors[16] = {
    0xDDFFDD, 0xC4D7FF, 0xFFCEFF, 0xFFFFBF, 0xD8E7E9, 0xC1FCFF, 0xCAECFB, 0xC0FEE3,
    0xD5FFFF, 0xE8E8D0, 0xC4C4FF, 0xFFFFFF, 0xE0E0E0, 0xD3F1E6, 0xDADCEB, 0xF7F3D2,
};

void SetDefaultSubtitleFont(LOGFONTA* font) {
  std::memset(font, 0, sizeof *font);
  font->lfHeight = -19;
  font->lfWeight = 700;
  font->lfCharSet = 204;
  font->lfOutPrecision = 3;
  font->lfClipPrecision = 2;
  font->lfQuality = 3;
  font->lfPitchAndFamily = 0x22;
  std::memcpy(font->lfFaceName, "Verdana", 7);
}

}  // namespace

void SetDefaultOptions(Options* options) {
  std::memset(options, 0, sizeof *options);
  options->formatVersion = kOptionsVersion;
  options->fullscreenBitsPerPixel = 1;
  options->speedTroublesMode = kJumpKeyframes;
  options->allowRgbHighColor = 1;
  options->allowRgbTrueColor = 1;
  options->allowYuy2Uyvy = 1;
  options->subtitlesAutoLoad = 1;
  options->subtitlesShadow = 1;
  std::memcpy(options->customColors, kDefaultCustomColors, sizeof kDefaultCustomColors);
  options->volume = 100;
  options->enableVolumeControl = 1;
  options->highQualityConversion = HasMmx() ? 1 : 0;
  SetDefaultSubtitleFont(&options->subtitleFont);
  options->subtitleColor = 0x0000FFFF;
  options->fullscreenAsDefault = 1;
  options->allowDoubleBuffering = 1;
  options->allowAutoAudioSync = 1;
  options->allowSeekingIndex = 1;
  options->fileCacheSize = 2;
  options->colorBalance = ColorBalance{50, 50, 50};
  options->balanceStep = 5;
  g_displacementList.Clear();
}

// Static initialisation order: the DrawDib context (Windows build), the
// application record, then the remembered delays and the options, whose
// defaults empty them.
__attribute__((init_priority(202))) DisplacementList g_displacementList;
__attribute__((init_priority(203))) Options g_options = [] {
  Options options;
  SetDefaultOptions(&options);
  return options;
}();
