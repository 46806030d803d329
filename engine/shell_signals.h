// What the window and the playback engine tell each other while a file is
// open. The shell's Application record is one of these; the player and its
// threads reach it through their ports and never through the shell itself.
//
// Each field says which thread writes it and how the others see it. The video
// thread talks back to the window only through these fields and posted
// commands.
#pragma once

#include "platform/locked_value.h"
#include "platform/win32.h"

#include <atomic>
#include <cstdint>

struct ShellSignals {
  // User-interface thread only: the player reads them in Open and Close,
  // which run on that thread.
  int32_t currentIndex = 0;    // the chosen play list entry
  int32_t resumePosition = 0;  // frame at which the next open starts

  // Written by the user-interface thread; the video thread only reads them.
  // Atomics: each is one value, and a value one pass old is harmless.
  std::atomic<uint8_t> windowActive{1};         // the window is not going away
  std::atomic<uint8_t> fullscreenRequested{0};
  std::atomic<uint8_t> modalOpen{0};            // a modal window holds the cursor countdown
  std::atomic<uint8_t> cursorShown{1};          // set by the show-cursor command
  std::atomic<int32_t> redrawCounter{1};        // counted up by every repaint
  // The picture's place in the window, written by Repaint; the video thread
  // copies it whole when it sets the presenter up (a rectangle is four values).
  LockedValue<RECT> videoRect{RECT{0, 0, 0, 0}};

  // Requests handed from the user-interface thread to the video thread: the
  // window sets or adds, the video thread takes with an atomic exchange or
  // compare-exchange, so a request made while it takes one is never lost.
  std::atomic<uint8_t> balanceChanged{0};       // show the level bar, set the volume
  std::atomic<uint8_t> displayChanged{0};       // the display mode changed: set up again
  std::atomic<int32_t> frameSteps{0};           // Next Frame requests while paused
  // Frames until the cursor and level bar hide in fullscreen: set by the
  // window, counted down by the video thread (compare-exchange, so a new
  // value from the window wins).
  std::atomic<int32_t> cursorCountdown{0};

  // Written by the video thread; the window reads it, and its balance keys
  // set it so that the key's value, not the volume, moves at once.
  std::atomic<uint8_t> balanceShown{0};         // the level bar is on the picture
};
