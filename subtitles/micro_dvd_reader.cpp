// MicroDVD lines: "{first}{end}text". The frame numbers are scanned as
// "%[{]%d%[}]%[{]%d" scans them: one or more '{', a decimal number (blanks
// before it and a sign allowed), one or more '}', one or more '{', a number.
#include "subtitles/subtitle_formats.h"
#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_list.h"
#include "subtitles/subtitle_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace {

// One or more of c.
bool SkipRun(const char** p, char c) {
  if (**p != c) return false;
  while (**p == c) ++*p;
  return true;
}

// As "%d": white space, a sign, digits; saturated at 32 bits.
bool ScanNumber(const char** p, int32_t* value) {
  const char* s = *p;
  while (*s != 0 && std::isspace(static_cast<unsigned char>(*s))) ++s;
  const bool negative = *s == '-';
  if (*s == '-' || *s == '+') ++s;
  if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
  int64_t magnitude = 0;
  for (; std::isdigit(static_cast<unsigned char>(*s)); ++s) {
    magnitude = std::min<int64_t>(magnitude * 10 + (*s - '0'), int64_t{1} << 32);
  }
  *value = static_cast<int32_t>(std::clamp<int64_t>(negative ? -magnitude : magnitude,
                                                    std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
  *p = s;
  return true;
}

bool ScanFrames(const char* line, int32_t* first, int32_t* end) {
  const char* p = line;
  return SkipRun(&p, '{') && ScanNumber(&p, first) && SkipRun(&p, '}') && SkipRun(&p, '{') &&
         ScanNumber(&p, end);
}

}  // namespace

void ReadMicroDvd(SubtitleLineReader* reader, SubtitleList* list) {
  char line[SubtitleLineReader::kLineSize];
  size_t length = 0;
  while (reader->ReadLine(line, &length)) {
    int32_t first = 0, end = 0;
    if (!ScanFrames(line, &first, &end)) continue;
    const char* text = std::strrchr(line, '}') + 1;
    SubtitleText clean;
    clean.AppendPrintable(text, static_cast<size_t>(line + length - text));
    if (!clean.empty() && !list->Append(clean.data(), clean.size(), first, end)) return;
  }
}
