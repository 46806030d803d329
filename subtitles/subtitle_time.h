// Subtitle times and the frames they fall on.
#pragma once

#include <cstddef>
#include <cstdint>

struct SubtitleTime {
  int32_t hours, minutes;
  float seconds;  // with their fraction, as "%f" scans them
};

// ((hours x 60 + minutes) x 60 + seconds) x rate / scale, the product and
// quotient in double, truncated toward zero and kept to 32 bits (no scale:
// the largest frame).
int32_t SubtitleTimeToFrame(const SubtitleTime& time, uint32_t rate, uint32_t scale);

// "h:mm:ss.cc" (any number of digits in each part, blanks around it), as
// SubStation Alpha writes its times.
bool ParseSubtitleClock(const char* text, size_t length, SubtitleTime* time);
