#include "subtitles/subtitle_code_page.h"

#include "platform/win32.h"

uint32_t SubtitleCodePage::OfCharSet(uint8_t charSet) {
  CHARSETINFO info = {};
  // The source is the set's number itself, passed in the pointer's place.
  if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(charSet)), &info,
                           TCI_SRCCHARSET) &&
      info.ciACP != CP_SYMBOL) {
    return info.ciACP;
  }
  // A system whose ANSI code page is UTF-8 has no 8-bit one: Western is the likeliest.
  const UINT ansi = GetACP();
  return ansi == CP_UTF8 ? 1252 : ansi;
}

void SubtitleCodePage::Open() {}
void SubtitleCodePage::Close() {}

SubtitleCodePage::Result SubtitleCodePage::Convert(const uint8_t* bytes, int count,
                                                   char32_t* character) const {
  if (count == 1 && IsDBCSLeadByteEx(number_, bytes[0])) return Result::kIncomplete;
  wchar_t units[2] = {0, 0};
  const int n = MultiByteToWideChar(number_, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                                    count, units, 2);
  if (n == 1) {
    *character = units[0];
  } else if (n == 2 && units[0] >= 0xD800 && units[0] < 0xDC00) {
    *character = 0x10000 + ((char32_t{units[0]} - 0xD800) << 10) + (units[1] - 0xDC00);
  } else {
    return Result::kInvalid;
  }
  return Result::kCharacter;
}
