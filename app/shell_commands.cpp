#include "app/shell_commands.h"

#include "app/application.h"
#include "settings/options.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "app/single_instance.h"
#include "app/subtitle_commands.h"
#include "app/window_mode.h"
#include "engine/player.h"
#include "playlist/playlist.h"

#include <string>

namespace {

bool PlayerClosed() { return g_player->State() == kClosed; }

void SendCommand(HWND window, int id, LPARAM lParam) {
  SendMessageA(window, WM_COMMAND, id, lParam);
}

void PostCommand(HWND window, int id) { PostMessageA(window, WM_COMMAND, id, 0); }

void PlayPause() {
  if (g_playlist->IsEmpty()) return;
  if (PlayerClosed()) {
    g_app.resumePosition = 0;
    OpenPlayer();
  }
  if (g_player->State() == kPaused) {
    g_player->Play();
    g_app.mouseMoveIgnoreCount = 0;
  } else {
    g_player->Pause();
  }
  // The z-order follows "On Top" only while playing.
  if (!g_app.fullscreenRequested.load()) ApplyWindowMode();
  Repaint();
}

void Stop(HWND window) {
  ClosePlayer();
  SendCommand(window, IDM_CURSOR, 1);
  ApplyWindowMode();
}

// The common end of Next File and Previous File: play the entry now chosen,
// in fullscreen again if the file before was.
void PlayChosenEntry(HWND window, bool wasFullscreen) {
  ClampSelection();
  PostCommand(window, IDM_PLAY_PAUSE);
  if (wasFullscreen) PostCommand(window, IDM_FULLSCREEN);
}

void NextFile(HWND window) {
  const bool wasFullscreen = g_app.fullscreenRequested.load() != 0;
  ClosePlayer();
  ++g_app.currentIndex;
  if (g_app.currentIndex >= g_playlist->Count()) {
    if (!g_options.repeat) {  // the end of the list: stop here
      ClampSelection();
      SendCommand(window, IDM_CURSOR, 1);
      g_app.fullscreenRequested.store(0);
      ApplyWindowMode();
      Repaint();
      return;
    }
    g_app.currentIndex = 0;
  }
  PlayChosenEntry(window, wasFullscreen);
}

void PreviousFile(HWND window) {
  const bool wasFullscreen = g_app.fullscreenRequested.load() != 0;
  ClosePlayer();
  --g_app.currentIndex;
  PlayChosenEntry(window, wasFullscreen);
}

void CloseFile(HWND window) {
  SendCommand(window, IDM_STOP, 0);
  g_playlist->SetText(std::string());
  Repaint();
}

void Exit(HWND window) {
  g_app.windowActive.store(0);
  ClosePlayer();
  DestroyWindow(window);
}

// lParam != 0 shows the cursor, 0 hides it; ShowCursor keeps a count, so it
// is called only on a change.
void ShowOrHideCursor(LPARAM lParam) {
  const bool wanted = lParam != 0;
  if (wanted == (g_app.cursorShown.load() != 0)) return;
  ShowCursor(wanted ? TRUE : FALSE);
  g_app.cursorShown.store(wanted ? 1 : 0);
}

// A second start handed its command line over: come to the front and play
// what it named.
void TakeHandOver(HWND window) {
  ShowWindow(window, SW_MINIMIZE);
  ShowWindow(window, SW_RESTORE);
  std::string commandLine;
  if (!TakeHandedOverCommandLine(&commandLine)) return;
  SendCommand(window, IDM_FILE_CLOSE, 0);
  g_playlist->AddEntry(commandLine, Playlist::kNestingDepth);
  g_app.currentIndex = 0;  // the new list plays from its first entry
  SendCommand(window, IDM_PLAY_PAUSE, 0);
  if (g_options.fullscreenAsDefault) PostCommand(window, IDM_FULLSCREEN);
}

void EscapeKey(HWND window) {
  if (g_app.fullscreenRequested.load()) {
    SwitchFullscreen(false);
  } else {
    SendCommand(window, IDM_STOP, 0);
  }
}

}  // namespace

bool HandleShellCommand(HWND window, int id, LPARAM lParam) {
  switch (id) {
    case IDM_PLAY_PAUSE:
      PlayPause();
      return true;
    case IDM_STOP:
      Stop(window);
      return true;
    case IDM_REWIND:
      SeekPlayer(0);
      return true;
    case IDM_NEXT_FILE:
      NextFile(window);
      return true;
    case IDM_PREVIOUS_FILE:
      PreviousFile(window);
      return true;
    case IDM_FILE_CLOSE:
      CloseFile(window);
      return true;
    case IDM_EXIT:
      Exit(window);
      return true;
    case IDM_FULLSCREEN:
      SwitchFullscreen(!g_app.fullscreenRequested.load());
      return true;
    case IDM_KEY_ESCAPE:
      EscapeKey(window);
      return true;
    case IDM_CURSOR:
      ShowOrHideCursor(lParam);
      return true;
    case IDM_HAND_OVER:
      TakeHandOver(window);
      return true;
    default:
      return HandleSubtitleCommand(window, id);
  }
}
