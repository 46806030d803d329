// "Auto Level": stretches the luma range of each frame to 0 .. 255, with the
// frame's minimum and maximum smoothed over time.
#pragma once

#include <cstdint>

// The smoothed luma range, kept for the life of the process (all files) and
// touched only by the video thread.
struct AutoLevelState {
  int32_t minimum = 0;
  int32_t maximum = 0;
  bool minimumSet = false;
  bool maximumSet = false;
};

// The process-wide state that AutoLevel (frame, W, H) uses; never reset.
extern AutoLevelState g_autoLevelState;

// Finds the frame's luma minimum and maximum, smooths them into *state (new
// = (frame value + 3 x previous) >> 2, the first frame taking its own values
// as the previous ones) and maps every luma byte through the stretch table
// L[i] = clamp((255 i - 255 minimum) div range, 0, 255), range = maximum -
// minimum but at least 128. The frame stays as it is when the smoothed maximum
// is not above the minimum or the range is exactly 0 .. 255. Does nothing
// (state included) when HasMmx() is false or the frame has no pixel pair.
// W div 2 words per row.
void AutoLevel(uint8_t* frame, int32_t width, int32_t height, AutoLevelState* state);
inline void AutoLevel(uint8_t* frame, int32_t width, int32_t height) {
  AutoLevel(frame, width, height, &g_autoLevelState);
}

// The stretch alone: maps the lumas of W div 2 words per row through L for a
// smoothed minimum and maximum (maximum > minimum, both 0 .. 255).
void StretchLuma(uint8_t* frame, int32_t width, int32_t height, int32_t minimum, int32_t maximum);

namespace reference {
void AutoLevel(uint8_t* frame, int32_t width, int32_t height, AutoLevelState* state);
void StretchLuma(uint8_t* frame, int32_t width, int32_t height, int32_t minimum, int32_t maximum);
}  // namespace reference
