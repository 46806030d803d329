// Reads a subtitle file the way the parsers want it: as UTF-8 whatever the
// file's encoding (SubtitleTextDecoder), in lines of at most kLineSize - 1
// bytes (a longer line comes back in pieces, each read as a line of its own,
// as fgets gives it; a character is never split between two pieces) and
// decimal numbers that skip white space first (as "%d" scans them).
//
// The file is read in binary mode on every platform, so that both builds read
// the same bytes; line ends in CR LF need no translation because the parsers
// drop every byte below 32.
#pragma once

#include "subtitles/subtitle_byte_source.h"
#include "subtitles/subtitle_code_page.h"
#include "subtitles/subtitle_text_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

class SubtitleLineReader {
 public:
  static constexpr size_t kLineSize = 1024;

  // Reads from an open file (not owned), or from memory (not copied; it must
  // outlive the reader). A file in neither UTF-8 nor UTF-16 is read in the
  // code page of charSet, the subtitle font's character set.
  explicit SubtitleLineReader(std::FILE* file, uint8_t charSet = kDefaultCharSet);
  SubtitleLineReader(const char* data, size_t size, uint8_t charSet = kDefaultCharSet);
  SubtitleLineReader(const SubtitleLineReader&) = delete;
  SubtitleLineReader& operator=(const SubtitleLineReader&) = delete;

  SubtitleEncoding Encoding() const { return decoder_.Encoding(); }
  uint32_t CodePage() const { return decoder_.CodePage(); }

  // Reads up to the next '\n' (kept) or kLineSize - 1 bytes into line, which
  // is always zero-terminated; *length (may be null) gets the bytes read.
  // False at the end of the file with nothing read.
  bool ReadLine(char* line, size_t* length);

  // Skips white space (line ends included), then reads an optional sign and
  // decimal digits. Values beyond 32 bits saturate. False, with the
  // offending byte left unread, when no digit follows.
  bool ReadNumber(int32_t* value);

 private:
  int Peek();  // the next byte of the UTF-8 text, or EOF
  int Get();

  SubtitleByteSource source_;
  SubtitleTextDecoder decoder_;
  char pending_[4];  // the UTF-8 bytes of the character being read
  size_t pendingSize_ = 0;
  size_t pendingAt_ = 0;
};
