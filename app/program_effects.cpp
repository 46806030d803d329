// The program's frame and sound effects: the filters chosen in the options
// record, the level bar of the selected balance value, and the pause fade.
// The frame effects draw with the video thread's options of the pass; the
// sound filters read the published options once a block.
#include "app/application_ports.h"

#include "app/application.h"
#include "audio/audio_filters.h"
#include "settings/shared_options.h"
#include "subtitles/subtitle_track.h"
#include "video/fade_step.h"
#include "video/level_bar.h"
#include "video/video_filters.h"

namespace {

// The value the level bar shows: the setting the BalanceTarget names.
int32_t SelectedBalanceValue(const Options& options, int32_t target) {
  switch (target) {
    case kBalanceBrightness: return options.colorBalance.brightness;
    case kBalanceSaturation: return options.colorBalance.saturation;
    case kBalanceContrast: return options.colorBalance.contrast;
    default: return static_cast<int32_t>(options.volume);
  }
}

// The subtitle step of the chain: context is the frame's options record.
void RenderSubtitles(const void* context, uint8_t* frame, int32_t frameNumber) {
  const Options& options = *static_cast<const Options*>(context);
  SubtitleStyle style;
  style.font = options.subtitleFont;
  style.colour = options.subtitleColor;
  style.transparent = options.subtitlesTransparent != 0;
  style.shadow = options.subtitlesShadow != 0;
  if (g_subtitleTrack != nullptr) g_subtitleTrack->RenderSubtitle(frame, frameNumber, style);
}

void FilterFrame(const Options& options, uint8_t* frame, int32_t width, int32_t height,
                 int32_t frameNumber) {
  SubtitleStep subtitles;
  subtitles.render = RenderSubtitles;
  subtitles.context = &options;
  ApplyVideoFilters(options.videoFilters, options.colorBalance, frame, width, height, frameNumber,
                    subtitles);
}

void DrawBar(const Options& options, uint8_t* frame, int32_t width, int32_t height) {
  const int32_t target = g_app.balanceTarget.load(std::memory_order_relaxed);
  DrawLevelBar(frame, width, height, SelectedBalanceValue(options, target), target,
               g_app.balanceImage);
}

void FilterSound(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames) {
  ApplyAudioFilters(PublishedOptions().audioFilters, block, stereo, sixteenBit, frames);
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
