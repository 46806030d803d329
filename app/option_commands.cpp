#include "app/option_commands.h"

#include "app/application.h"
#include "app/main_window.h"
#include "app/option_change.h"
#include "app/resource.h"
#include "settings/options.h"
#include "subtitles/subtitle_track.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// How a change reaches the open file.
enum class Reach {
  kPlain,   // read as it is, from the next frame or block
  kOutput,  // the video thread sets its output up again
  kReopen,  // the file is closed and opened again at the same frame
  kRefuse,  // only while nothing is open
};

enum class Change { kToggle, kChoice32, kChoice8 };

struct OptionCommand {
  int id;
  size_t offset;  // of the field in Options
  Change change;
  uint32_t value;  // for the choices
  Reach reach;
};

#define FIELD(name) offsetof(Options, name)
#define TOGGLE(id, name, reach) {id, FIELD(name), Change::kToggle, 0, Reach::reach}
#define CHOOSE(id, name, value, reach) {id, FIELD(name), Change::kChoice32, value, Reach::reach}

const OptionCommand kOptionCommands[] = {
    TOGGLE(IDM_AUTO_LEVEL, videoFilters.autoLevel, kPlain),
    TOGGLE(IDM_KEY_F1, videoFilters.autoLevel, kPlain),
    TOGGLE(IDM_INTERPOLATE_UV, videoFilters.interpolateUV, kPlain),
    TOGGLE(IDM_KEY_F2, videoFilters.interpolateUV, kPlain),
    TOGGLE(IDM_SOFTEN, videoFilters.soften, kPlain),
    TOGGLE(IDM_KEY_F3, videoFilters.soften, kPlain),
    TOGGLE(IDM_SHARPEN, videoFilters.sharpen, kPlain),
    TOGGLE(IDM_KEY_F4, videoFilters.sharpen, kPlain),
    TOGGLE(IDM_DOUBLE_CONTRAST, videoFilters.doubleContrast, kPlain),
    TOGGLE(IDM_DOUBLE_SATURATION, videoFilters.doubleSaturation, kPlain),
    TOGGLE(IDM_FLIP_VERTICAL, videoFilters.flipVertical, kPlain),
    TOGGLE(IDM_FLIP_HORIZONTAL, videoFilters.flipHorizontal, kPlain),
    TOGGLE(IDM_GRAYSCALE, videoFilters.grayscale, kPlain),
    TOGGLE(IDM_NEGATIVE, videoFilters.negative, kPlain),
    TOGGLE(IDM_HISTOGRAM, videoFilters.histogram, kPlain),
    TOGGLE(IDM_AUTO_VOLUME, audioFilters.autoVolume, kPlain),
    TOGGLE(IDM_KEY_ALT_F1, audioFilters.autoVolume, kPlain),
    TOGGLE(IDM_SWAP_CHANNELS, audioFilters.swapChannels, kPlain),
    TOGGLE(IDM_KEY_ALT_F2, audioFilters.swapChannels, kPlain),
    TOGGLE(IDM_VOICE_REMOVAL, audioFilters.voiceRemoval, kPlain),
    TOGGLE(IDM_KEY_ALT_F3, audioFilters.voiceRemoval, kPlain),
    CHOOSE(IDM_SKIP_FRAMES, speedTroublesMode, 0, kPlain),
    CHOOSE(IDM_JUMP_KEYFRAMES, speedTroublesMode, 1, kPlain),
    CHOOSE(IDM_KEEP_FAST_MOTION, speedTroublesMode, 2, kPlain),
    CHOOSE(IDM_SMOOTH_VIDEO, speedTroublesMode, 3, kPlain),
    CHOOSE(IDM_BUFFER_AUTO, frameBufferSize, 0, kReopen),
    CHOOSE(IDM_BUFFER_10, frameBufferSize, 1, kReopen),
    CHOOSE(IDM_BUFFER_20, frameBufferSize, 2, kReopen),
    CHOOSE(IDM_BUFFER_30, frameBufferSize, 3, kReopen),
    CHOOSE(IDM_BUFFER_50, frameBufferSize, 4, kReopen),
    TOGGLE(IDM_SECONDARY_AUDIO, useSecondaryAudioStream, kReopen),
    TOGGLE(IDM_SAFE_VIDEO_BACKUP, safeVideoBackupMode, kReopen),
    TOGGLE(IDM_AUTO_AUDIO_SYNC, allowAutoAudioSync, kPlain),
    TOGGLE(IDM_SEEKING_INDEX, allowSeekingIndex, kRefuse),
    CHOOSE(IDM_CACHE_1_0, fileCacheSize, 0, kReopen),
    CHOOSE(IDM_CACHE_1_5, fileCacheSize, 1, kReopen),
    CHOOSE(IDM_CACHE_2_0, fileCacheSize, 2, kReopen),
    CHOOSE(IDM_CACHE_2_5, fileCacheSize, 3, kReopen),
    CHOOSE(IDM_CACHE_3_0, fileCacheSize, 4, kReopen),
    TOGGLE(IDM_FULL_CHAINS, renderFullChains, kReopen),
    TOGGLE(IDM_GRAPH_TO_ROT, addGraphToRot, kReopen),
    TOGGLE(IDM_ALLOW_OVERLAYS, denyOverlays, kOutput),
    TOGGLE(IDM_ALLOW_YV12, allowYv12, kOutput),
    TOGGLE(IDM_ALLOW_YUY2, allowYuy2Uyvy, kOutput),
    TOGGLE(IDM_ALLOW_RGB_HIGH, allowRgbHighColor, kOutput),
    TOGGLE(IDM_ALLOW_RGB_TRUE, allowRgbTrueColor, kOutput),
    TOGGLE(IDM_DOUBLE_BUFFERING, allowDoubleBuffering, kOutput),
    {IDM_LOW_QUALITY, FIELD(highQualityConversion), Change::kChoice8, 0, Reach::kPlain},
    {IDM_HIGH_QUALITY, FIELD(highQualityConversion), Change::kChoice8, 1, Reach::kPlain},
    CHOOSE(IDM_RESIZE_NEAREST, nonOverlayResize, 0, kOutput),
    CHOOSE(IDM_RESIZE_BILINEAR, nonOverlayResize, 1, kOutput),
    CHOOSE(IDM_RESIZE_THIRD, nonOverlayResize, 2, kOutput),
    TOGGLE(IDM_HALF_SAMPLE_RATE, halfSampleRate, kReopen),
    TOGGLE(IDM_DENY_STEREO, denyStereo, kReopen),
    TOGGLE(IDM_USE_8_BIT, use8BitDepth, kReopen),
    TOGGLE(IDM_DISABLE_AUDIO, disableAudio, kReopen),
    TOGGLE(IDM_VOLUME_CONTROL, enableVolumeControl, kReopen),
    TOGGLE(IDM_REPEAT, repeat, kPlain),
    TOGGLE(IDM_FADEOUT_PAUSE, fadeoutPause, kPlain),
    TOGGLE(IDM_FULLSCREEN_AS_DEFAULT, fullscreenAsDefault, kPlain),
    TOGGLE(IDM_MULTI_WINDOW_MODE, multiWindowMode, kPlain),
};

#undef CHOOSE
#undef TOGGLE
#undef FIELD

void ChangeField(const OptionCommand& command) {
  uint8_t* field = reinterpret_cast<uint8_t*>(&g_options) + command.offset;
  switch (command.change) {
    case Change::kToggle:
      *field = *field == 0 ? 1 : 0;
      break;
    case Change::kChoice8:
      *field = static_cast<uint8_t>(command.value);
      break;
    case Change::kChoice32:
      std::memcpy(field, &command.value, sizeof command.value);
      break;
  }
}

void Apply(const OptionCommand& command) {
  if (command.reach == Reach::kRefuse && !RefuseWhilePlaying()) return;
  if (command.reach == Reach::kReopen && !StopForOptionChange()) return;
  ChangeField(command);
  SyncMenuWithOptions();
  if (command.reach == Reach::kOutput) g_app.redrawCounter.fetch_add(1);
  if (command.reach == Reach::kReopen) ResumeAfterOptionChange();
}

void LoadDefaults() {
  if (!RefuseWhilePlaying()) return;
  Options defaults;
  SetDefaultOptions(&defaults);  // also forgets the remembered audio delays
  g_options = defaults;
  SyncMenuWithOptions();
  g_subtitleTrack->SetDirty(true);  // the default font and colour
}

}  // namespace

bool HandleOptionCommand(int id) {
  for (const OptionCommand& command : kOptionCommands) {
    if (command.id != id) continue;
    Apply(command);
    return true;
  }
  switch (id) {
    case IDM_VIDEO_FILTERS_OFF:
      g_options.videoFilters = VideoFilterFlags{};
      break;
    case IDM_AUDIO_FILTERS_OFF:
      g_options.audioFilters = AudioFilterFlags{};
      break;
    case IDM_LOAD_DEFAULTS:
      LoadDefaults();
      return true;
    default:
      return false;
  }
  SyncMenuWithOptions();
  return true;
}
