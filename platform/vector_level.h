// Which vector instruction set the pixel and sample routines use.
//
// Every routine of video/, audio/audio_filters and subtitles/subtitle_pixels
// has a plain scalar form (namespace reference) that follows the documented
// arithmetic literally, and may have faster forms built on SSE2 (always there
// on x86-64; it stands in for MMX) and AVX2 (checked at run time). All forms
// give the same bytes. Tests lower the level to compare every form against the
// reference; the program itself never changes it.
#pragma once

enum class VectorLevel : int {
  kScalar = 0,  // the reference routines only
  kSse2 = 1,
  kAvx2 = 2,
};

// The level in use: the best the processor offers, lowered by any cap. Every
// routine asks once per call; on AVX processors this also clears the upper
// halves of the vector registers, which slow SSE2 code when left in use.
VectorLevel CurrentVectorLevel();

// The best level the processor and the operating system support.
VectorLevel DetectedVectorLevel();

// Limits the level for the scope's lifetime (tests), restoring the previous cap.
class ScopedVectorLevelCap {
 public:
  explicit ScopedVectorLevelCap(VectorLevel cap);
  ~ScopedVectorLevelCap();
  ScopedVectorLevelCap(const ScopedVectorLevelCap&) = delete;
  ScopedVectorLevelCap& operator=(const ScopedVectorLevelCap&) = delete;

 private:
  VectorLevel previous_;
};
