#include "app/file_dialogs.h"

#include "app/application.h"
#include "app/shell.h"
#include "app/shell_state.h"

#include <commdlg.h>

#include <cstring>
#include <vector>

namespace {

constexpr size_t kFileBufferSize = 10000;

// The dialog's answer with several files: the directory, then each name,
// each ending in a zero, the list ending in an empty name.
std::string JoinChosenFiles(const char* buffer) {
  const std::string directory = buffer;
  const char* name = buffer + directory.size() + 1;
  if (*name == '\0') return directory;  // one file: its full path
  std::string joined;
  for (; *name != '\0'; name += std::strlen(name) + 1) {
    if (!joined.empty()) joined += '\r';
    joined += directory + "\\" + name;
  }
  return joined;
}

}  // namespace

bool OpenFileDialog(bool multiSelect, const char* filter, const char* title, std::string* chosen) {
  std::vector<char> buffer(kFileBufferSize, '\0');
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = g_mainWindow;
  dialog.hInstance = GetModuleHandleA(nullptr);
  dialog.lpstrFilter = filter;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrInitialDir = "";
  dialog.lpstrTitle = title;
  dialog.Flags = OFN_EXPLORER | (multiSelect ? OFN_ALLOWMULTISELECT : 0);
  RearmCursorTimer();
  g_app.modalOpen.store(1);
  const bool taken = GetOpenFileNameA(&dialog) != 0;
  g_app.modalOpen.store(0);
  SettleAfterModal();
  chosen->clear();
  if (taken) *chosen = multiSelect ? JoinChosenFiles(buffer.data()) : std::string(buffer.data());
  return taken;
}
