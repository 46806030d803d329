#include "settings/displacement_list.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr size_t kDelayChars = 10;  // "0x" and eight hex digits

// Reads the whole of a "%i" integer at the start of text: optional white
// space and sign, then 0x hex, 0 octal or decimal digits. The value wraps to
// 32 bits, so "0xFFFFFF9C" reads as -100.
bool ReadInteger(const std::string& text, int32_t* value) {
  const char* start = text.c_str();
  while (std::isspace(static_cast<unsigned char>(*start))) ++start;
  const char* digits = start + (*start == '-' || *start == '+');
  if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
  const unsigned long long parsed = std::strtoull(start, nullptr, 0);
  *value = static_cast<int32_t>(static_cast<uint32_t>(parsed));
  return true;
}

}  // namespace

std::string DisplacementList::FormatEntry(const std::string& path, int32_t delay) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "0x%08X", static_cast<unsigned>(static_cast<uint32_t>(delay)));
  return prefix + path;
}

bool DisplacementList::MatchEntry(const std::string& entry, const std::string& path,
                                  int32_t* delay) {
  if (entry.size() < kDelayChars || entry.compare(kDelayChars, std::string::npos, path) != 0) {
    return false;
  }
  return ReadInteger(entry.substr(0, kDelayChars), delay);
}

void DisplacementList::SetText(const std::string& text) {
  list_.SetText(text);
  if (list_.Count() <= kMaxEntries) return;
  // The text after the separator that starts the tenth entry from the end.
  const std::string& kept = list_.Text();
  size_t start = kept.size();
  for (int32_t i = 0; i < kMaxEntries; ++i) start = kept.rfind('\r', start - 1);
  list_.SetText(kept.substr(start + 1));
}

bool DisplacementList::Lookup(const std::string& path, int32_t* delay) {
  if (IsEmpty()) return false;
  for (int32_t i = 0; i < list_.Count(); ++i) {
    const std::string entry = list_.Item(i);
    int32_t value = 0;
    if (!MatchEntry(entry, path, &value)) continue;
    list_.Delete(i);
    list_.Append(entry);
    if (delay != nullptr) *delay = value;
    return true;
  }
  return false;
}

void DisplacementList::Remember(const std::string& path, int32_t delay) {
  int32_t ignored = 0;
  if (!IsEmpty() && MatchEntry(list_.Item(list_.Count() - 1), path, &ignored)) {
    list_.Delete(list_.Count() - 1);
  }
  if (delay == 0) return;
  list_.Append(FormatEntry(path, delay));
  while (list_.Count() > kMaxEntries) list_.Delete(0);
}
