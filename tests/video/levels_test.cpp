// Auto Level and the colour balance: the worked cases and floating-point
// references of what they are meant to do.

#include "tests/video/yuy2_test_frame.h"
#include "video/auto_level.h"
#include "video/color_balance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

uint32_t Word(int y0, int u, int y1, int v) {
  return static_cast<uint32_t>(y0 | (u << 8) | (y1 << 16) | (v << 24));
}

// A frame whose lumas run through `lumas` (cyclically), with random chroma.
Yuy2TestFrame LumaFrame(int32_t width, int32_t height, const std::vector<int>& lumas, std::mt19937* random) {
  Yuy2TestFrame frame(width, height, random);
  size_t k = 0;
  for (int32_t r = 0; r < height; ++r)
    for (int32_t x = 0; x < width / 2 * 2; ++x) frame.Luma(x, r) = static_cast<uint8_t>(lumas[k++ % lumas.size()]);
  return frame;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

TEST(AutoLevel, FullRangeFrameStaysOnceSettled) {
  ScopedMmxFlag mmx(1);
  std::mt19937 random(40);
  AutoLevelState state;
  Yuy2TestFrame frame = LumaFrame(32, 16, Range(0, 255), &random);
  const std::vector<uint8_t> before = frame.Bytes();
  for (int i = 0; i < 3; ++i) AutoLevel(frame.data(), 32, 16, &state);
  EXPECT_EQ(frame.Bytes(), before);
  EXPECT_EQ(state.minimum, 0);
  EXPECT_EQ(state.maximum, 255);
}

TEST(AutoLevel, FlatFrameIsStretchedAtMostTwice) {
  ScopedMmxFlag mmx(1);
  std::mt19937 random(41);
  AutoLevelState state;
  Yuy2TestFrame frame = LumaFrame(16, 4, Range(100, 150), &random);
  const std::vector<uint8_t> before = frame.Bytes();
  AutoLevel(frame.data(), 16, 4, &state);
  EXPECT_TRUE(state.minimumSet && state.maximumSet);
  EXPECT_EQ(state.minimum, 100);  // the first frame smooths with itself
  EXPECT_EQ(state.maximum, 150);
  for (int32_t r = 0; r < 4; ++r)
    for (int32_t x = 0; x < 16; ++x) {
      const int y = before[r * frame.stride + 2 * x];
      // The range 50 counts as 128: L = 255 (y - 100) / 128, so 150 -> 99.
      ASSERT_EQ(frame.Luma(x, r), 255 * (y - 100) / 128) << y;
      ASSERT_EQ(frame.Row(r)[2 * x + 1], before[r * frame.stride + 2 * x + 1]);
    }
}

TEST(AutoLevel, SmoothsTowardsEachNewFrame) {
  ScopedMmxFlag mmx(1);
  std::mt19937 random(42);
  AutoLevelState state{0, 255, true, true};
  Yuy2TestFrame frame = LumaFrame(8, 2, Range(100, 115), &random);
  AutoLevel(frame.data(), 8, 2, &state);
  EXPECT_EQ(state.minimum, (100 + 3 * 0) >> 2);
  EXPECT_EQ(state.maximum, (115 + 3 * 255) >> 2);
  // 25 .. 220: L = 255 (y - 25) / 195, so 100 -> 98, 115 -> 117.
  EXPECT_EQ(frame.Luma(0, 0), 98);
  EXPECT_EQ(frame.Luma(15 - 8, 0), 255 * (107 - 25) / 195);
  // A frame that empties the range (maximum not above minimum) stays as it is.
  AutoLevelState collapsed{200, 10, true, true};
  Yuy2TestFrame flat = LumaFrame(8, 2, {120}, &random);
  const std::vector<uint8_t> before = flat.Bytes();
  AutoLevel(flat.data(), 8, 2, &collapsed);
  EXPECT_EQ(flat.Bytes(), before);
}

// The stretch for every smoothed minimum and maximum, on a frame holding every
// luma: both forms against exact rationals.
TEST(AutoLevel, StretchIsExactForEveryRange) {
  std::mt19937 random(43);
  const Yuy2TestFrame original = LumaFrame(256, 1, Range(0, 255), &random);
  const std::vector<uint8_t> bytes = original.Bytes();
  std::vector<uint8_t> want(bytes.size()), ref(bytes.size()), fast(bytes.size());
  for (int32_t minimum = 0; minimum < 255; ++minimum) {
    for (int32_t maximum = minimum + 1; maximum < 256; ++maximum) {
      const int range = std::max(maximum - minimum, 128);
      want = bytes;
      for (size_t i = 0; i < 512; i += 2)
        want[i] = static_cast<uint8_t>(want[i] <= minimum ? 0 : std::min(255, 255 * (want[i] - minimum) / range));
      ref = bytes;
      fast = bytes;
      reference::StretchLuma(ref.data(), 256, 1, minimum, maximum);
      StretchLuma(fast.data(), 256, 1, minimum, maximum);
      if (ref != want || fast != want) {
        ADD_FAILURE() << "minimum " << minimum << " maximum " << maximum << ": reference at "
                      << FirstDifference(ref, want) << ", fast at " << FirstDifference(fast, want);
        return;
      }
    }
  }
}

TEST(ColorBalance, WorkedSettings) {
  ScopedMmxFlag mmx(1);
  std::mt19937 random(44);
  struct Case {
    ColorBalance balance;
    uint32_t in, out;
  };
  const Case cases[] = {
      // Brightness 100: +128 on the luma, clamped; chroma untouched.
      {{100, 50, 50}, Word(100, 30, 200, 220), Word(228, 30, 255, 220)},
      // Contrast 0: black with neutral chroma, whatever the brightness offset 0.
      {{50, 0, 50}, Word(100, 30, 200, 220), Word(0, 128, 0, 128)},
      // Saturation 0: neutral chroma, luma kept.
      {{50, 50, 0}, Word(100, 30, 200, 220), Word(100, 128, 200, 128)},
      // Contrast 100: luma and chroma doubled (chroma gain 512), clamped.
      {{50, 100, 50}, Word(100, 100, 200, 220), Word(200, 72, 255, 255)},
      // Brightness 0: an offset of -128.
      {{0, 50, 50}, Word(100, 100, 200, 220), Word(0, 100, 72, 220)},
  };
  for (const Case& c : cases) {
    Yuy2TestFrame frame(2, 1, &random);
    frame.SetWord(0, 0, c.in);
    ApplyColorBalance(frame.data(), 2, 1, c.balance);
    EXPECT_EQ(frame.Word(0, 0), c.out) << c.balance.brightness << "/" << c.balance.contrast << "/"
                                       << c.balance.saturation;
  }
}

TEST(ColorBalance, NeutralSettingTouchesNothing) {
  ScopedMmxFlag mmx(1);
  std::mt19937 random(45);
  Yuy2TestFrame frame(9, 3, &random);
  const std::vector<uint8_t> before = frame.Bytes();
  ApplyColorBalance(frame.data(), 9, 3, ColorBalance{50, 50, 50});
  EXPECT_EQ(frame.Bytes(), before);
}

// Y' = Y k / 50 + 2.56 (b - 50) and c' = (c - 128) (s / 50) (k / 50) + 128 in
// floating point. The truncated gain (up to half a step on a bright luma),
// the truncated offset and the floor of the product keep the luma less than
// 3 below and 1 above; chroma's truncated gain and floor stay within 2.
TEST(ColorBalance, FollowsFloatingPoint) {
  ScopedMmxFlag mmx(1);
  std::mt19937 random(46);
  for (int trial = 0; trial < 200; ++trial) {
    const ColorBalance b{static_cast<int32_t>(random() % 101), static_cast<int32_t>(random() % 101),
                         static_cast<int32_t>(random() % 101)};
    Yuy2TestFrame frame(32, 2, &random);
    const std::vector<uint8_t> before = frame.Bytes();
    ApplyColorBalance(frame.data(), 32, 2, b);
    for (int32_t r = 0; r < 2; ++r)
      for (int32_t i = 0; i < 32; ++i) {
        const int v = before[r * frame.stride + i], got = frame.Row(r)[i];
        double want = i % 2 == 0 ? v * b.contrast / 50.0 + 2.56 * (b.brightness - 50)
                                 : (v - 128) * (b.saturation / 50.0) * (b.contrast / 50.0) + 128;
        want = std::clamp(want, 0.0, 255.0);
        ASSERT_LT(got, want + 1.0) << i;
        ASSERT_GT(got, want - (i % 2 == 0 ? 3.0 : 2.0)) << i;
      }
  }
}

}  // namespace
