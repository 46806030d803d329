// One subtitle text as the format readers build it: only bytes of 32 and
// above, at most SubtitleList::kMaxTextLength of them (the rest is dropped).
#pragma once

#include "subtitles/subtitle_list.h"

#include <cstddef>

class SubtitleText {
 public:
  // Appends the bytes of 32 and above among from[0 .. length - 1].
  void AppendPrintable(const char* from, size_t length) {
    for (size_t i = 0; i < length && length_ < SubtitleList::kMaxTextLength; ++i) {
      if (static_cast<unsigned char>(from[i]) >= 32) bytes_[length_++] = from[i];
    }
  }
  void Append(char c) {
    if (length_ < SubtitleList::kMaxTextLength) bytes_[length_++] = c;
  }
  const char* data() const { return bytes_; }
  size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }

 private:
  char bytes_[SubtitleList::kMaxTextLength];
  size_t length_ = 0;
};
