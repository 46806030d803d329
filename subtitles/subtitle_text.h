// One subtitle text as the format readers build it (the stored form of
// subtitle_markup.h): at most SubtitleList::kMaxTextLength bytes, marks
// included. A character that does not fit is dropped whole, and so is
// everything after it.
#pragma once

#include "subtitles/subtitle_list.h"
#include "subtitles/subtitle_markup.h"
#include "subtitles/subtitle_utf8.h"

#include <cstddef>
#include <cstdint>

class SubtitleText {
 public:
  // Appends the characters among from[0 .. length - 1] (UTF-8), in the plain
  // style, leaving out the bytes below 32.
  void AppendPrintable(const char* from, size_t length) {
    size_t i = 0;
    while (i < length) {
      const size_t n = Utf8SequenceLength(static_cast<unsigned char>(from[i]));
      if (n > length - i) return;  // a character cut off: none
      if (static_cast<unsigned char>(from[i]) >= 32) AppendCharacter(from + i, n, 0);
      i += n;
    }
  }
  // Appends one character, given as its UTF-8 bytes, in a style (the
  // subtitle_markup style bits); a style mark goes before it when the style
  // changes.
  void AppendCharacter(const char* bytes, size_t n, uint8_t style) {
    const bool mark = style != style_;
    if (!Fits(breaks_ + (mark ? 1 : 0) + n)) return;
    for (; breaks_ > 0; --breaks_) bytes_[1 + length_++] = subtitle_markup::kLineBreak;
    if (mark) bytes_[1 + length_++] = subtitle_markup::StyleMark(style);
    for (size_t i = 0; i < n; ++i) bytes_[1 + length_++] = bytes[i];
    style_ = style;
  }
  // A line break, written once a character follows it: a text neither
  // starts nor ends with one.
  void AppendLineBreak() {
    if (length_ > 0) ++breaks_;
  }
  // The subtitle goes at the top: the top mark goes first, and the last
  // character makes room for it if need be.
  void SetTop() {
    if (top_) return;
    top_ = true;
    while (length_ > 0 && length_ + 1 > SubtitleList::kMaxTextLength) {
      DropLastCharacter();
      full_ = true;
    }
  }

  const char* data() const { return top_ ? bytes_ : bytes_ + 1; }
  size_t size() const { return length_ + (top_ ? 1 : 0); }
  // The bytes written after the top mark: grows with every character shown.
  size_t shown() const { return length_; }
  // Nothing to show (a top mark alone is nothing).
  bool empty() const { return length_ == 0; }

 private:
  bool Fits(size_t n) {
    if (full_ || size() + n > SubtitleList::kMaxTextLength) full_ = true;
    return !full_;
  }
  void DropLastCharacter() {
    while (length_ > 0 && IsUtf8Continuation(static_cast<unsigned char>(bytes_[length_]))) --length_;
    if (length_ > 0) --length_;
    while (length_ > 0 && subtitle_markup::IsStyleMark(bytes_[length_])) --length_;
  }

  char bytes_[SubtitleList::kMaxTextLength + 1] = {subtitle_markup::kTopMark};  // the top mark, then the text
  size_t length_ = 0;                                                         // of the text after bytes_[0]
  size_t breaks_ = 0;                                                         // line breaks not written yet
  uint8_t style_ = 0;
  bool top_ = false;
  bool full_ = false;
};
