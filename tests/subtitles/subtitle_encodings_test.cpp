// One subtitle in every encoding a file may come in, read back as UTF-8.
// UTF-16 forms are made by the compiler (u"" literals); code page bytes are
// those of the published code page tables.
#include "tests/subtitles/subtitle_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint8_t kWestern = 0, kCyrillic = 204, kJapanese = 128;

TEST(SubtitleEncodings, EveryFormReadsAsTheSameCharacters) {
  const std::string both = u8"Café crème|Привет, мир";
  const std::u16string both16 = u"{1}{2}Café crème|Привет, мир\r\n";
  const struct {
    const char* what;
    std::string file;
    uint8_t charSet;
    std::vector<TimedText> want;
  } cases[] = {
      {"UTF-8 with its byte order mark", "\xEF\xBB\xBF{1}{2}" + both + "\n", kCyrillic, {{1, 2, both}}},
      {"UTF-8 without", "{1}{2}" + both + "\n", kCyrillic, {{1, 2, both}}},
      {"UTF-16 LE", Utf16File(both16, false), kWestern, {{1, 2, both}}},
      {"UTF-16 BE", Utf16File(both16, true), kWestern, {{1, 2, both}}},
      {"UTF-16 past the first plane", Utf16File(u"{1}{2}a\U0001F600b", false), kWestern, {{1, 2, u8"a\U0001F600b"}}},
      {"Windows-1252 with a Western font", "{1}{2}Caf\xE9 cr\xE8me\n", kWestern, {{1, 2, u8"Café crème"}}},
      {"Windows-1251 with a Cyrillic font", "{1}{2}\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\n", kCyrillic,
       {{1, 2, u8"Привет, мир"}}},
      {"the font's set decides", "{1}{2}Caf\xE9\n", kCyrillic, {{1, 2, u8"Cafй"}}},
      {"Shift-JIS: '\\' and '|' as second bytes", "{1}{2}\x95\x5C\x8E\xA6\x83\x5C\x83\x7C\n", kJapanese,
       {{1, 2, u8"表示ソポ"}}},
      {"one valid sequence among invalid bytes is no UTF-8", "{1}{2}\xC3\xA9 \xE9\n", kWestern,
       {{1, 2, u8"Ã© é"}}},
      {"broken UTF-8 after a byte order mark", "\xEF\xBB\xBF{1}{2}a\xE9z\xC3\n", kWestern,
       {{1, 2, u8"a\uFFFDz\uFFFD"}}},
      {"a lone surrogate", Utf16File(u"{1}{2}a\xD800z\xDC00\n", false), kWestern, {{1, 2, u8"a\uFFFDz\uFFFD"}}},
      {"a UTF-8 byte order mark alone", "\xEF\xBB\xBF", kWestern, {}},
      {"a UTF-16 byte order mark alone", "\xFE\xFF", kWestern, {}},
      {"byte order marks of joined files", "{1}{2}\xC3\xA9\n\xEF\xBB\xBF{3}{4}b\n", kWestern,
       {{1, 2, u8"é"}, {3, 4, "b"}}},
      {"an odd last byte", Utf16File(u"{1}{2}x\n", false) + "A", kWestern, {{1, 2, "x"}}},
      {"a zero character ends the text", Utf16File(std::u16string(u"{1}{2}a\n\0{3}{4}b\n", 17), false), kWestern,
       {{1, 2, "a"}}},
      // A line is read 1,023 bytes at a time; a character does not fit whole
      // and starts the next piece (which is no MicroDVD line).
      {"no character split between pieces", "{1}{2}" + std::string(1016, 'a') + u8"é\n", kWestern,
       {{1, 2, std::string(1016, 'a')}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseText(c.file, SubtitleFormat::kMicroDvd, 25, 1, c.charSet), c.want) << c.what;
  }
}

}  // namespace
