#include "engine/video_thread.h"

#include "engine/pacing_rules.h"
#include "platform/critical_section_lock.h"
#include "settings/shared_options.h"
#include "settings/present_mode.h"

#include <new>
#include <cstring>

namespace {

constexpr uint32_t kClockPoll = 1;       // ms, waiting for the next frame
constexpr uint32_t kEmptyRingSleep = 10;
constexpr uint32_t kPausedSleep = 100;
constexpr uint32_t kBufferingSleep = 100;
constexpr int32_t kBufferingPatience = 5;  // extra sleeps while the ring does not move
constexpr int32_t kFadeSteps = 15;         // fades in kFadeSteps - 1 steps

int32_t Relaxed(const std::atomic<int32_t>& value) {
  return value.load(std::memory_order_relaxed);
}

}  // namespace

VideoThread::VideoThread(const PlaybackContext& context)
    : context_(context),
      record_(*context.record),
      shell_(*context.ports.shell),
      options_(PublishedOptions()) {}

void VideoThread::Run() {
  {
    CriticalSectionLock lock(&record_.lock);
    Begin();
  }
  SetStartVolume();
  while (Pass()) {
  }
  Leave();
}

void VideoThread::Begin() {
  frameSize_ = record_.frameSize;
  fps_ = FramesPerSecond(record_.rate, record_.scale);
  resyncThreshold_ = ResyncThreshold(record_.rate, record_.scale);
  levelBarTime_ = LevelBarTime(record_.rate, record_.scale);
  record_.targetFrame.store(Relaxed(record_.currentFrame), std::memory_order_relaxed);
  frameFiltered_ = false;
  shell_.balanceShown.store(0, std::memory_order_relaxed);
  shell_.balanceChanged.store(0, std::memory_order_relaxed);
  lastCounter_ = -1;
  warmUp_ = record_.frameRing.Capacity();
  statusCountdown_ = 0;
  backup_.reset();
  // The presenter is set up and the first frame drawn at once.
  ownRefreshRequests_ = 1;
  seenRedrawCounter_ = shell_.redrawCounter.load(std::memory_order_relaxed);
}

void VideoThread::SetStartVolume() {
  if (record_.soundPlays) context_.ports.sound->SetVolume(static_cast<int32_t>(options_.volume));
}

bool VideoThread::Pass() {
  if (!Running() || Relaxed(record_.currentFrame) >= record_.LastFrameEnd() || !record_.IsOpen()) {
    return false;
  }
  options_ = PublishedOptions();
  record_.passes.fetch_add(1, std::memory_order_relaxed);
  TakeLevelBarRequest();
  // Until the sound's counter moves, the clock only counts the wait below.
  if (lastCounter_ == -1) {
    context_.clock->Restart();
    previousClock_ = context_.clock->Now();
  }
  WaitForClock();
  FollowSound();
  SetPriorities();

  uint8_t flag = 0;
  uint8_t* element = record_.frameRing.ReadSlot(&flag);
  if (element == nullptr) {
    if (options_.speedTroublesMode == kKeepFastMotion) BufferingPause();
    context_.Sleep(kEmptyRingSleep);
    return true;
  }
  KeepBackup(element);
  UpdateCursorAndLevelBar();
  if (RefreshPending()) RefreshPresenter(element, flag);
  if (record_.state.load(std::memory_order_relaxed) == kPlaying) {
    PlayingPass(element, flag);
  } else {
    PausedPass(element, flag);
  }
  return true;
}

void VideoThread::Leave() {
  SetSoundPlaying(false);
  while (record_.ready.load(std::memory_order_relaxed) == 0) context_.Sleep(kClockPoll);
  if (Running()) context_.ports.host->PostCommand(kCommandNextFile, 0);
  backup_.reset();
}

void VideoThread::TakeLevelBarRequest() {
  if (shell_.balanceChanged.exchange(0, std::memory_order_relaxed) == 0) return;
  shell_.cursorCountdown.store(levelBarTime_, std::memory_order_relaxed);
  shell_.balanceShown.store(1, std::memory_order_relaxed);
  if (options_.enableVolumeControl && record_.soundPlays && context_.ports.sound->IsOpen()) {
    context_.ports.sound->SetVolume(static_cast<int32_t>(options_.volume));
  }
}

void VideoThread::WaitForClock() {
  rememberedTarget_ = Relaxed(record_.targetFrame);
  int64_t target = rememberedTarget_;
  while (Running()) {
    const int64_t now = context_.clock->Now();
    target += now - previousClock_;
    previousClock_ = now;
    if (target > Relaxed(record_.currentFrame)) break;
    context_.Sleep(kClockPoll);
  }
  record_.targetFrame.store(static_cast<int32_t>(target), std::memory_order_relaxed);
}

// Only once this thread has started the sound: before the first frame is
// out (an empty ring at the start of playing) the counter has not begun to
// move, and taking its 0 as the sound's position would let the clock run
// ahead of a sound that is not playing yet.
void VideoThread::FollowSound() {
  if (record_.state.load(std::memory_order_relaxed) != kPlaying || !record_.soundPlays ||
      !soundStarted_) {
    return;
  }
  const int32_t counter = context_.ports.sound->GetBlockCounter();
  if (counter == lastCounter_) return;
  SoundPosition position;
  position.startBlock = record_.startBlock;
  position.blockCounter = counter;
  position.blockLength = record_.blockLength;
  position.sampleRate = record_.sampleRate;
  position.rate = record_.rate;
  position.scale = record_.scale;
  position.displacement = record_.displacement.load(std::memory_order_relaxed);
  const int32_t audioFrame = LipSyncFrame(position);
  if (NeedsResync(audioFrame, Relaxed(record_.targetFrame), resyncThreshold_, lastCounter_ == -1)) {
    record_.targetFrame.store(audioFrame, std::memory_order_relaxed);
  }
  lastCounter_ = counter;
}

void VideoThread::SetPriorities() {
  const int32_t mode = context_.ports.picture->Mode();
  SetPriority(context_.videoThread, VideoThreadPriority(mode));
  SetPriority(context_.videoFeeder, VideoFeederPriority(record_.frameRing.FillPercent(),
                                                        record_.frameRing.Count(), mode));
}

// "Keep Fast Motion" with an empty ring: the sound waits until the feeder has
// nearly filled the ring again, so the picture never runs behind it.
void VideoThread::BufferingPause() {
  SetSoundPlaying(false);
  const int32_t targetBefore = Relaxed(record_.targetFrame);
  const int32_t nearlyFull = record_.frameRing.Capacity() - 1;
  int32_t before = 0;
  int32_t after = 0;
  do {
    context_.ports.host->DrawStatus(record_.frameRing.FillPercent());
    before = record_.frameRing.Count();
    context_.Sleep(kBufferingSleep);
    for (int32_t i = 0; i < kBufferingPatience && before < nearlyFull &&
                        record_.frameRing.Count() == before;
         ++i) {
      context_.Sleep(kBufferingSleep);
    }
    after = record_.frameRing.Count();
  } while (Running() && before < nearlyFull && after != before);
  previousClock_ = context_.clock->Now();
  record_.targetFrame.store(targetBefore, std::memory_order_relaxed);
  SetSoundPlaying(true);
  ++ownRefreshRequests_;
}

void VideoThread::KeepBackup(const uint8_t* element) {
  if (record_.state.load(std::memory_order_relaxed) == kPlaying) {
    backup_.reset();
  } else if (backup_ == nullptr && frameSize_ > 0) {
    // Without memory for the copy the paused frame is simply not redrawn.
    backup_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(frameSize_)]);
    if (backup_ != nullptr) std::memcpy(backup_.get(), element, static_cast<size_t>(frameSize_));
  }
}

// The cursor and the level bar go away together in fullscreen when the
// countdown runs out; modal windows hold the countdown.
void VideoThread::UpdateCursorAndLevelBar() {
  int32_t countdown = Relaxed(shell_.cursorCountdown);
  const bool fullscreen = shell_.fullscreenRequested.load(std::memory_order_relaxed) != 0;
  const bool shown = !(countdown <= 0 && fullscreen);
  if (countdown == 0) shell_.balanceShown.store(0, std::memory_order_relaxed);
  if (shown != (shell_.cursorShown.load(std::memory_order_relaxed) != 0)) {
    context_.ports.host->PostCommand(kCommandShowCursor, shown ? 1 : 0);
  }
  if (countdown > 0 && shell_.modalOpen.load(std::memory_order_relaxed) == 0) {
    // A value the window set meanwhile stays; the count goes on next pass.
    shell_.cursorCountdown.compare_exchange_strong(countdown, countdown - 1,
                                                   std::memory_order_relaxed);
  }
}

bool VideoThread::RefreshPending() {
  return ownRefreshRequests_ > 0 ||
         Relaxed(shell_.redrawCounter) != seenRedrawCounter_ ||
         shell_.displayChanged.load(std::memory_order_relaxed) != 0;
}

void VideoThread::RefreshPresenter(uint8_t* element, uint8_t flag) {
  PicturePort* picture = context_.ports.picture;
  PlaybackHost* host = context_.ports.host;
  if (shell_.displayChanged.exchange(0, std::memory_order_relaxed) != 0) {
    picture->Release();
    host->ReopenDrawDib();
  }
  ownRefreshRequests_ = 0;
  seenRedrawCounter_ = Relaxed(shell_.redrawCounter);
  const RECT videoRect = shell_.videoRect.Get();
  picture->Setup(host->DirectDraw(), host->MainWindow(), &videoRect, record_.width, record_.height,
                 record_.stride, PresenterAllowFlags(options_));
  PresentFrame(element, flag);
  host->DrawBorders();
}

void VideoThread::PlayingPass(uint8_t* element, uint8_t flag) {
  shell_.frameSteps.store(0, std::memory_order_relaxed);  // steps mean nothing while playing
  fadeCountdown_ = 0;
  if (framesToDrop_ > 0) {
    --framesToDrop_;
    record_.droppedFrames.fetch_add(1, std::memory_order_relaxed);
  } else {
    const uint32_t mode = options_.speedTroublesMode;
    if (warmUp_ > 0) --warmUp_;
    skipMode_ = NextSkipMode(skipMode_, warmUp_ == 0, record_.frameRing.FillPercent(), mode,
                             record_.endOfVideo.load(std::memory_order_relaxed) != 0);
    const int32_t lag = EffectiveLag(Relaxed(record_.targetFrame), Relaxed(record_.currentFrame),
                                     skipMode_, mode);
    if (PresentFrame(element, flag)) record_.shownFrames.fetch_add(1, std::memory_order_relaxed);
    if (flag == kFrameSkipped) record_.droppedFrames.fetch_add(1, std::memory_order_relaxed);
    framesToDrop_ = lag - 1;
  }
  record_.currentFrame.fetch_add(1, std::memory_order_relaxed);
  record_.frameRing.Release();
  frameFiltered_ = false;
  DrawStatusEverySecond();
  SetSoundPlaying(true);
}

// The countdown is set to fps and counted down in the drawing pass as well,
// so at 25 fps the strip is redrawn on every 24th playing pass.
void VideoThread::DrawStatusEverySecond() {
  if (statusCountdown_ <= 0 && shell_.fullscreenRequested.load(std::memory_order_relaxed) == 0) {
    context_.ports.host->DrawStatus(-1);
    statusCountdown_ = fps_ - 1;
  }
  --statusCountdown_;
}

void VideoThread::PausedPass(uint8_t* element, uint8_t flag) {
  if (TakeFrameStep()) {
    record_.targetFrame.store(rememberedTarget_ + 1, std::memory_order_relaxed);
    record_.currentFrame.fetch_add(1, std::memory_order_relaxed);
    record_.frameRing.Release();
    backup_.reset();
    frameFiltered_ = false;
    ++ownRefreshRequests_;  // the next pass shows the new frame
  } else {
    const bool levelBar = shell_.balanceShown.load(std::memory_order_relaxed) != 0;
    if ((levelBar || redrawPending_) && backup_ != nullptr) {
      std::memcpy(element, backup_.get(), static_cast<size_t>(frameSize_));
      frameFiltered_ = false;
      PresentFrame(element, kFrameDecoded);
    }
    redrawPending_ = levelBar;
    FadeOrRest(element, flag);
  }
  previousClock_ = context_.clock->Now();  // the paused time is not counted
  SetSoundPlaying(false);
}

// Takes one Next Frame request; one the window adds meanwhile is kept.
bool VideoThread::TakeFrameStep() {
  int32_t steps = Relaxed(shell_.frameSteps);
  while (steps > 0) {
    if (shell_.frameSteps.compare_exchange_weak(steps, steps - 1, std::memory_order_relaxed)) {
      return true;
    }
  }
  return false;
}

// "Fadeout Pause" darkens the paused frame one step per pass; otherwise, and
// once faded, the loop rests.
void VideoThread::FadeOrRest(uint8_t* element, uint8_t flag) {
  if (options_.fadeoutPause) {
    if (fadeCountdown_ == 0) fadeCountdown_ = kFadeSteps;
    if (fadeCountdown_ > 1) {
      if (flag != kFrameSkipped) {
        context_.ports.effects.fadeStep(element, record_.width, record_.height);
        PresentFrame(element, flag);
      }
      --fadeCountdown_;
      return;
    }
  }
  context_.Sleep(kPausedSleep);
}

bool VideoThread::PresentFrame(uint8_t* element, uint8_t flag) {
  if (element == nullptr || flag != kFrameDecoded || shell_.windowActive.load() == 0) return false;
  if (!frameFiltered_) {
    const FrameEffects& effects = context_.ports.effects;
    effects.applyVideoFilters(options_, element, record_.width, record_.height,
                              Relaxed(record_.currentFrame));
    if (shell_.balanceShown.load(std::memory_order_relaxed) != 0) {
      effects.drawLevelBar(options_, element, record_.width, record_.height);
    }
    frameFiltered_ = true;
  }
  const bool presented = context_.ports.picture->Present(element, options_);
  if (presented) record_.presents.fetch_add(1, std::memory_order_relaxed);
  return presented;
}

void VideoThread::SetSoundPlaying(bool playing) {
  if (record_.soundPlays) context_.ports.sound->SetPlaying(playing);
  soundStarted_ = playing;
}
