// Reading subtitle text from memory, and entries in a form tests compare;
// with what every subtitle test includes.
#pragma once

#include <gtest/gtest.h>

#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_list.h"
#include "tests/common/test_paths.h"

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

// A MicroDVD line and a SubRip block, each of two text lines.
inline constexpr char kSub[] = "{100}{150}Hello|World\n";
inline constexpr char kSrt[] = "1\n00:00:01,500 --> 00:00:03,000\nFirst\nSecond\n\n";

// First frame, end frame and text: compared, ordered and printed by the tuple.
using TimedText = std::tuple<int32_t, int32_t, std::string>;

// A file in UTF-16 with its byte order mark (the units of a u"" literal).
inline std::string Utf16File(const std::u16string& text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

inline std::vector<TimedText> Entries(const SubtitleList& list) {
  std::vector<TimedText> all;
  for (int32_t i = 0; i < list.Count(); ++i)
    all.push_back({list.Entry(i).firstFrame, list.Entry(i).endFrame, list.Text(i)});
  return all;
}

inline std::vector<TimedText> ParseText(const std::string& text, SubtitleFormat format, uint32_t rate = 25,
                                        uint32_t scale = 1, uint8_t charSet = kDefaultCharSet) {
  SubtitleLineReader reader(text.data(), text.size(), charSet);
  SubtitleList list;
  list.Parse(&reader, format, rate, scale);
  return Entries(list);
}
