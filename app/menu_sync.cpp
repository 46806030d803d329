// SyncMenuWithOptions: the main menu's check marks mirror the options record,
// which is then handed to the playback threads and saved.
#include "app/main_window.h"

#include "app/application.h"
#include "app/options_registry.h"
#include "app/resource.h"
#include "app/shell.h"
#include "settings/shared_options.h"

#include <cstddef>
#include <cstdint>

namespace {

struct FlagItem {
  int id;
  const uint8_t* flag;
};

void Check(HMENU menu, int id, bool checked) {
  CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// Unchecks the group, then checks the chosen item; a choice out of range
// becomes 0 in the record (the item list may be shorter than the range).
void CheckChoice(HMENU menu, uint32_t* choice, const int* ids, size_t count, uint32_t range) {
  if (*choice >= range) *choice = 0;
  for (size_t i = 0; i < count; ++i) Check(menu, ids[i], false);
  if (*choice < count) Check(menu, ids[*choice], true);
}

template <size_t N>
void CheckChoice(HMENU menu, uint32_t* choice, const int (&ids)[N], uint32_t range) {
  CheckChoice(menu, choice, ids, N, range);
}

void CheckFlags(HMENU menu, const FlagItem* items, size_t count) {
  for (size_t i = 0; i < count; ++i) Check(menu, items[i].id, *items[i].flag != 0);
}

}  // namespace

bool SyncMenuWithOptions() {
  HMENU menu = g_app.mainMenu != nullptr ? g_app.mainMenu : GetMenu(g_mainWindow);
  Options& o = g_options;
  const FlagItem flags[] = {
      {IDM_USE_8_BIT, &o.use8BitDepth},
      {IDM_HALF_SAMPLE_RATE, &o.halfSampleRate},
      {IDM_DENY_STEREO, &o.denyStereo},
      {IDM_VOLUME_CONTROL, &o.enableVolumeControl},
      {IDM_SAFE_VIDEO_BACKUP, &o.safeVideoBackupMode},
      {IDM_AUTO_AUDIO_SYNC, &o.allowAutoAudioSync},
      {IDM_SUBTITLES_AUTO_LOAD, &o.subtitlesAutoLoad},
      {IDM_SUBTITLES_SHADOW, &o.subtitlesShadow},
      {IDM_SUBTITLES_TRANSPARENT, &o.subtitlesTransparent},
      {IDM_DISABLE_AUDIO, &o.disableAudio},
      {IDM_ALLOW_RGB_HIGH, &o.allowRgbHighColor},
      {IDM_ALLOW_RGB_TRUE, &o.allowRgbTrueColor},
      {IDM_ALLOW_YUY2, &o.allowYuy2Uyvy},
      {IDM_ALLOW_YV12, &o.allowYv12},
      {IDM_FULLSCREEN_AS_DEFAULT, &o.fullscreenAsDefault},
      {IDM_FADEOUT_PAUSE, &o.fadeoutPause},
      {IDM_REPEAT, &o.repeat},
      {IDM_ON_TOP, &o.onTop},
      {IDM_DOUBLE_BUFFERING, &o.allowDoubleBuffering},
      {IDM_SECONDARY_AUDIO, &o.useSecondaryAudioStream},
      {IDM_DOUBLE_SATURATION, &o.videoFilters.doubleSaturation},
      {IDM_DOUBLE_CONTRAST, &o.videoFilters.doubleContrast},
      {IDM_INTERPOLATE_UV, &o.videoFilters.interpolateUV},
      {IDM_SHARPEN, &o.videoFilters.sharpen},
      {IDM_SOFTEN, &o.videoFilters.soften},
      {IDM_AUTO_LEVEL, &o.videoFilters.autoLevel},
      {IDM_FLIP_HORIZONTAL, &o.videoFilters.flipHorizontal},
      {IDM_FLIP_VERTICAL, &o.videoFilters.flipVertical},
      {IDM_GRAYSCALE, &o.videoFilters.grayscale},
      {IDM_HISTOGRAM, &o.videoFilters.histogram},
      {IDM_NEGATIVE, &o.videoFilters.negative},
      {IDM_AUTO_VOLUME, &o.audioFilters.autoVolume},
      {IDM_SWAP_CHANNELS, &o.audioFilters.swapChannels},
      {IDM_VOICE_REMOVAL, &o.audioFilters.voiceRemoval},
      {IDM_FULL_CHAINS, &o.renderFullChains},
      {IDM_SEEKING_INDEX, &o.allowSeekingIndex},
      {IDM_GRAPH_TO_ROT, &o.addGraphToRot},
      {IDM_MULTI_WINDOW_MODE, &o.multiWindowMode},
  };
  CheckFlags(menu, flags, sizeof flags / sizeof flags[0]);
  Check(menu, IDM_ALLOW_OVERLAYS, o.denyOverlays == 0);

  Check(menu, IDM_HIGH_QUALITY, o.highQualityConversion == 1);
  Check(menu, IDM_LOW_QUALITY, o.highQualityConversion != 1);
  static const int kSpeedModes[] = {IDM_SKIP_FRAMES, IDM_JUMP_KEYFRAMES, IDM_KEEP_FAST_MOTION,
                                    IDM_SMOOTH_VIDEO};
  CheckChoice(menu, &o.speedTroublesMode, kSpeedModes, 4);
  static const int kBufferSizes[] = {IDM_BUFFER_AUTO, IDM_BUFFER_10, IDM_BUFFER_20, IDM_BUFFER_30,
                                     IDM_BUFFER_50};
  CheckChoice(menu, &o.frameBufferSize, kBufferSizes, 5);
  static const int kCacheSizes[] = {IDM_CACHE_1_0, IDM_CACHE_1_5, IDM_CACHE_2_0, IDM_CACHE_2_5,
                                    IDM_CACHE_3_0};
  CheckChoice(menu, &o.fileCacheSize, kCacheSizes, 5);
  // The third resize mode has no menu item: its check mark goes nowhere.
  static const int kResizeModes[] = {IDM_RESIZE_NEAREST, IDM_RESIZE_BILINEAR};
  CheckChoice(menu, &o.nonOverlayResize, kResizeModes, 3);

  // Every change of the record ends here: the playback threads take it from
  // this copy.
  PublishOptions();
  return SaveOptions(&g_options);
}
