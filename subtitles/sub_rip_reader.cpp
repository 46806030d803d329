// SubRip blocks: a number, a time line, text lines, an empty line.
#include "subtitles/subtitle_formats.h"
#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_list.h"
#include "subtitles/subtitle_tags.h"
#include "subtitles/subtitle_text.h"
#include "subtitles/subtitle_time.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>

namespace {

// Digits and dots only: anything else scans as a blank.
void Simplify(char* line) {
  for (char* c = line; *c != 0; ++c) {
    if (*c == ',') *c = '.';
    else if (!std::isdigit(static_cast<unsigned char>(*c)) && *c != '.') *c = ' ';
  }
}

bool ScanInt(const char** p, int32_t* value) {
  const char* s = *p;
  while (*s == ' ') ++s;
  if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
  int64_t v = 0;
  for (; std::isdigit(static_cast<unsigned char>(*s)); ++s) {
    v = std::min<int64_t>(v * 10 + (*s - '0'), std::numeric_limits<int32_t>::max());
  }
  *value = static_cast<int32_t>(v);
  *p = s;
  return true;
}

// As "%f" over digits and dots: strtof takes the longest number there is.
bool ScanFloat(const char** p, float* value) {
  char* end = nullptr;
  *value = std::strtof(*p, &end);
  if (end == *p) return false;
  *p = end;
  return true;
}

bool ScanTime(const char** p, SubtitleTime* t) {
  return ScanInt(p, &t->hours) && ScanInt(p, &t->minutes) && ScanFloat(p, &t->seconds);
}

bool IsEmptyLine(const char* line, size_t length) {
  return std::all_of(line, line + length, [](char c) { return static_cast<unsigned char>(c) < 32; });
}

// Text lines up to an empty one (nothing but bytes below 32) or the end,
// their tags turned into styles; the lines that show anything are joined by
// line breaks. False at the end of the file.
bool ReadBlockText(SubtitleLineReader* reader, SubtitleText* text) {
  char line[SubtitleLineReader::kLineSize];
  size_t length = 0;
  SubtitleTagState state;
  bool shown = false;  // the line before showed something
  while (reader->ReadLine(line, &length)) {
    if (IsEmptyLine(line, length)) return true;
    if (shown) text->AppendLineBreak();
    const size_t before = text->shown();
    AppendSubRipLine(line, length, &state, text);
    shown = text->shown() != before;
  }
  return false;
}

}  // namespace

void ReadSubRip(SubtitleLineReader* reader, uint32_t rate, uint32_t scale, SubtitleList* list) {
  char line[SubtitleLineReader::kLineSize];
  int32_t number = 0;
  while (reader->ReadNumber(&number)) {
    reader->ReadLine(line, nullptr);  // the rest of the number's line
    if (!reader->ReadLine(line, nullptr)) return;
    Simplify(line);
    const char* p = line;
    SubtitleTime start{}, end{};
    if (!ScanTime(&p, &start) || !ScanTime(&p, &end)) return;
    SubtitleText text;
    const bool more = ReadBlockText(reader, &text);
    if (!text.empty() && !list->Append(text.data(), text.size(), SubtitleTimeToFrame(start, rate, scale),
                                       SubtitleTimeToFrame(end, rate, scale))) {
      return;
    }
    if (!more) return;
  }
}
