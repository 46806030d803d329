// Reading subtitle text from memory, and entries in a form tests compare.
#pragma once

#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_list.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

struct TimedText {
  int32_t first, end;
  std::string text;
  bool operator==(const TimedText& o) const { return first == o.first && end == o.end && text == o.text; }
  bool operator<(const TimedText& o) const {
    return std::tie(first, end, text) < std::tie(o.first, o.end, o.text);
  }
};

inline std::ostream& operator<<(std::ostream& out, const TimedText& t) {
  return out << "{" << t.first << "}{" << t.end << "}" << t.text;
}

inline std::vector<TimedText> Entries(const SubtitleList& list) {
  std::vector<TimedText> all;
  for (int32_t i = 0; i < list.Count(); ++i) {
    all.push_back({list.Entry(i).firstFrame, list.Entry(i).endFrame, list.Text(i)});
  }
  return all;
}

inline std::vector<TimedText> ParseText(const std::string& text, SubtitleFormat format, uint32_t rate = 25,
                                        uint32_t scale = 1) {
  SubtitleLineReader reader(text.data(), text.size());
  SubtitleList list;
  list.Parse(&reader, format, rate, scale);
  return Entries(list);
}
