// The characters of a Windows ANSI code page, one or two bytes each, for
// subtitle files in neither UTF-8 nor UTF-16: such a file is taken to be in
// the code page of the subtitle font's character set.
//
// Windows converts with MultiByteToWideChar (subtitle_code_page_win.cpp). The
// native build has a stand-in with the same code pages, through the C
// library's iconv (subtitle_code_page_posix.cpp).
#pragma once

#include <cstdint>

// DEFAULT_CHARSET: a font of the system's own script.
constexpr uint8_t kDefaultCharSet = 1;

class SubtitleCodePage {
 public:
  // The code page of a font character set (TranslateCharsetInfo's); the
  // system's ANSI code page for the sets that name none (the default, OEM and
  // symbol sets, and any it does not know).
  static uint32_t OfCharSet(uint8_t charSet);

  explicit SubtitleCodePage(uint32_t codePage);
  ~SubtitleCodePage();
  SubtitleCodePage(const SubtitleCodePage&) = delete;
  SubtitleCodePage& operator=(const SubtitleCodePage&) = delete;

  uint32_t Number() const { return number_; }
  // A byte that starts a two-byte character (double-byte code pages only).
  bool IsLeadByte(uint8_t byte) const { return lead_[byte]; }
  // The character of a single byte; the replacement character for a byte
  // the code page leaves undefined.
  char32_t Decode(uint8_t byte) const { return single_[byte]; }
  // The character of a lead byte and the byte after it; false when the two
  // make none (the second byte then stands on its own).
  bool Decode(uint8_t lead, uint8_t trail, char32_t* character) const;

 private:
  enum class Result { kCharacter, kIncomplete, kInvalid };
  // The platform's conversion of one character's bytes.
  Result Convert(const uint8_t* bytes, int count, char32_t* character) const;
  void Open();
  void Close();

  uint32_t number_;
  void* converter_ = nullptr;  // the stand-in's conversion handle
  char32_t single_[256];
  bool lead_[256];
};
