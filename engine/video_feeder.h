// The video feeder thread: decodes frame after frame into the frame ring,
// ahead of the video thread. In "Skip Frames" and "Jump Keyframes" it jumps
// to the keyframe at or before the clock's target when that is 5 to 1,000
// frames ahead, queuing the frames in between as skipped without decoding.
#pragma once

#include "engine/playback_context.h"

#include <cstdint>

class VideoFeeder {
 public:
  // Starts at the player's current frame plus its feeder offset.
  explicit VideoFeeder(const PlaybackContext& context);

  // One pass of the loop (sleeps 100 ms when there is nothing to do).
  void Pass();
  // Passes until the thread is stopped.
  void Run();

  int32_t NextFrame() const { return next_; }
  int32_t PendingSkips() const { return pendingSkips_; }

 private:
  PlaybackContext context_;
  PlaybackRecord& record_;
  int32_t next_;
  int32_t pendingSkips_ = 0;
};
