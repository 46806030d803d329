// FileTitleOf, declared with the shell's window services in app/shell.h; the
// player titles the window with it, the play list screen lists entries by it.
#include "app/shell.h"

#include <cstring>

namespace {

constexpr size_t kTitleCapacity = 1024;

}  // namespace

void FileTitleOf(char* out, const char* path) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  const char* dot = std::strrchr(name, '.');
  size_t length = dot != nullptr ? static_cast<size_t>(dot - name) : std::strlen(name);
  if (length >= kTitleCapacity) length = kTitleCapacity - 1;
  std::memcpy(out, name, length);
  out[length] = '\0';
}
