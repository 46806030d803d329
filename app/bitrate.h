// The average bit rate that File Properties shows for a stream.
#pragma once

#include <cstdint>

// Kilobits per second of totalBytes spread over units / perSecond seconds,
// rounded to nearest (halves up): perSecond x totalBytes / (units x 125),
// since bytes x 8 / 1000 is bytes / 125. Exact for every argument, in 64-bit
// arithmetic (units x 125 itself may pass 64 bits); units must be at least 1.
uint64_t RoundedKilobitsPerSecond(uint32_t perSecond, uint32_t totalBytes, uint64_t units);
