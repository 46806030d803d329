// The characters of a subtitle file, whatever its encoding. The encoding is
// decided once, before the first character: a byte order mark names UTF-8,
// UTF-16 LE or UTF-16 BE; without one the file is UTF-8 when all of it is
// valid UTF-8 and it holds at least one multi-byte sequence (plain ASCII
// reads the same either way); otherwise it is in the code page of the
// subtitle font's character set. One exception: when that code page writes
// Cyrillic or Greek but the file's high letters sit inside words of ASCII
// letters ("Caf\xE9", "cr\xE8me"), the file is a Western one, read as
// Windows-1252. Those alphabets put every letter of a word in the high half,
// so their own files never look like that, and the default subtitle font is
// a Cyrillic one.
//
// Bytes that make no character (broken UTF-8, a lone UTF-16 surrogate, a
// byte the code page leaves undefined) come out as the replacement
// character. A zero character ends the text: a text file has none, and what
// follows one is not text. Byte order marks inside the text (files joined
// together) are dropped.
#pragma once

#include "subtitles/subtitle_byte_source.h"
#include "subtitles/subtitle_code_page.h"

#include <cstdint>
#include <memory>

enum class SubtitleEncoding { kUtf8, kUtf16Le, kUtf16Be, kCodePage };

class SubtitleTextDecoder {
 public:
  // Reads the whole source once to decide its encoding, then starts again
  // after its byte order mark. charSet is the subtitle font's (LOGFONT
  // lfCharSet).
  SubtitleTextDecoder(SubtitleByteSource* source, uint8_t charSet);
  SubtitleTextDecoder(const SubtitleTextDecoder&) = delete;
  SubtitleTextDecoder& operator=(const SubtitleTextDecoder&) = delete;

  SubtitleEncoding Encoding() const { return encoding_; }
  // The code page read from; 0 for UTF-8 and UTF-16.
  uint32_t CodePage() const { return codePage_ ? codePage_->Number() : 0; }

  // The next character; 0 at the end of the text, and after it.
  char32_t Next();

 private:
  static SubtitleEncoding Detect(SubtitleByteSource* source, int* markBytes);
  static uint32_t ChooseCodePage(SubtitleByteSource* source, uint8_t charSet);
  char32_t NextOnce();  // may be a byte order mark
  char32_t NextUtf8();
  char32_t NextUtf16();
  char32_t NextInCodePage();
  int Byte();           // the held byte first, then the source's; EOF at the end
  int32_t Utf16Unit();  // the held unit first; -1 at the end

  SubtitleByteSource* source_;
  SubtitleEncoding encoding_;
  std::unique_ptr<SubtitleCodePage> codePage_;
  int heldByte_ = EOF;
  int32_t heldUnit_ = -1;
  bool ended_ = false;
};
