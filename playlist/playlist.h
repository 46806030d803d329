// The play list: file paths in a StringList.
//
// Play list files (.mls) are text files with one path between double quotes
// per line. Paths longer than kMaxPathLength bytes (from a dialog, the command
// line or an .mls line) are refused by AddEntry rather than cut: a cut path
// would name another file or none.
//
// The current index lives in the Application record; the list only clamps it.
// Used on the user-interface thread only.
#pragma once

#include "platform/string_list.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Playlist : public StringList {
 public:
  // Callers copy items into buffers of this size.
  static constexpr size_t kItemBufferSize = 1000;
  static constexpr size_t kMaxPathLength = kItemBufferSize - 1;
  // .mls files that list other .mls files are followed this deep.
  static constexpr int kNestingDepth = 5;
  // One AddEntry opens at most this many .mls files and reads at most this
  // many bytes from them, so that lists that name themselves (or each other)
  // several times can't take forever: the nesting depth alone lets n self
  // references cost n^5 reads.
  static constexpr int kMaxListFilesPerEntry = 1000;
  static constexpr size_t kMaxListBytesPerEntry = 16u << 20;

  // Adds a file the user opened, added or loaded: drops control characters
  // and double quotes from the path, and reads a play list (the text after
  // the last "." exactly "mls") as a list of further entries while depth is
  // above 0. Any other path is appended.
  void AddEntry(const std::string& path, int depth);

  // Writes the list as .mls text ("path" and a newline per item, text mode, so
  // CR LF on Windows) to WithMlsExtension(fileName). False when the file can't
  // be created or written.
  bool SaveAs(const std::string& fileName) const;
  // The name under which SaveAs stores: ".mls" appended unless the text after
  // the last "." is exactly "mls" (without a dot, the text after the first
  // character is compared).
  static std::string WithMlsExtension(const std::string& fileName);

  // Orders the items by plain byte-wise comparison (case-sensitive).
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

  // Where list files come from: the file system (text mode), unless the
  // fuzzer hands in its own. Reads at most `limit` bytes of the file into
  // `text`; false when it can't be opened.
  using ListFileReader = bool (*)(const std::string& path, size_t limit, std::string* text);
  void SetListFileReader(ListFileReader reader) { readListFile_ = reader; }

 private:
  struct ReadBudget;
  static bool ReadListFileText(const std::string& path, size_t limit, std::string* text);
  void AddCleanEntry(const std::string& path, int depth, ReadBudget* budget);
  void ReadListFile(const std::string& path, int depth, ReadBudget* budget);

  ListFileReader readListFile_ = ReadListFileText;

};

// The application's one play list: created at start-up, destroyed at shutdown.
extern Playlist* g_playlist;
