#include "app/bitrate.h"

// With n = perSecond x totalBytes (below 2^64) and d = 125 x units, the
// result is floor((n + floor(d / 2)) / d). Write n = a x units + r and
// a = 125 b + c: then n / d = b + (c x units + r) / d, and the rounding adds
// 1 exactly when 2 (c x units + r) >= 125 x units, that is when c >= 63, or
// when c = 62 and 2 r >= units (r < units keeps every other c below half).
uint64_t RoundedKilobitsPerSecond(uint32_t perSecond, uint32_t totalBytes, uint64_t units) {
  if (units == 0) return 0;
  const uint64_t n = static_cast<uint64_t>(perSecond) * totalBytes;
  const uint64_t a = n / units, r = n % units;
  const uint64_t b = a / 125, c = a % 125;
  const bool roundsUp = c >= 63 || (c == 62 && 2 * r >= units);
  return b + (roundsUp ? 1 : 0);
}
