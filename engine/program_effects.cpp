// The program's frame and sound effects: the filters chosen in the options
// record, the level bar of the selected balance value, and the pause fade.
#include "engine/playback_ports.h"

#include "app/application.h"
#include "app/options.h"
#include "audio/audio_filters.h"
#include "video/fade_step.h"
#include "video/level_bar.h"
#include "video/video_filters.h"

namespace {

// The value the level bar shows: the setting the BalanceTarget names.
int32_t SelectedBalanceValue() {
  switch (g_app.balanceTarget) {
    case kBalanceBrightness: return g_options.colorBalance.brightness;
    case kBalanceSaturation: return g_options.colorBalance.saturation;
    case kBalanceContrast: return g_options.colorBalance.contrast;
    default: return static_cast<int32_t>(g_options.volume);
  }
}

void FilterFrame(uint8_t* frame, int32_t width, int32_t height, int32_t frameNumber) {
  // The subtitle renderer takes its place in the chain through this step.
  const SubtitleStep subtitles;
  ApplyVideoFilters(g_options.videoFilters, g_options.colorBalance, frame, width, height,
                    frameNumber, subtitles);
}

void DrawBar(uint8_t* frame, int32_t width, int32_t height) {
  DrawLevelBar(frame, width, height, SelectedBalanceValue(), g_app.balanceTarget,
               g_app.balanceImage);
}

void FilterSound(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames) {
  ApplyAudioFilters(g_options.audioFilters, block, stereo, sixteenBit, frames);
}

}  // namespace

FrameEffects ProgramEffects() {
  FrameEffects effects;
  effects.applyVideoFilters = FilterFrame;
  effects.drawLevelBar = DrawBar;
  effects.fadeStep = FadeStep;
  effects.applyAudioFilters = FilterSound;
  return effects;
}
