#include "subtitles/subtitle_time.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

int32_t SubtitleTimeToFrame(const SubtitleTime& t, uint32_t rate, uint32_t scale) {
  const float seconds = static_cast<float>((int64_t{t.hours} * 60 + t.minutes) * 60) + t.seconds;
  const double frame = std::trunc(static_cast<double>(seconds) * rate / scale);
  if (std::isnan(frame)) return 0;
  if (frame >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (frame <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(frame);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits, then the separator (0: the end); saturated at 32 bits.
bool ScanPart(const char** p, const char* end, char separator, int32_t* value) {
  if (*p == end || !IsDigit(**p)) return false;
  int64_t v = 0;
  for (; *p < end && IsDigit(**p); ++*p) v = std::min<int64_t>(v * 10 + (**p - '0'), std::numeric_limits<int32_t>::max());
  *value = static_cast<int32_t>(v);
  if (separator == 0) return true;
  if (*p == end || **p != separator) return false;
  ++*p;
  return true;
}

}  // namespace

bool ParseSubtitleClock(const char* text, size_t length, SubtitleTime* time) {
  const char* p = text;
  const char* end = text + length;
  while (p < end && *p == ' ') ++p;
  while (end > p && end[-1] == ' ') --end;
  if (!ScanPart(&p, end, ':', &time->hours) || !ScanPart(&p, end, ':', &time->minutes)) return false;
  const char* seconds = p;
  int32_t part = 0;
  if (!ScanPart(&p, end, 0, &part)) return false;
  if (p < end && *p == '.' && !ScanPart(&++p, end, 0, &part)) return false;
  if (p != end) return false;
  // The seconds as "%f" reads them (of a longer number, the first 31 characters).
  char digits[32];
  const size_t n = std::min<size_t>(static_cast<size_t>(end - seconds), sizeof digits - 1);
  std::memcpy(digits, seconds, n);
  digits[n] = 0;
  time->seconds = std::strtof(digits, nullptr);
  return true;
}
