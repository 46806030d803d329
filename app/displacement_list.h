// The remembered audio delays of the ten most recent files, one entry per file
// in the play list's list type: "0x", the delay in milliseconds as eight
// upper-case hex digits of its 32-bit two's-complement value, then the path.
// The most recent entry is last; a delay of 0 is never stored.
#pragma once

#include "playlist/playlist.h"

#include <cstdint>
#include <string>

class DisplacementList {
 public:
  static constexpr int kMaxEntries = 10;

  bool IsEmpty() const { return list_.IsEmpty(); }
  int32_t Count() const { return IsEmpty() ? 0 : list_.Count(); }
  const std::string& Text() const { return list_.Text(); }
  void SetText(const std::string& text) { list_.SetText(text); }
  void Clear() { list_.SetText(std::string()); }

  // Looks up the delay of a path; a match is moved to the end of the list.
  bool Lookup(const std::string& path, int32_t* delay);
  // Stores the delay chosen for a path (0 forgets it), dropping the oldest
  // entry beyond ten.
  void Remember(const std::string& path, int32_t delay);

 private:
  Playlist list_;
};
