#include "app/file_dialogs.h"

#include "app/application.h"
#include "app/shell.h"
#include "app/shell_state.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <utility>
#include <vector>

// String literals with embedded zeros: sizeof keeps the final empty pair.
const char kVideoFilter[] =
    "All supported files\0*.avi;*.mls;*.divx\0AVI files (*.avi)\0*.avi\0"
    "DivX files (*.divx)\0*.divx\0Playlists (*.mls)\0*.mls\0All files\0*.*\0";
const char kSubtitleFilter[] =
    "All supported files\0*.sub;*.srt;*.ssa;*.ass\0SUB Files (*.sub)\0*.sub\0SRT Files (*.srt)\0*.srt\0"
    "SSA/ASS Files (*.ssa;*.ass)\0*.ssa;*.ass\0All files\0*.*\0";
const char kPlaylistFilter[] = "PlayList files (*.mls)\0*.mls\0All files\0*.*\0";

namespace {

constexpr size_t kOpenBufferSize = 10000;
constexpr size_t kSaveBufferSize = 2048;
constexpr size_t kSavedPathLimit = 999;  // the caller's buffer holds 1,000 bytes

FileDialogHook& Hook() {
  static FileDialogHook hook;
  return hook;
}

// "dir\0name\0name\0\0" (several files) or "path\0" (one) as full paths
// joined by carriage returns.
std::string JoinChosenFiles(const char* buffer) {
  const std::string first(buffer);
  const char* name = buffer + first.size() + 1;
  if (*name == '\0') return first;
  std::string joined;
  for (; *name != '\0'; name += std::strlen(name) + 1) {
    if (!joined.empty()) joined += '\r';
    joined += first + "\\" + name;
  }
  return joined;
}

std::string RunSystemDialog(const FileDialogRequest& request) {
  std::vector<char> buffer(request.save ? kSaveBufferSize : kOpenBufferSize, '\0');
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = request.save ? nullptr : g_mainWindow;
  dialog.hInstance = GetModuleHandleA(nullptr);
  dialog.lpstrFilter = request.filter;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrInitialDir = "";
  dialog.lpstrTitle = request.title;
  dialog.Flags = OFN_EXPLORER | (request.multiSelect ? OFN_ALLOWMULTISELECT : 0);
  if (request.save) {
    if (!GetSaveFileNameA(&dialog)) return std::string();
    return std::string(buffer.data()).substr(0, kSavedPathLimit);
  }
  if (!GetOpenFileNameA(&dialog)) return std::string();
  return JoinChosenFiles(buffer.data());
}

}  // namespace

std::string RunFileDialog(const FileDialogRequest& request) {
  RearmCursorTimer();
  g_app.modalOpen.store(1);
  std::string chosen = Hook() ? Hook()(request) : RunSystemDialog(request);
  g_app.modalOpen.store(0);
  SettleAfterModal();
  return chosen;
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
  return std::exchange(Hook(), std::move(hook));
}
