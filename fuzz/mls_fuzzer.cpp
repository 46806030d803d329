// Play list files through Playlist::AddEntry: never crashes, never recurses
// without bound, and whatever is added is a clean path.
//
// The input is the content of two list files, /mem/a.mls and, after the first
// zero byte, /mem/b.mls, read from memory. A double quote followed by "@"
// stands for "/mem/", so inputs can name the lists themselves ("@a.mls" and
// "@b.mls") and nest them.
#include "fuzz/fuzz_check.h"
#include "playlist/playlist.h"

namespace {

std::string g_listA;
std::string g_listB;

bool ReadFromMemory(const std::string& path, size_t limit, std::string* text) {
  const std::string* list = path == "/mem/a.mls" ? &g_listA : path == "/mem/b.mls" ? &g_listB : nullptr;
  if (list == nullptr) return false;
  *text = list->substr(0, limit);
  return true;
}

// "@ after a quote names the folder.
std::string Expand(const std::string& text) {
  std::string expanded;
  for (size_t i = 0; i < text.size(); ++i) {
    expanded += text[i] == '@' && i > 0 && text[i - 1] == '"' ? std::string("/mem/") : std::string(1, text[i]);
  }
  return expanded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Long enough for names past the path limit; short enough that the read
  // limits of one entry stay fast.
  if (size > 4096) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  g_listA = Expand(input.substr(0, split));
  g_listB = split == std::string::npos ? "" : Expand(input.substr(split + 1));

  Playlist list;
  list.SetListFileReader(ReadFromMemory);
  list.AddEntry("/mem/a.mls", Playlist::kNestingDepth);
  int32_t items = 0;
  for (const std::string& item : list.Items()) {
    Require(item.size() <= Playlist::kMaxPathLength);
    for (const char c : item) Require(static_cast<unsigned char>(c) >= 32 && c != '"');
    ++items;
  }
  Require(items == list.Count());
  return 0;
}
