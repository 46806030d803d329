// The remembered audio delays of the ten most recent files, one entry per file
// in the play list's list type: "0x", the delay in milliseconds as eight
// upper-case hex digits of its 32-bit two's-complement value, then the path.
// The most recent entry is last; a delay of 0 is never stored.
//
// The audio delay dialog looks a file up when it opens and remembers the
// chosen delay on OK; the registry keeps the text (value "Displacement").
// Used on the user-interface thread only.
#pragma once

#include "platform/string_list.h"

#include <cstddef>
#include <cstdint>
#include <string>

class DisplacementList {
 public:
  static constexpr int kMaxEntries = 10;
  // The largest stored text taken: ten entries of the longest paths and more.
  static constexpr size_t kMaxStoredBytes = 65536;

  bool IsEmpty() const { return list_.IsEmpty(); }
  int32_t Count() const { return IsEmpty() ? 0 : list_.Count(); }
  const std::string& Text() const { return list_.Text(); }
  // Text as stored; entries that don't have the entry form never match. Of a
  // longer list (a damaged or crafted value) only the ten most recent are kept.
  void SetText(const std::string& text);
  void Clear() { list_.SetText(std::string()); }

  // The delay remembered for path: the first matching entry is moved to the
  // end of the list (it is now the most recent). False when none matches.
  bool Lookup(const std::string& path, int32_t* delay);
  // Stores the delay chosen for path: an entry for path in last place is
  // replaced, 0 forgets it, and beyond ten entries the oldest are dropped.
  void Remember(const std::string& path, int32_t delay);

  // The entry text for a delay and a path ("0xFFFFFF9C" + path for -100).
  static std::string FormatEntry(const std::string& path, int32_t delay);
  // True when entry is for path: its text from the eleventh character on is
  // the path and its first ten characters read as one integer ("%i": decimal,
  // octal or 0x hex), which is the delay.
  static bool MatchEntry(const std::string& entry, const std::string& path, int32_t* delay);

 private:
  StringList list_;
};

// The remembered delays of the program, loaded and saved with the options.
extern DisplacementList g_displacementList;
