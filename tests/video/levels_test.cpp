// Auto Level and the colour balance: the worked cases and floating-point
// references of what they are meant to do.

#include "tests/video/yuy2_test_frame.h"
#include "video/auto_level.h"
#include "video/color_balance.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A frame whose lumas run through from .. to (cyclically), with random chroma.
Yuy2TestFrame LumaFrame(int32_t width, int32_t height, int from, int to, std::mt19937* random) {
  Yuy2TestFrame frame(width, height, random);
  for (int32_t k = 0; k < height * (width / 2 * 2); ++k)
    frame.Luma(k % (width / 2 * 2), k / (width / 2 * 2)) = static_cast<uint8_t>(from + k % (to - from + 1));
  return frame;
}

// The stretch of a luma for a smoothed range: a range below 128 counts as 128.
int Stretched(int y, int minimum, int maximum) {
  return y <= minimum ? 0 : std::min(255, 255 * (y - minimum) / std::max(maximum - minimum, 128));
}

// Each frame moves the smoothed range a quarter of the way to its own (the
// first frame sets it), and the lumas are stretched over the smoothed range;
// a range that is empty once smoothed leaves the frame alone; chroma stays.
TEST(AutoLevel, SmoothsTheRangeAndStretchesLuma) {
  std::mt19937 random(40);
  struct Case {
    const char* name;
    AutoLevelState start;
    int from, to;          // the frame's lumas
    int minimum, maximum;  // the smoothed range after the frame
    int stretchMin, stretchMax;
  } const cases[] = {
      {"full range, first frame", {}, 0, 255, 0, 255, 0, 255},
      {"flat frame, first frame", {}, 100, 150, 100, 150, 100, 150},
      {"smoothing", {0, 255, true, true}, 100, 115, (100 + 3 * 0) >> 2, (115 + 3 * 255) >> 2, 25, 220},
      {"emptied range", {200, 10, true, true}, 120, 120, (120 + 3 * 200) >> 2, (120 + 3 * 10) >> 2, 0, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AutoLevelState state = c.start;
    Yuy2TestFrame frame = LumaFrame(64, 4, c.from, c.to, &random);
    const std::vector<uint8_t> before = frame.Bytes();
    AutoLevel(frame.data(), 64, 4, &state);
    EXPECT_EQ(std::vector<int>({state.minimum, state.maximum, state.minimumSet, state.maximumSet}),
              std::vector<int>({c.minimum, c.maximum, 1, 1}));
    for (int32_t r = 0; r < 4; ++r)
      for (int32_t k = 0; k < 128; ++k) {
        const int y = before[r * frame.stride + k];
        ASSERT_EQ(frame.Row(r)[k], k % 2 ? y : Stretched(y, c.stretchMin, c.stretchMax)) << k << " " << y;
      }
  }
}

// The stretch for every smoothed minimum and maximum, on a frame holding every
// luma: both forms against exact rationals.
TEST(AutoLevel, StretchIsExactForEveryRange) {
  std::mt19937 random(43);
  const std::vector<uint8_t> bytes = LumaFrame(256, 1, 0, 255, &random).Bytes();
  for (int32_t minimum = 0; minimum < 255; ++minimum) {
    for (int32_t maximum = minimum + 1; maximum < 256; ++maximum) {
      std::vector<uint8_t> want = bytes, ref = bytes, fast = bytes;
      for (size_t i = 0; i < 512; i += 2) want[i] = static_cast<uint8_t>(Stretched(want[i], minimum, maximum));
      reference::StretchLuma(ref.data(), 256, 1, minimum, maximum);
      StretchLuma(fast.data(), 256, 1, minimum, maximum);
      ASSERT_TRUE(ref == want && fast == want) << "minimum " << minimum << " maximum " << maximum << ": reference at "
                                               << FirstDifference(ref, want) << ", fast at " << FirstDifference(fast, want);
    }
  }
}

// Y' = Y k / 50 + 2.56 (b - 50) and c' = (c - 128) (s / 50) (k / 50) + 128 in
// floating point, for the neutral setting (which changes nothing), each
// setting at its ends, and random ones. The truncated gain (up to half a step
// on a bright luma), the truncated offset and the floor of the product keep
// the luma less than 3 below and 1 above; chroma's truncated gain and floor
// stay within 2.
TEST(ColorBalance, FollowsFloatingPoint) {
  std::mt19937 random(46);
  std::vector<ColorBalance> settings = {{50, 50, 50}, {100, 50, 50}, {0, 50, 50}, {50, 0, 50},
                                        {50, 100, 50}, {50, 50, 0}, {100, 100, 100}};
  for (int trial = 0; trial < 200; ++trial)
    settings.push_back({static_cast<int32_t>(random() % 101), static_cast<int32_t>(random() % 101),
                        static_cast<int32_t>(random() % 101)});
  for (const ColorBalance& b : settings) {
    Yuy2TestFrame frame(32, 2, &random);
    const std::vector<uint8_t> before = frame.Bytes();
    ApplyColorBalance(frame.data(), 32, 2, b);
    EXPECT_TRUE(&b != &settings[0] || frame.Bytes() == before) << "the neutral setting";
    for (int32_t r = 0; r < 2; ++r)
      for (int32_t i = 0; i < 32; ++i) {
        const int v = before[r * frame.stride + i], got = frame.Row(r)[i];
        double want = i % 2 == 0 ? v * b.contrast / 50.0 + 2.56 * (b.brightness - 50)
                                 : (v - 128) * (b.saturation / 50.0) * (b.contrast / 50.0) + 128;
        want = std::clamp(want, 0.0, 255.0);
        ASSERT_LT(got, want + 1.0) << b.brightness << "/" << b.contrast << "/" << b.saturation << " " << i;
        ASSERT_GT(got, want - (i % 2 == 0 ? 3.0 : 2.0)) << b.brightness << "/" << b.contrast << " " << i;
      }
  }
}

}  // namespace
