#include "engine/video_feeder.h"

#include "decode/decoder.h"
#include "engine/pacing_rules.h"
#include "settings/shared_options.h"

namespace {
constexpr uint32_t kIdleSleep = 100;
}

VideoFeeder::VideoFeeder(const PlaybackContext& context)
    : context_(context),
      record_(*context.record),
      next_(record_.feederOffset + record_.currentFrame.load(std::memory_order_relaxed)) {}

void VideoFeeder::Pass() {
  if (next_ >= record_.LastFrameEnd() || !record_.IsOpen()) {
    record_.endOfVideo.store(1, std::memory_order_relaxed);
    context_.Sleep(kIdleSleep);
    return;
  }
  uint8_t* slot = record_.frameRing.WriteSlot();
  if (slot == nullptr) {
    context_.Sleep(kIdleSleep);
    return;
  }
  if (FeederJumps(PublishedOptions().speedTroublesMode) && pendingSkips_ == 0) {
    const int32_t target = record_.targetFrame.load(std::memory_order_relaxed);
    if (target > next_) pendingSkips_ = KeyframeJump(next_, context_.decoder->PreviousKeyframe(target));
  }
  if (pendingSkips_ > 0) {
    record_.frameRing.Commit(kFrameSkipped);
    --pendingSkips_;
    ++next_;
    return;
  }
  const bool decoded = context_.decoder->ReadVideoFrame(slot, next_);
  if (!decoded && context_.decoder->VideoDataEnd() <= next_) {
    // The data ends here: the video thread ends at this frame.
    record_.dataEnd.store(context_.decoder->VideoDataEnd(), std::memory_order_relaxed);
    return;
  }
  record_.frameRing.Commit(decoded ? kFrameDecoded : kFrameFailed);
  ++next_;
}

void VideoFeeder::Run() {
  while (IsRunning(context_.videoFeeder)) Pass();
}
