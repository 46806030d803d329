#include "app/option_change.h"

#include "app/application.h"
#include "app/playback_tally.h"
#include "app/shell.h"
#include "engine/player.h"
#include "platform/show_message.h"

namespace {

const char kRestriction[] = "Restriction";

// A file was open when the change began: the resume reopens it.
bool g_reopenPending = false;

}  // namespace

bool RefuseWhilePlaying() {
  if (g_player->State() == kClosed) return true;
  ShowMessage(g_mainWindow, "Can't change option(s) while playing", kRestriction,
              MB_ICONEXCLAMATION);
  return false;
}

bool StopForOptionChange() {
  g_reopenPending = false;
  if (g_player->State() == kClosed) {
    g_app.resumePosition = 0;
    return true;
  }
  if (!g_player->IsSeekable()) {
    ShowMessage(g_mainWindow,
                "Can't change option(s) while playing because of Index table isn't loaded",
                kRestriction, MB_ICONEXCLAMATION);
    return false;
  }
  g_app.wasPaused = g_player->State() == kPaused ? 1 : 0;
  g_app.resumePosition = g_player->CurrentFrame();
  g_reopenPending = true;
  ClosePlayer();
  return true;
}

void ResumeAfterOptionChange() {
  if (!g_reopenPending) return;
  g_reopenPending = false;
  OpenPlayer();
  if (g_app.wasPaused) {
    g_player->Pause();
  } else {
    g_player->Play();
    g_app.mouseMoveIgnoreCount = 0;
  }
}
