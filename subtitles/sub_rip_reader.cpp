// SubRip blocks: a number, a time line, text lines, an empty line.
#include "subtitles/subtitle_formats.h"
#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_list.h"
#include "subtitles/subtitle_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

struct Time {
  int32_t hours, minutes;
  float seconds;
};

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

bool ScanTime(const char** p, Time* t) {
  return ScanInt(p, &t->hours) && ScanInt(p, &t->minutes) && ScanFloat(p, &t->seconds);
}

// The seconds are a float, as scanned; product and quotient in double,
// truncated toward zero and kept to 32 bits.
int32_t ToFrame(const Time& t, uint32_t rate, uint32_t scale) {
  const float seconds =
      static_cast<float>((int64_t{t.hours} * 60 + t.minutes) * 60) + t.seconds;
  const double frame = std::trunc(static_cast<double>(seconds) * rate / scale);
  if (std::isnan(frame)) return 0;
  if (frame >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (frame <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(frame);
}

// Text lines up to an empty one (after dropping bytes below 32) or the end.
// False at the end of the file.
bool ReadBlockText(SubtitleLineReader* reader, SubtitleText* text) {
  char line[SubtitleLineReader::kLineSize];
  size_t length = 0;
  while (reader->ReadLine(line, &length)) {
    SubtitleText clean;
    clean.AppendPrintable(line, length);
    if (clean.empty()) return true;
    if (!text->empty()) text->Append('|');
    text->AppendPrintable(clean.data(), clean.size());
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
    Time start{}, end{};
    if (!ScanTime(&p, &start) || !ScanTime(&p, &end)) return;
    SubtitleText text;
    const bool more = ReadBlockText(reader, &text);
    if (!text.empty() &&
        !list->Append(text.data(), text.size(), ToFrame(start, rate, scale), ToFrame(end, rate, scale))) {
      return;
    }
    if (!more) return;
  }
}
