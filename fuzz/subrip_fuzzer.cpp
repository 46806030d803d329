// SubRip subtitle files through SubtitleList: never crashes, and the list
// and its lookups keep their rules (subtitle_fuzz_checks.h).
//
// The first byte picks the video rate and scale the times are turned into
// frames with, the rest is the file.
#include "fuzz/subtitle_fuzz_checks.h"

namespace {

struct Rate {
  uint32_t rate, scale;
};
constexpr Rate kRates[] = {{25, 1},  {30000, 1001}, {24000, 1001}, {1, 1},
                           {0, 1},   {25, 0},       {0xFFFFFFFFu, 1}, {1, 0xFFFFFFFFu}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Rate r = kRates[data[0] % (sizeof kRates / sizeof kRates[0])];
  subtitle_fuzz::Run(data + 1, size - 1, SubtitleFormat::kSubRip, r.rate, r.scale);
  return 0;
}
