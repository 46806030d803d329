// MicroDVD subtitle files through SubtitleList: never crashes, and the list
// and its lookups keep their rules (subtitle_fuzz_checks.h).
#include "fuzz/subtitle_fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  subtitle_fuzz::Run(data, size, SubtitleFormat::kMicroDvd, 25, 1);
  return 0;
}
