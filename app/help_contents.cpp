// Help: the program carries its compiled help file as a resource and writes
// it to the temporary directory for the system's help viewer. A failed write
// or a missing resource is silent: there is simply no help to show.
#include "app/dialog_entry_points.h"

#include "app/resource.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr DWORD kPathCapacity = 1024;
constexpr char kHelpFileName[] = "Velmora.chm";
const LPCSTR kRawData = MAKEINTRESOURCEA(10);  // RT_RCDATA, whatever the character set

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// True when the whole resource was written to path.
bool WriteHelpFile(const char* path) {
  const HMODULE module = GetModuleHandleA(nullptr);
  const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_HELP_FILE), kRawData);
  if (found == nullptr) return false;
  const DWORD size = SizeofResource(module, found);
  const HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return false;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "wb"));
  return file && std::fwrite(bytes, size, 1, file.get()) == 1;
}

}  // namespace

void ShowHelpContents(HWND) {
  char path[kPathCapacity + sizeof kHelpFileName] = {};
  const DWORD length = GetTempPathA(kPathCapacity, path);
  if (length == 0 || length >= kPathCapacity) return;
  std::strcat(path, kHelpFileName);
  if (!WriteHelpFile(path)) return;
  ShellExecuteA(nullptr, "open", path, "", "", SW_SHOW);
}
