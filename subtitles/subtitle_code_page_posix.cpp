// The stand-in: the code pages as the C library's iconv knows them (the
// "CP<number>" tables), and the character sets' code pages as Windows gives
// them, with 1252 as the system's ANSI code page.
#include "subtitles/subtitle_code_page.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

}  // namespace

uint32_t SubtitleCodePage::OfCharSet(uint8_t charSet) {
  static const struct {
    uint8_t charSet;
    uint16_t codePage;
  } kSets[] = {{0, 1252},   {128, 932},  {129, 949},  {130, 1361}, {134, 936},  {136, 950},
               {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
               {204, 1251}, {222, 874},  {238, 1250}};
  for (const auto& set : kSets) {
    if (set.charSet == charSet) return set.codePage;
  }
  return 1252;
}

void SubtitleCodePage::Open() {
  converter_ = iconv_open("UTF-32LE", ("CP" + std::to_string(number_)).c_str());
}

void SubtitleCodePage::Close() {
  if (converter_ != kNoConverter) iconv_close(converter_);
}

SubtitleCodePage::Result SubtitleCodePage::Convert(const uint8_t* bytes, int count,
                                                   char32_t* character) const {
  if (converter_ == kNoConverter) return Result::kInvalid;
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
  size_t inLeft = static_cast<size_t>(count);
  unsigned char units[16];
  char* out = reinterpret_cast<char*>(units);
  size_t outLeft = sizeof units;
  iconv(converter_, nullptr, nullptr, nullptr, nullptr);  // a fresh start
  const size_t converted = iconv(converter_, &in, &inLeft, &out, &outLeft);
  const int error = errno;
  iconv(converter_, nullptr, nullptr, &out, &outLeft);  // what a combining table holds back
  if (converted == static_cast<size_t>(-1) && error == EINVAL) return Result::kIncomplete;
  if (converted == static_cast<size_t>(-1) || inLeft != 0 || sizeof units - outLeft != 4) {
    return Result::kInvalid;
  }
  *character = units[0] | (units[1] << 8) | (units[2] << 16) | (char32_t{units[3]} << 24);
  return Result::kCharacter;
}
