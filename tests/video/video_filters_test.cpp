// The filters' behaviour on chosen pixels, against descriptions written
// independently of the code (per pixel or per byte) and floating-point
// references, the chain's order, what the video thread draws over a frame
// (the histogram and the level bar), and the fast forms of every in-place
// filter against the reference forms.
#include "video/video_filters.h"

#include "tests/video/yuy2_test_frame.h"
#include "video/auto_level.h"
#include "video/color_balance.h"
#include "video/fade_step.h"
#include "video/flip_filters.h"
#include "video/histogram.h"
#include "video/interpolate_uv.h"
#include "video/level_bar.h"
#include "video/neighbour_filters.h"
#include "video/point_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// The frame before a filter ran: byte k of row r.
struct Before {
  std::vector<uint8_t> bytes;
  int32_t width, height, stride;
  int operator()(int32_t r, int32_t k) const { return bytes[r * stride + k]; }
};

// The filters on random frames of several sizes (with words of zero bytes,
// for the carry of Negative), against descriptions of every byte of every
// row, padding included, from the frame before: the handled words (W div 2,
// or whole groups of four pixels) as described, the others left alone.
TEST(VideoFilters, EachByteAsDescribed) {
  std::mt19937 random(22);
  using Rule = std::function<int(const Before& b, int32_t r, int32_t k)>;
  const auto bytes = [](int (*f)(int), int parity) -> Rule {  // in whole groups of four pixels
    return [=](const Before& b, int32_t r, int32_t k) {
      return k % 2 == parity && k / 4 < b.width / 4 * 2 ? f(b(r, k)) : b(r, k);
    };
  };
  const auto neighbours = [](bool sharpen) -> Rule {
    return [=](const Before& b, int32_t r, int32_t k) {
      const int32_t x = k / 2;
      if (k % 2 == 1 || x >= b.width - 1 || r >= b.height - 1) return b(r, k);
      const int others = b(r, k + 2) + b(r + 1, k) + b(r + 1, k + 2);
      return sharpen ? std::clamp(static_cast<int>(std::floor((5 * b(r, k) - others) / 2.0)), 0, 255)
                     : (b(r, k) + others) / 4;
    };
  };
  struct Case {
    const char* name;
    void (*filter)(uint8_t*, int32_t, int32_t);
    std::vector<int32_t> widths;
    int32_t height;
    Rule byte;
  } const cases[] = {
      // 0 - w: zero bytes below the lowest non-zero byte stay, that byte
      // becomes 256 minus itself, the ones above 255 minus theirs.
      {"Negative", Negative, {5, 6, 13, 200}, 3,
       [](const Before& b, int32_t r, int32_t k) {
         bool carried = false;
         for (int32_t j = k / 4 * 4; j < k; ++j) carried = carried || b(r, j) != 0;
         return k / 4 >= b.width / 2 ? b(r, k) : carried ? 255 - b(r, k) : (256 - b(r, k)) & 255;
       }},
      {"Grayscale", Grayscale, {5, 6, 13, 200}, 3,
       [](const Before& b, int32_t r, int32_t k) {
         return k / 4 >= b.width / 2 || k % 2 == 0 ? b(r, k) : k % 4 == 1 ? 0x70 : 0x90;
       }},
      {"DoubleContrast", DoubleContrast, {5, 6, 13, 200}, 3, bytes([](int y) { return std::min(2 * y, 255); }, 0)},
      {"DoubleSaturation", DoubleSaturation, {5, 6, 13, 200}, 3,
       bytes([](int c) { return std::clamp(2 * (c - 128), -128, 127) + 128; }, 1)},
      {"FadeStep", FadeStep, {5, 6, 13, 200}, 3, bytes([](int y) { return std::max(y - 4, 0); }, 0)},
      // Rows swap, the odd pixel and padding excepted.
      {"FlipVertical", FlipVertical, {7, 8}, 5,
       [](const Before& b, int32_t r, int32_t k) { return k < b.width / 2 * 4 ? b(b.height - 1 - r, k) : b(r, k); }},
      // Pixel x of the first m = 4 (W div 4) pixels shows pixel m - 1 - x; a
      // word's chroma comes with it.
      {"FlipHorizontal", FlipHorizontal, {4, 8, 10, 11, 22, 37}, 2,
       [](const Before& b, int32_t r, int32_t k) {
         const int32_t m = b.width / 4 * 4;
         if (k >= 2 * m) return b(r, k);
         return k % 2 == 0 ? b(r, 2 * (m - 1 - k / 2)) : b(r, 4 * (m / 2 - 1 - k / 4) + k % 4);
       }},
      // Odd rows with a row below take the average chroma of their neighbours.
      {"InterpolateUV", InterpolateUV, {4}, 6,
       [](const Before& b, int32_t r, int32_t k) {
         return k % 2 == 1 && r % 2 == 1 && r < b.height - 1 ? (b(r - 1, k) + b(r + 1, k)) / 2 : b(r, k);
       }},
      // Each luma with a right and a lower neighbour, from the unfiltered ones.
      {"Soften", Soften, {19}, 6, neighbours(false)},
      {"Sharpen", Sharpen, {19}, 6, neighbours(true)},
  };
  for (const Case& c : cases) {
    for (const int32_t width : c.widths) {
      SCOPED_TRACE(std::string(c.name) + " width " + std::to_string(width));
      Yuy2TestFrame frame(width, c.height, &random);
      frame.SetWord(0, 0, 0);
      frame.SetWord(1, 0, Word(0, 0x20, 0x30, 0x40));
      frame.SetWord(0, 1, Word(0, 0, 5, 0));
      const Before before{frame.Bytes(), width, c.height, frame.stride};
      c.filter(frame.data(), width, c.height);
      for (int32_t r = 0; r < c.height; ++r)
        for (int32_t k = 0; k < frame.stride; ++k) ASSERT_EQ(frame.Row(r)[k], c.byte(before, r, k)) << r << " " << k;
    }
  }
}

// The chain's order: the subtitle step (its context read-only to the chain:
// the spy keeps what it saw in mutable fields) comes after the geometry and
// before the colour filters, Negative before Grayscale, Grayscale skips
// Interpolate UV, the colour balance comes before the histogram; with nothing
// on only the subtitle step runs, when given.
struct SubtitleSpy {
  mutable int calls = 0;
  mutable int32_t frameNumber = -1;
  mutable std::vector<uint8_t> seen;  // sized by the test
  static void Render(const void* context, uint8_t* frame, int32_t frameNumber) {
    const auto* spy = static_cast<const SubtitleSpy*>(context);
    ++spy->calls, spy->frameNumber = frameNumber;
    std::copy(frame, frame + spy->seen.size(), spy->seen.begin());
  }
};

TEST(VideoFilters, TheChainsOrder) {
  constexpr ColorBalance kNeutral = {50, 50, 50};
  std::mt19937 random(29);
  Yuy2TestFrame frame(12, 6, &random), seen = frame, grayOnly = frame;
  FlipVertical(seen.data(), 12, 6);
  SubtitleSpy spy;
  spy.seen.resize(frame.Bytes().size());
  VideoFilterFlags flags{};
  flags.flipVertical = flags.negative = flags.grayscale = 1;
  ApplyVideoFilters(flags, kNeutral, frame.data(), 12, 6, 1234, {SubtitleSpy::Render, &spy});
  EXPECT_EQ(spy.seen, seen.Bytes()) << "flipped, not yet negated";
  EXPECT_EQ(spy.frameNumber, 1234);
  for (int32_t r = 0; r < 6; ++r)  // the tint survives, the lumas are negated
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(frame.Word(i, r), ((0u - seen.Word(i, r)) & 0x00FF00FFu) | 0x90007000u);
  const std::vector<uint8_t> before = frame.Bytes();
  ApplyVideoFilters(VideoFilterFlags{}, kNeutral, frame.data(), 12, 6, 5, {SubtitleSpy::Render, &spy});
  ApplyVideoFilters(VideoFilterFlags{}, kNeutral, frame.data(), 12, 6, 6, SubtitleStep{});
  EXPECT_EQ(spy.calls, 2);
  EXPECT_EQ(frame.Bytes(), before);

  flags = VideoFilterFlags{};
  flags.interpolateUV = flags.grayscale = 1;
  Yuy2TestFrame chained = grayOnly;
  ApplyVideoFilters(flags, kNeutral, chained.data(), 12, 6, 0, SubtitleStep{});
  Grayscale(grayOnly.data(), 12, 6);
  EXPECT_EQ(chained.Bytes(), grayOnly.Bytes());
  // Contrast 0 blackens the picture; the histogram drawn afterwards keeps its
  // colours: a full bar in column 0 (every luma is 0 by then).
  flags = VideoFilterFlags{};
  flags.histogram = 1;
  ApplyVideoFilters(flags, ColorBalance{50, 0, 50}, frame.data(), 12, 6, 0, SubtitleStep{});
  EXPECT_EQ(std::vector<uint32_t>({frame.Word(0, 5), frame.Word(0, 0), frame.Word(5, 0)}),
            std::vector<uint32_t>({0x15902B70u, 0x15902B70u, Word(0, 128, 0, 128)}));
}

// --- the fast forms ----------------------------------------------------------

using Filter = std::function<void(uint8_t*, int32_t, int32_t)>;
struct FilterPair {
  std::string name;
  Filter fast, reference;
  bool needsMmx;  // does nothing without MMX
};

// Auto Level from a fixed smoothed state, so that both forms start alike.
Filter Leveled(void (*f)(uint8_t*, int32_t, int32_t, AutoLevelState*), AutoLevelState start) {
  return [f, start](uint8_t* frame, int32_t w, int32_t h) {
    AutoLevelState state = start;
    f(frame, w, h, &state);
  };
}

#define FILTER_PAIR(f, mmx) {#f, f, reference::f, mmx}
std::vector<FilterPair> AllFilters() {
  std::vector<FilterPair> filters = {
      FILTER_PAIR(FlipVertical, false), FILTER_PAIR(FlipHorizontal, false), FILTER_PAIR(DoubleContrast, false),
      FILTER_PAIR(DoubleSaturation, false), FILTER_PAIR(Negative, false), FILTER_PAIR(Grayscale, false),
      FILTER_PAIR(InterpolateUV, false), FILTER_PAIR(Soften, false), FILTER_PAIR(Sharpen, true),
      FILTER_PAIR(FadeStep, true), FILTER_PAIR(DrawHistogram, false),
      {"AutoLevel fresh", Leveled(AutoLevel, {}), Leveled(reference::AutoLevel, {}), true},
      {"AutoLevel settled", Leveled(AutoLevel, {40, 200, true, true}),
       Leveled(reference::AutoLevel, {40, 200, true, true}), true},
  };
  for (ColorBalance b : {ColorBalance{100, 50, 50}, ColorBalance{0, 100, 100}, ColorBalance{37, 81, 12},
                         ColorBalance{50, 0, 50}, ColorBalance{73, 50, 0}}) {
    const auto balance = [b](auto f) { return [f, b](uint8_t* frame, int32_t w, int32_t h) { f(frame, w, h, b); }; };
    filters.push_back({"ApplyColorBalance", balance(ApplyColorBalance), balance(reference::ApplyColorBalance), true});
  }
  return filters;
}

// Random frames of awkward sizes (some 16,000 pixels, so that every byte
// value comes in every byte position of a word): the fast forms give the
// reference's bytes and write nothing outside the frame. Without MMX, Auto
// Level, Sharpen, the colour balance and the fade step (both forms) leave
// the frame alone, the others not (few distinct lumas, so that the histogram
// shows); Auto Level's smoothing does not advance either.
TEST(VideoFilters, FastFormsMatchReferenceAndMmxOnlyFiltersNeedMmx) {
  std::mt19937 random(11);
  std::vector<FrameSize> sizes = AwkwardFrameSizes();
  sizes.push_back({1920, 4});
  for (const FilterPair& filter : AllFilters()) {
    for (const FrameSize& size : sizes) {
      ExpectFastFormMatches(
          static_cast<size_t>(Yuy2RowStride(size.width)) * size.height, &random,
          [&](uint8_t* frame) { filter.reference(frame, size.width, size.height); },
          [&](uint8_t* frame) { filter.fast(frame, size.width, size.height); }, filter.name + " " + SizeName(size));
    }
    ScopedMmxFlag mmx(0);
    for (const Filter& f : {filter.fast, filter.reference}) {
      Yuy2TestFrame frame(64, 8, &random);
      for (int32_t k = 0; k < 64 * 8; ++k) frame.Luma(k % 64, k / 64) &= 3;
      const std::vector<uint8_t> before = frame.Bytes();
      f(frame.data(), 64, 8);
      EXPECT_EQ(frame.Bytes() == before, filter.needsMmx) << filter.name << " without MMX";
    }
  }
  ScopedMmxFlag mmx(0);
  AutoLevelState state;
  Yuy2TestFrame frame(16, 2, &random);
  AutoLevel(frame.data(), 16, 2, &state);
  EXPECT_FALSE(state.minimumSet) << "the smoothing does not advance without MMX";
}

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
TEST(AutoLevel, SmoothsTheRangeAndStretchesLumaExactly) {
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
  // The stretch for every smoothed minimum and maximum, on a frame holding
  // every luma: both forms against exact rationals.
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

constexpr uint32_t kBar[3] = {0x15902B70u, 0x2F004060u, 0x65106A24u};

// Rows from the bottom that carry column j's bar words (the next column's
// bar may cover the third, so only the first two are looked at).
int32_t BarHeight(Yuy2TestFrame& frame, int32_t j) {
  int32_t rows = 0;
  for (int32_t r = frame.height - 1; r >= 0; --r, ++rows)
    if (frame.Word(2 * j, r) != kBar[0] || frame.Word(2 * j + 1, r) != kBar[1]) break;
  return rows;
}

TEST(Histogram, AveragesSkippedBinsIntoTheColumnAndRepeatsBinsOnWideFrames) {
  std::mt19937 random(50);
  // W 16: four columns, bars for j = 0, 1, 2 showing bins 0, 63 and 127.
  Yuy2TestFrame frame(16, 200, &random);
  for (int32_t r = 0; r < 200; ++r)
    for (int32_t x = 0; x < 16; ++x) frame.Luma(x, r) = x < 8 ? 10 : 63;
  DrawHistogram(frame.data(), 16, 200);
  // Bins 10 and 63 hold 1600 lumas each, 1000 after the scaling by 10 / 16;
  // column 1 averages bins 1 .. 63: 2000 / 63 = 31 rows.
  // Bin 0 is empty; above the bar the picture stays; column 2 (bin 127) is empty.
  EXPECT_EQ(std::vector<uint32_t>({uint32_t(BarHeight(frame, 0)), frame.Luma(0, 199), uint32_t(BarHeight(frame, 1)),
                                   frame.Word(4, 199), frame.Luma(4, 199 - 31), frame.Luma(12, 199)}),
            std::vector<uint32_t>({0, 10, 31, kBar[2], 10, 63}));

  // W 1920: 480 columns for 256 bins; columns 0 and 1 both show bin 0, and
  // bars are cut at the frame's height.
  Yuy2TestFrame wide(1920, 10, &random);
  wide.Fill(Word(0, 128, 0, 128));
  DrawHistogram(wide.data(), 1920, 10);
  // 19200 x 10 / 1920 = 100, cut at 10; column 2 shows bin 1, empty: column
  // 1's last word.
  EXPECT_EQ(std::vector<uint32_t>({uint32_t(BarHeight(wide, 0)), uint32_t(BarHeight(wide, 1)), wide.Word(4, 9),
                                   wide.Word(6, 9)}),
            std::vector<uint32_t>({10, 10, kBar[2], Word(0, 128, 0, 128)}));
  EXPECT_TRUE(wide.GuardIntact());
}

std::vector<uint8_t> BalanceImage(uint8_t value) { return std::vector<uint8_t>(kBalanceImageSize, value); }

// Cells fill from the bottom, narrow frames are clipped, and the icons blend
// into the top rows.
TEST(LevelBar, CellsFillFromTheBottomNarrowFramesAreClippedAndIconsBlend) {
  std::mt19937 random(52);
  Yuy2TestFrame frame(40, 40, &random);  // 10 cells, no icons (W < 160)
  frame.Fill(Word(1, 2, 3, 4));
  const std::vector<uint8_t> image = BalanceImage(255);
  // Upper cells (r < 5): border 0x60806080; lower: border 0x60706070, fill
  // 0x50B050B0; eight words wide; cell 0 not filled, 50 x 10 div 100 = 5
  // cells filled; a cell's first row all border; icons need W >= 160. With
  // the volume selected the whole bar takes the upper colours.
  const uint32_t none = Word(1, 2, 3, 4);
  const struct {
    int32_t volume, selected, i, r;
    uint32_t want;
  } cells[] = {{50, 1, 0, 0, 0x60806080u}, {50, 1, 7, 0, 0x60806080u}, {50, 1, 8, 0, none}, {50, 1, 3, 1, none},
               {50, 1, 0, 19, 0x60806080u}, {50, 1, 3, 19, none}, {50, 1, 0, 20, 0x60706070u},
               {50, 1, 3, 20, 0x60706070u}, {50, 1, 3, 21, 0x50B050B0u}, {50, 1, 7, 23, 0x60706070u},
               {50, 1, 9, 0, none}, {100, 0, 0, 39, 0x60806080u}, {100, 0, 3, 1, 0x50F050F0u},
               {100, 0, 3, 37, 0x50F050F0u}};
  for (const auto& c : cells) {
    DrawLevelBar(frame.data(), 40, 40, c.volume, c.selected, image.data());
    EXPECT_EQ(frame.Word(c.i, c.r), c.want) << c.volume << " word " << c.i << " row " << c.r;
  }

  // Narrow and short frames are clipped.
  Yuy2TestFrame narrow(5, 8, &random);  // 2 words and the odd pixel per row
  const std::vector<uint8_t> before = narrow.Bytes();
  DrawLevelBar(narrow.data(), 5, 8, 100, 2, image.data());
  EXPECT_TRUE(narrow.GuardIntact());
  EXPECT_EQ(std::vector<uint32_t>({narrow.Word(1, 0), narrow.Word(1, 1)}),
            std::vector<uint32_t>({0x60806080u, 0x50F050F0u}));
  for (int32_t r = 0; r < 8; ++r)
    EXPECT_EQ(0, std::memcmp(narrow.Row(r) + 8, before.data() + r * narrow.stride + 8, 4)) << r;
  Yuy2TestFrame shortFrame(320, 12, &random);
  DrawLevelBar(shortFrame.data(), 320, 12, 100, 2, image.data());
  EXPECT_TRUE(shortFrame.GuardIntact());
  Yuy2TestFrame tiny(3, 3, &random);
  const std::vector<uint8_t> tinyBefore = tiny.Bytes();
  DrawLevelBar(tiny.data(), 3, 3, 100, 2, image.data());
  EXPECT_EQ(tiny.Bytes(), tinyBefore) << "W div 4 and H div 4 below 1: nothing";

  Yuy2TestFrame wide(160, 40, &random);
  wide.Fill(Word(100, 200, 100, 200));
  std::vector<uint8_t> icons = BalanceImage(0);
  for (int32_t i = 0; i < kBalanceImageHeight; ++i) {
    icons[i * 128 + 0] = 255;   // icon 0 (not selected): above T = 128
    icons[i * 128 + 64] = 32;   // icon 2 (selected for brightness): T = 64
    icons[i * 128 + 65] = 255;
  }
  DrawLevelBar(wide.data(), 160, 40, 0, 1, icons.data());
  // Pixel 32 (icon 0, a = 255): luma a div 2 = 127, chroma share 128, pixel
  // 33 (a = 0) keeps 100 and share 200: U = V = (128 + 200) div 2 = 164.
  // Pixel 96 (icon 2, a = 32 <= 64): luma (100 x 32 + 24 x 32) div 64 = 62,
  // share (200 x 32 + 112 x 32) div 64 = 156; pixel 97 (a = 255 > 64):
  // luma 255 x 3 div 4 = 191, share 112; U = V = (156 + 112) div 2 = 134.
  // 32 rows only; a = 0 leaves the picture.
  const uint32_t picture = Word(100, 200, 100, 200);
  EXPECT_EQ(std::vector<uint32_t>({wide.Word(16, 0), wide.Word(48, 31), wide.Word(48, 32), wide.Word(17, 5)}),
            std::vector<uint32_t>({Word(127, 164, 100, 164), Word(62, 134, 191, 134), picture, picture}));
}

}  // namespace
