// The video thread: takes frames out of the frame ring at the pace of the
// playback clock, keeps the clock on the sound (the blocks-written counter
// and the displacement), drops late frames as the "Speed Troubles Mode" says,
// runs the video filters and hands the frame to the presenter. While paused
// it keeps a copy of the frame for the level bar and the fade, and carries
// out single-frame steps. At the end of the file it posts "&Next File".
//
// Each pass of the loop is one call of Pass(), so that tests can drive it
// with a scripted clock and sound counter.
#pragma once

#include "engine/playback_context.h"
#include "settings/options.h"

#include <cstdint>
#include <memory>

// The shell's internal commands the video thread posts.
constexpr int32_t kCommandNextFile = 32818;
constexpr int32_t kCommandShowCursor = 32863;

class VideoThread {
 public:
  explicit VideoThread(const PlaybackContext& context);

  // The start: geometry, thresholds, flags (under the player lock).
  void Begin();
  // The sound's volume, after the player lock is left: the sound output's
  // lock is never taken inside the player lock.
  void SetStartVolume();
  // One pass; false when the loop ends (stopped, end of file, or closed).
  bool Pass();
  // The end: pauses the sound, waits for the player to be ready and, unless
  // the thread was stopped, posts "&Next File".
  void Leave();
  void Run();

  // For tests.
  int32_t ResyncThresholdFrames() const { return resyncThreshold_; }
  int32_t LevelBarFrames() const { return levelBarTime_; }
  bool SkipMode() const { return skipMode_; }
  int32_t FramesToDrop() const { return framesToDrop_; }
  int32_t FadeCountdown() const { return fadeCountdown_; }
  int32_t StatusCountdown() const { return statusCountdown_; }
  bool HasBackup() const { return backup_ != nullptr; }

 private:
  void TakeLevelBarRequest();
  void WaitForClock();
  void FollowSound();
  void SetPriorities();
  void BufferingPause();
  void KeepBackup(const uint8_t* element);
  void UpdateCursorAndLevelBar();
  bool RefreshPending();
  void RefreshPresenter(uint8_t* element, uint8_t flag);
  void PlayingPass(uint8_t* element, uint8_t flag);
  void PausedPass(uint8_t* element, uint8_t flag);
  void FadeOrRest(uint8_t* element, uint8_t flag);
  bool TakeFrameStep();
  void DrawStatusEverySecond();
  bool PresentFrame(uint8_t* element, uint8_t flag);
  void SetSoundPlaying(bool playing);
  bool Running() const { return IsRunning(context_.videoThread); }

  PlaybackContext context_;
  PlaybackRecord& record_;
  ShellSignals& shell_;
  Options options_;               // the published options, taken at each pass
  int32_t frameSize_ = 0;
  int32_t fps_ = 1;
  int32_t resyncThreshold_ = 1;
  int32_t levelBarTime_ = 0;
  int32_t lastCounter_ = -1;      // blocks-written counter at the last change seen
  int32_t warmUp_ = 0;
  int32_t statusCountdown_ = 0;
  int32_t framesToDrop_ = 0;
  int32_t fadeCountdown_ = 0;
  int32_t rememberedTarget_ = 0;  // the target before the last clock wait
  int32_t ownRefreshRequests_ = 0;
  int32_t seenRedrawCounter_ = 0;
  int64_t previousClock_ = 0;
  bool skipMode_ = false;
  bool frameFiltered_ = false;    // the filters ran on the frame in hand
  bool redrawPending_ = false;    // the level bar was up on the last paused pass
  bool soundStarted_ = false;     // this thread set the sound playing
  std::unique_ptr<uint8_t[]> backup_;  // the paused frame as decoded
};
