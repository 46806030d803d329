// The subtitles of one file: timed texts measured in video frames.
//
// Texts live one after the other in a pool, each ending in a zero byte. They
// are UTF-8 whatever the file's encoding, '|' separates their lines, and
// marks below 32 carry their styles and place (subtitle_markup.h). An entry
// shows on frames first <= f < end. Entries keep file order; they may overlap
// or be out of order.
//
// Limits, counted in the stored bytes: the pool holds at most kMaxPoolBytes
// and the table kMaxEntries entries; a file with more is read up to the entry
// that no longer fits, and the rest is ignored. One text holds at most
// kMaxTextLength bytes (so that it fits the renderer's buffers of
// kTextBufferSize); longer texts are cut before the first character that
// does not fit whole.
#pragma once

#include "subtitles/subtitle_code_page.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class SubtitleLineReader;

struct SubtitleEntry {
  int32_t textOffset;
  int32_t firstFrame;
  int32_t endFrame;  // the first frame no longer showing it
};
static_assert(sizeof(SubtitleEntry) == 12, "entries are three 32-bit fields");

enum class SubtitleFormat { kMicroDvd, kSubRip, kSubStationAlpha };

class SubtitleList {
 public:
  static constexpr size_t kMaxPoolBytes = size_t{1} << 20;
  static constexpr int32_t kMaxEntries = 16384;
  static constexpr size_t kTextBufferSize = 1024;
  static constexpr size_t kMaxTextLength = kTextBufferSize - 1;

  // The format by the text after the last '.', compared in lower case:
  // "sub" is MicroDVD, "srt" SubRip, "ssa" and "ass" SubStation Alpha. False
  // for any other name.
  static bool FormatOf(const char* fileName, SubtitleFormat* format);

  // Reads a subtitle file; times become frames at rate / scale frames per
  // second. A file in neither UTF-8 nor UTF-16 is read in the code page of
  // charSet, the subtitle font's character set. True when at least one entry
  // was read; on false the list is empty.
  bool Parse(const char* fileName, uint32_t rate, uint32_t scale, uint8_t charSet = kDefaultCharSet);
  bool Parse(SubtitleLineReader* reader, SubtitleFormat format, uint32_t rate, uint32_t scale);

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  const SubtitleEntry& Entry(int32_t index) const { return entries_[index]; }
  const char* Text(int32_t index) const { return pool_.data() + entries_[index].textOffset; }
  size_t PoolBytes() const { return pool_.size(); }
  int32_t Cursor() const { return cursor_; }

  // index within 0 .. count - 1 and first <= frame < end.
  bool IsActive(int32_t index, int32_t frame) const;

  // The text showing at frame, copied with its zero into text (a buffer of
  // kTextBufferSize bytes; may be null). The entry found last is checked
  // first, then the gap after it and the entry after it, so that playing
  // through costs constant time; otherwise the first active entry in file
  // order wins. False when none shows.
  bool FindSubtitle(char* text, int32_t frame);

  // For the format readers: adds an entry with the first `length` bytes of
  // text (cut to kMaxTextLength, before a character that would not fit
  // whole). False, adding nothing, when the table or the pool is full: the
  // reader stops there.
  bool Append(const char* text, size_t length, int32_t firstFrame, int32_t endFrame);

  void Clear();

 private:
  bool Take(int32_t index, char* text);

  std::vector<char> pool_;
  std::vector<SubtitleEntry> entries_;
  int32_t cursor_ = 0;
};
