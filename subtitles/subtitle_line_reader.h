// Reads a subtitle file the way the parsers want it: lines of at most
// kLineSize - 1 bytes (a longer line comes back in pieces, each read as a
// line of its own, as fgets gives it) and decimal numbers that skip white
// space first (as "%d" scans them).
//
// The file is read in binary mode on every platform, so that both builds read
// the same bytes; line ends in CR LF need no translation because the parsers
// drop every byte below 32. A UTF-8 byte order mark at the very start is
// skipped, and a zero byte ends the file: a text file has none, and whatever
// follows one is not text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

class SubtitleLineReader {
 public:
  static constexpr size_t kLineSize = 1024;

  // Reads from an open file (not owned).
  explicit SubtitleLineReader(std::FILE* file);
  // Reads from memory (not copied; it must outlive the reader).
  SubtitleLineReader(const char* data, size_t size);
  SubtitleLineReader(const SubtitleLineReader&) = delete;
  SubtitleLineReader& operator=(const SubtitleLineReader&) = delete;

  // Reads up to the next '\n' (kept) or kLineSize - 1 bytes into line, which
  // is always zero-terminated; *length (may be null) gets the bytes read.
  // False at the end of the file with nothing read.
  bool ReadLine(char* line, size_t* length);

  // Skips white space (line ends included), then reads an optional sign and
  // decimal digits. Values beyond 32 bits saturate. False, with the
  // offending byte left unread, when no digit follows.
  bool ReadNumber(int32_t* value);

 private:
  int Get();  // the next byte, or EOF
  void Unget(int c);
  bool Fill();
  void SkipByteOrderMark();

  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> storage_;
  const char* data_ = nullptr;
  size_t size_ = 0;
  size_t position_ = 0;
  int pushed_ = EOF;
  bool ended_ = false;
};
