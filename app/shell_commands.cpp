#include "app/shell_commands.h"

#include "app/application.h"
#include "app/dialog_entry_points.h"
#include "app/option_commands.h"
#include "app/playlist_commands.h"
#include "app/view_commands.h"
#include "decode/decoder_holder.h"
#include "platform/show_message.h"
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

constexpr int32_t kMostPendingSteps = 5;

// One more frame for the paused video thread to show.
void NextFrame() {
  int32_t steps = g_app.frameSteps.load();
  while (steps < kMostPendingSteps && !g_app.frameSteps.compare_exchange_weak(steps, steps + 1)) {
  }
}

// The keyframe commands and Left/Right need the index to reach any frame.
void SeekToKeyframe(bool forward, int32_t from) {
  if (PlayerClosed() || !g_player->IsSeekable()) return;
  const int32_t keyframe = forward ? g_decoderHolder->NextKeyframe(from)
                                   : g_decoderHolder->PreviousKeyframe(from);
  SeekPlayer(keyframe);
  g_app.redrawCounter.fetch_add(1);
}

int32_t FiveSeconds() {
  const int32_t scale = g_player->VideoScale();
  return scale > 0 ? 5 * g_player->VideoRate() / scale : 0;
}

void Restriction(const char* text) {
  ShowMessage(g_mainWindow, text, "Restriction", MB_ICONEXCLAMATION);
}

void FileProperties(HWND window) {
  if (!PlayerClosed()) ShowFilePropertiesDialog(window);
}

void TimeDisplacement(HWND window) {
  if (g_playlist->IsEmpty()) {
    Restriction("Open Video File first");
  } else {
    ShowTimeDisplacementDialog(window);
  }
}

// One statistics window at a time: a second request brings it forward. It
// has no owner, so the cursor countdown is held while it is up.
void Statistics(HWND window) {
  if (g_app.statisticsOpen) {
    SetForegroundWindow(g_app.statisticsWindow);
    return;
  }
  g_app.statisticsOpen = 1;
  g_app.modalOpen.store(1);
  RearmCursorTimer();
  ShowStatisticsDialog(window);
  g_app.modalOpen.store(0);
  SettleAfterModal();
  g_app.statisticsOpen = 0;
}

using Handler = void (*)(HWND window, LPARAM lParam);

struct Command {
  int id;
  Handler run;
};

const Command kCommands[] = {
    {IDM_PLAY_PAUSE, [](HWND, LPARAM) { PlayPause(); }},
    {IDM_STOP, [](HWND w, LPARAM) { Stop(w); }},
    {IDM_REWIND, [](HWND, LPARAM) { SeekPlayer(0); }},
    {IDM_NEXT_FILE, [](HWND w, LPARAM) { NextFile(w); }},
    {IDM_PREVIOUS_FILE, [](HWND w, LPARAM) { PreviousFile(w); }},
    {IDM_NEXT_FRAME, [](HWND, LPARAM) { NextFrame(); }},
    {IDM_PREVIOUS_KEYFRAME,
     [](HWND, LPARAM) { SeekToKeyframe(false, g_player->CurrentFrame() - 1); }},
    {IDM_NEXT_KEYFRAME, [](HWND, LPARAM) { SeekToKeyframe(true, g_player->CurrentFrame() + 1); }},
    {IDM_KEY_LEFT,
     [](HWND, LPARAM) { SeekToKeyframe(false, g_player->CurrentFrame() - FiveSeconds()); }},
    {IDM_KEY_RIGHT,
     [](HWND, LPARAM) { SeekToKeyframe(true, g_player->CurrentFrame() + FiveSeconds()); }},
    {IDM_FILE_CLOSE, [](HWND w, LPARAM) { CloseFile(w); }},
    {IDM_EXIT, [](HWND w, LPARAM) { Exit(w); }},
    {IDM_FULLSCREEN, [](HWND, LPARAM) { SwitchFullscreen(!g_app.fullscreenRequested.load()); }},
    {IDM_KEY_ESCAPE, [](HWND w, LPARAM) { EscapeKey(w); }},
    {IDM_CURSOR, [](HWND, LPARAM l) { ShowOrHideCursor(l); }},
    {IDM_HAND_OVER, [](HWND w, LPARAM) { TakeHandOver(w); }},
    {IDM_FILE_PROPERTIES, [](HWND w, LPARAM) { FileProperties(w); }},
    {IDM_TIME_DISPLACEMENT, [](HWND w, LPARAM) { TimeDisplacement(w); }},
    {IDM_STATISTICS, [](HWND w, LPARAM) { Statistics(w); }},
    {IDM_FULLSCREEN_MODE, [](HWND w, LPARAM) { ShowFullscreenModeDialog(w); }},
    {IDM_ABOUT, [](HWND w, LPARAM) { ShowAboutDialog(w); }},
    {IDM_HELP_CONTENTS, [](HWND w, LPARAM) { ShowHelpContents(w); }},
};

}  // namespace

bool HandleShellCommand(HWND window, int id, LPARAM lParam) {
  for (const Command& command : kCommands) {
    if (command.id != id) continue;
    command.run(window, lParam);
    return true;
  }
  return HandleOptionCommand(id) || HandleViewCommand(window, id) ||
         HandlePlaylistCommand(window, id) || HandleSubtitleCommand(window, id);
}
