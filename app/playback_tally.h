// A running count of what played since start-up: frames shown and dropped
// and sound blocks written. The player's own counters start again at every
// open and seek, so the shell adds up each stretch before it closes or
// seeks. The program reports the sum when it ends (see startup.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

struct PlaybackTally {
  int32_t filesOpened = 0;
  int64_t framesShown = 0;
  int64_t framesDropped = 0;
  int64_t blocksWritten = 0;
};

// Opens the play list's current entry with subtitles and starts a stretch.
bool OpenPlayer();
// Seeks within the open file (a stretch ends and another starts).
bool SeekPlayer(int32_t frame);
// Closes the player after adding up the stretch.
void ClosePlayer();

// The sum so far, the open stretch included.
PlaybackTally CurrentTally();
void ResetTally();

// "frames shown N, dropped N, sound blocks written N, files N".
void FormatTally(const PlaybackTally& tally, char* text, size_t capacity);
