#include "app/frame_time.h"

#include <cstdio>

void FormatFrameTime(char* out, int32_t frame, int32_t rate, int32_t scale) {
  int64_t seconds = 0;
  if (rate > 0 && frame > 0 && scale > 0) {
    seconds = static_cast<int64_t>(frame) * scale / rate;
  }
  const long long hours = seconds / 3600;
  const int minutes = static_cast<int>(seconds / 60 % 60);
  const int rest = static_cast<int>(seconds % 60);
  if (hours > 0) {
    std::snprintf(out, kFrameTimeCapacity, "%02lli:%02i:%02i", hours, minutes, rest);
  } else {
    std::snprintf(out, kFrameTimeCapacity, "%02i:%02i", minutes, rest);
  }
}
