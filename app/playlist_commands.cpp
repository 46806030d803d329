#include "app/playlist_commands.h"

#include "app/application.h"
#include "app/file_dialogs.h"
#include "app/option_change.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "platform/string_list.h"

#include <ctime>
#include <string>

namespace {

// Every chosen path through the play list's entry rules (.mls files are read).
void AddChosen(const std::string& chosen) {
  StringList paths;
  paths.SetText(chosen);
  for (int32_t i = 0; i < paths.Count(); ++i) {
    g_playlist->AddEntry(paths.Item(i), Playlist::kNestingDepth);
  }
}

void StartAfresh() {
  ClosePlayer();
  g_playlist->SetText(std::string());
}

void OpenVideoFiles(HWND window) {
  const std::string chosen = RunFileDialog({false, true, kVideoFilter, "Open Video file"});
  if (chosen.empty()) return;
  StartAfresh();
  AddChosen(chosen);
  g_app.currentIndex = 0;
  PostMessageA(window, WM_COMMAND, IDM_PLAY_PAUSE, 0);
}

void LoadPlaylist() {
  const std::string chosen = RunFileDialog({false, false, kPlaylistFilter, "Open PlayList file"});
  if (chosen.empty()) return;
  StartAfresh();
  AddChosen(chosen);
  ClampSelection();
  Repaint();
}

// A file that can't be created is skipped without a word.
void SavePlaylist() {
  const std::string chosen = RunFileDialog({true, false, kPlaylistFilter, "Save PlayList"});
  if (!chosen.empty()) g_playlist->SaveAs(chosen);
}

void AddFiles() {
  const std::string chosen = RunFileDialog({false, true, kVideoFilter, "Open Video file"});
  if (chosen.empty()) return;
  AddChosen(chosen);
  Repaint();
}

void DeleteCurrentFile() {
  if (!RefuseWhilePlaying()) return;
  g_playlist->Delete(g_app.currentIndex);
  ClampSelection();
  Repaint();
}

// The reordering commands leave an empty list alone.
void Reorder(int id) {
  if (id == IDM_PLAYLIST_SORT) g_playlist->SortByFullPath();
  if (id == IDM_PLAYLIST_REVERSE) g_playlist->Reverse();
  if (id == IDM_PLAYLIST_RANDOMIZE) {
    g_playlist->Randomize(static_cast<uint32_t>(std::time(nullptr)));
  }
  Repaint();
}

}  // namespace

bool HandlePlaylistCommand(HWND window, int id) {
  switch (id) {
    case IDM_FILE_OPEN:
      OpenVideoFiles(window);
      return true;
    case IDM_PLAYLIST_NEW:
      StartAfresh();
      ClampSelection();
      Repaint();
      return true;
    case IDM_PLAYLIST_LOAD:
      LoadPlaylist();
      return true;
    case IDM_PLAYLIST_SAVE:
      SavePlaylist();
      return true;
    case IDM_PLAYLIST_ADD:
      AddFiles();
      return true;
    case IDM_PLAYLIST_DELETE:
      DeleteCurrentFile();
      return true;
    case IDM_PLAYLIST_SORT:
    case IDM_PLAYLIST_REVERSE:
    case IDM_PLAYLIST_RANDOMIZE:
      Reorder(id);
      return true;
    default:
      return false;
  }
}
