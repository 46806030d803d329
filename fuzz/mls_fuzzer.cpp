// Play list files through Playlist::AddEntry: never crashes, never recurses
// without bound, and whatever is added is a clean path.
//
// The input is the content of two list files, a.mls and, after the first
// zero byte, b.mls, in a folder of this process. A double quote followed by
// "@" stands for that folder, so inputs can name the lists themselves
// ("@a.mls" and "@b.mls") and nest them.
#include "playlist/playlist.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void RemoveFolder();

const std::string& Folder() {
  static const std::string* folder = [] {
    char pattern[] = "/dev/shm/mlsfuzzXXXXXX";  // memory: each input writes two files
    auto* made = new std::string(mkdtemp(pattern) ? pattern : "/tmp");
    std::atexit(RemoveFolder);
    return made;
  }();
  return *folder;
}

void RemoveFolder() {
  if (Folder() == "/tmp") return;
  std::error_code ignored;
  fs::remove_all(Folder(), ignored);
}

// "@ after a quote names the folder.
std::string Expand(const std::string& text) {
  std::string expanded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '@' && i > 0 && text[i - 1] == '"') {
      expanded += Folder() + "/";
    } else {
      expanded += text[i];
    }
  }
  return expanded;
}

void Write(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

void CheckItems(const Playlist& list) {
  const std::vector<std::string> items = list.Items();
  if (items.size() != static_cast<size_t>(list.Count())) std::abort();
  for (const std::string& item : items) {
    if (item.size() > Playlist::kMaxPathLength) std::abort();
    for (const char c : item) {
      if (static_cast<unsigned char>(c) < 32 || c == '"') std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Long enough for names past the path limit; short enough that the read
  // limits of one entry stay fast.
  if (size > 4096) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  Write(Folder() + "/a.mls", Expand(input.substr(0, split)));
  Write(Folder() + "/b.mls", split == std::string::npos ? "" : Expand(input.substr(split + 1)));

  Playlist list;
  list.AddEntry(Folder() + "/a.mls", Playlist::kNestingDepth);
  CheckItems(list);
  return 0;
}
