// The record of user-interface state shared by the shell and the video thread.
//
// Every field is touched only on the user-interface thread unless its comment
// says otherwise. The fields shared with the video thread are atomics with
// relaxed order: each has one writer, and a value one step old is harmless.
#pragma once

#include "app/displacement_list.h"
#include "platform/win32.h"
#include "video/dib_image.h"

#include <atomic>
#include <cstdint>

struct ModeTable;

// What the balance bar and the volume keys act on.
enum BalanceTarget : int32_t {
  kBalanceVolume = 0,
  kBalanceBrightness = 1,
  kBalanceSaturation = 2,
  kBalanceContrast = 3,
};

struct Application {
  Application();

  DibImage contextStripPlaceholder;   // 24x24, owner-drawn first context menu item
  int32_t wasPaused = 0;              // the player was paused when closed for an option change
  int32_t resumePosition = 0;         // frame at which the next open starts
  HWND statisticsWindow = nullptr;
  uint8_t balanceImage[4096] = {};    // ID_BALANCE: 32 rows of 128 red values, top row first
  int32_t mouseMoveIgnoreCount = 0;
  int32_t balanceTarget = kBalanceVolume;
  std::atomic<uint8_t> windowActive{1};   // read by the player's close and the video thread
  HBITMAP contextStripPicture = nullptr;
  uint8_t hasMmx = 0;                 // CPUID 1, EDX bit 23, read at construction
  DisplacementList displacementList;
  int32_t currentIndex = 0;           // the chosen play list entry
  int32_t playlistScroll = 0;
  HMENU mainMenu = nullptr;
  HMENU contextMenu = nullptr;
  ModeTable* modeTable = nullptr;
  RECT videoRect = {0, 0, 0, 0};      // written by Repaint, read by the video thread
  DibImage idlePicture;
  DibImage dimmedIdlePicture;
  std::atomic<uint8_t> cursorShown{1};
  RECT seekBarRect = {0, 0, 0, 0};    // written by DrawPanel (also on the video thread)
  std::atomic<uint8_t> fullscreenRequested{0};  // read by the video thread
  uint8_t fullscreenApplied = 0;
  std::atomic<int32_t> cursorCountdown{0};      // counted down by the video thread
  std::atomic<uint8_t> modalOpen{0};            // read by the video thread (holds the countdown)
  RECT savedWindowRect = {0, 0, 0, 0};
  int32_t listImageWidth = 0;
  int32_t listImageHeight = 0;
  DibImage* listImage = nullptr;
  std::atomic<int32_t> frameSteps{0};           // Next Frame requests, taken by the video thread
  std::atomic<uint8_t> balanceChanged{0};       // set by the shell, cleared by the video thread
  std::atomic<uint8_t> balanceShown{0};         // cleared by the video thread
  std::atomic<uint8_t> displayChanged{0};       // consumed by the video thread
  std::atomic<int32_t> redrawCounter{1};        // compared by the video thread with what it saw
  UINT_PTR statisticsTimer = 0;
  uint8_t statisticsOpen = 0;
};

// The one application record, constructed at static initialisation.
extern Application g_app;
