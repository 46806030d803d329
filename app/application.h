// The record of user-interface state. What it shares with the playback engine
// is its ShellSignals part, whose fields name their writers; every field
// declared here is touched only on the user-interface thread unless its
// comment says otherwise.
#pragma once

#include "engine/shell_signals.h"
#include "platform/locked_value.h"
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

struct Application : ShellSignals {
  DibImage contextStripPlaceholder;   // 24x24, owner-drawn first context menu item
  int32_t wasPaused = 0;              // the player was paused when closed for an option change
  HWND statisticsWindow = nullptr;
  // ID_BALANCE: 32 rows of 128 red values, top row first; filled at start-up,
  // before any playback thread, and only read after.
  uint8_t balanceImage[4096] = {};
  int32_t mouseMoveIgnoreCount = 0;
  // BalanceTarget; set by the mouse and keys, read by the video thread's level bar.
  std::atomic<int32_t> balanceTarget{kBalanceVolume};
  HBITMAP contextStripPicture = nullptr;
  int32_t playlistScroll = 0;
  HMENU mainMenu = nullptr;
  HMENU contextMenu = nullptr;
  ModeTable* modeTable = nullptr;
  DibImage idlePicture;
  DibImage dimmedIdlePicture;
  // Written by DrawPanel, which the video thread also calls; read by the mouse code.
  LockedValue<RECT> seekBarRect{RECT{0, 0, 0, 0}};
  uint8_t fullscreenApplied = 0;
  RECT savedWindowRect = {0, 0, 0, 0};
  int32_t listImageWidth = 0;
  int32_t listImageHeight = 0;
  DibImage* listImage = nullptr;
  UINT_PTR statisticsTimer = 0;
  uint8_t statisticsOpen = 0;
};

// The one application record, constructed at static initialisation.
extern Application g_app;
