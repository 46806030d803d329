// The play list: file paths held as one text, items separated by a single
// carriage return (13) and no carriage return after the last item. The count
// is always the number of carriage returns plus one, so the empty text is one
// empty item, and the list is empty exactly then.
//
// The same list type holds the DisplacementList of remembered audio delays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Playlist {
 public:
  // Callers copy items into buffers of this size.
  static constexpr size_t kItemBufferSize = 1000;
  // .mls files that list other .mls files are followed this deep.
  static constexpr int kNestingDepth = 5;

  Playlist();

  int32_t Count() const { return count_; }
  const std::string& Text() const { return text_; }
  bool IsEmpty() const;

  // Item index: an index below 1 gives item 0, one past the last an empty text.
  std::string Item(int32_t index) const;
  // The same into a caller's buffer (always terminated; cut to fit).
  void Item(int32_t index, char* destination, size_t capacity) const;
  size_t ItemLength(int32_t index) const;

  void SetText(const std::string& text);
  void Append(const std::string& path);
  void Replace(const std::string& path, int32_t index);
  void Delete(int32_t index);

  // Adds a file the user opened, added or loaded: cleans the path, and reads
  // a ".mls" play list (exact lower case) as a list of further entries while
  // depth is above 0.
  void AddEntry(const std::string& path, int depth);

  // Writes the list as .mls text ("path" and a newline per item, text mode).
  // The ".mls" extension is added when the name lacks it. False when the file
  // can't be created.
  bool SaveAs(const std::string& fileName) const;

  void SortByFullPath();
  void Reverse();
  // Shuffles with the linear congruential generator seeded by the given value
  // (the shell passes the current time in seconds).
  void Randomize(uint32_t seed);

  // Moves the item at `current` to `position` by neighbour swaps; returns the
  // new current index (unchanged when the move is not possible).
  int32_t MoveItem(int32_t current, int32_t position);

  // Brings an index into 0 .. count - 1.
  int32_t ClampIndex(int32_t index) const;

 private:
  void Recount();

  std::string text_;
  int32_t count_ = 1;
};
