// Adding entries (with .mls play lists followed as nested lists) and saving
// the list as an .mls file.
#include "playlist/playlist.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Control characters and double quotes can't be part of a path we keep.
std::string CleanPath(const std::string& path) {
  std::string clean;
  clean.reserve(path.size());
  for (const char c : path) {
    if (static_cast<unsigned char>(c) >= 32 && c != '"') clean += c;
  }
  return clean;
}

// Case-sensitive: "list.MLS" is a plain entry. Without a dot the whole path
// is the extension.
bool IsListFile(const std::string& cleanPath) {
  const size_t dot = cleanPath.rfind('.');
  return cleanPath.compare(dot == std::string::npos ? 0 : dot + 1, std::string::npos, "mls") == 0;
}

}  // namespace

// What one AddEntry may still read, over all the lists it follows.
struct Playlist::ReadBudget {
  int listFiles = kMaxListFilesPerEntry;
  size_t bytes = kMaxListBytesPerEntry;
};

void Playlist::AddEntry(const std::string& path, int depth) {
  ReadBudget budget;
  AddCleanEntry(CleanPath(path), depth, &budget);
}

void Playlist::AddCleanEntry(const std::string& path, int depth, ReadBudget* budget) {
  if (path.size() > kMaxPathLength) return;
  if (!IsListFile(path)) {
    Append(path);
  } else if (depth > 0 && budget->listFiles > 0) {
    ReadListFile(path, depth, budget);
  }
}

bool Playlist::ReadListFileText(const std::string& path, size_t limit, std::string* text) {
  File file(std::fopen(path.c_str(), "r"));
  if (!file) return false;
  char chunk[4096];
  size_t got = 0;
  while (text->size() < limit &&
         (got = std::fread(chunk, 1, std::min(sizeof chunk, limit - text->size()), file.get())) > 0) {
    text->append(chunk, got);
  }
  return true;
}

// Reads the names between double quotes; control characters (line ends
// included) are skipped and text outside quotes is thrown away. A name
// without its closing quote adds nothing. The bytes are charged to the
// budget as they are read, so the lists open at one time hold no more than
// the budget between them.
void Playlist::ReadListFile(const std::string& path, int depth, ReadBudget* budget) {
  std::string text;
  if (!readListFile_(path, budget->bytes, &text)) return;
  --budget->listFiles;
  budget->bytes -= std::min(text.size(), budget->bytes);
  std::string name;
  bool inName = false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 32) continue;
    if (c != '"') {
      // One byte past the limit is enough to have the name refused.
      if (inName && name.size() <= kMaxPathLength) name += c;
      continue;
    }
    if (inName) AddCleanEntry(name, depth - 1, budget);
    name.clear();
    inName = !inName;
  }
}

std::string Playlist::WithMlsExtension(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  const size_t from = dot == std::string::npos ? 1 : dot + 1;
  if (from <= fileName.size() && fileName.compare(from, std::string::npos, "mls") == 0) {
    return fileName;
  }
  return fileName + ".mls";
}

bool Playlist::SaveAs(const std::string& fileName) const {
  File file(std::fopen(WithMlsExtension(fileName).c_str(), "w"));
  if (!file) return false;
  bool written = true;
  for (const std::string& item : Items()) {
    written = written && std::fprintf(file.get(), "\"%s\"\n", item.c_str()) >= 0;
  }
  return std::fclose(file.release()) == 0 && written;
}
