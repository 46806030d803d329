// The two sound threads. The audio feeder decodes sound blocks into the block
// ring, keeping it as full as the frame ring is long; the audio output thread
// copies them, through the audio filters, into the sound output's buffer
// whenever a block of it is free, and counts them: the counter is the clock
// the picture follows.
#pragma once

#include "engine/playback_context.h"

#include <cstdint>

class AudioFeeder {
 public:
  // Starts at the player's start block.
  explicit AudioFeeder(const PlaybackContext& context);
  // One pass (sleeps 100 ms when the ring is full enough).
  void Pass();
  void Run();
  int32_t NextBlock() const { return next_; }

 private:
  PlaybackContext context_;
  PlaybackRecord& record_;
  int32_t next_;
};

class AudioOutputThread {
 public:
  explicit AudioOutputThread(const PlaybackContext& context);
  // One pass: writes one block, or sleeps 100 ms when the buffer has no free
  // block, the ring is empty or the lock fails.
  void Pass();
  void Run();

 private:
  bool WriteBlock(uint8_t* element, uint8_t flag);
  PlaybackContext context_;
  PlaybackRecord& record_;
};

// Fills a block with the silence of its sample type (0 for 16-bit, 128 for
// 8-bit).
void FillSilence(uint8_t* block, int32_t bytes, bool sixteenBit);
