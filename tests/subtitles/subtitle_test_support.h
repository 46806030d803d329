// Reading subtitle text from memory, and entries in a form tests compare.
#pragma once

#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_list.h"

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

// First frame, end frame and text: compared, ordered and printed by the tuple.
using TimedText = std::tuple<int32_t, int32_t, std::string>;

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
