// The open and save file dialogs of the File, Play list and Subtitles
// commands (Windows only). Tests answer them through a hook instead of the
// system dialog, which would wait for a user.
#pragma once

#include <functional>
#include <string>

// The filters: pairs of description and pattern, ending in an empty pair.
extern const char kVideoFilter[];
extern const char kSubtitleFilter[];
extern const char kPlaylistFilter[];

struct FileDialogRequest {
  bool save;
  bool multiSelect;
  const char* filter;
  const char* title;
};

// Runs the dialog (the cursor countdown and the modal flag around it). The
// chosen path, or for several files their full paths joined by carriage
// returns (the play list's text form); empty when cancelled.
std::string RunFileDialog(const FileDialogRequest& request);

// Answers the dialogs in place of the system (an empty hook restores it):
// the hook returns the chosen text, empty for a cancel.
using FileDialogHook = std::function<std::string(const FileDialogRequest&)>;
FileDialogHook SetFileDialogHook(FileDialogHook hook);
