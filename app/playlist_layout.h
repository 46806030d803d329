// The arithmetic of the play list screen: which entries are drawn where, and
// which entry a mouse point names. Lines are 16 pixels high; the current
// entry is kept near the middle of the window.
#pragma once

#include <cstdint>

constexpr int kPlaylistLineHeight = 16;

struct PlaylistLayout {
  int32_t topOffset;   // T: pixel offset of entry 0's line above the window's middle line
  int32_t scroll;      // T + 48, kept by the application for the mouse handlers
  int32_t firstIndex;  // the first entry drawn (may be -1 or past the end)
  int32_t lineCount;   // lines drawn, H / 16 + 3
};

// Lays out count entries in a window height with the current index (already
// at most count) near the middle: T = index x 16 - H / 2, at most
// count x 16 - H, at least -16.
PlaylistLayout LayOutPlaylist(int32_t currentIndex, int32_t count, int32_t height);

// The text top of entry index under the layout's top offset.
int32_t PlaylistLineTop(int32_t index, int32_t topOffset);

// The entry drawn at a client y: (y + scroll + 8) / 16 - 3, rounding toward
// zero; may be outside the list.
int32_t PlaylistRowAt(int32_t y, int32_t scroll);
