// The filters' behaviour on chosen pixels, against descriptions written
// independently of the code (per pixel or per byte), the chain's order, and
// the fast forms of every in-place filter against the reference forms.

#include "video/video_filters.h"

#include "tests/video/yuy2_test_frame.h"
#include "video/auto_level.h"
#include "video/color_balance.h"
#include "video/fade_step.h"
#include "video/flip_filters.h"
#include "video/histogram.h"
#include "video/interpolate_uv.h"
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
  mutable std::vector<uint8_t> seen;
  size_t bytes = 0;
  static void Render(const void* context, uint8_t* frame, int32_t frameNumber) {
    const auto* spy = static_cast<const SubtitleSpy*>(context);
    ++spy->calls, spy->frameNumber = frameNumber;
    spy->seen.assign(frame, frame + spy->bytes);
  }
};

TEST(VideoFilters, TheChainsOrder) {
  constexpr ColorBalance kNeutral = {50, 50, 50};
  std::mt19937 random(29);
  Yuy2TestFrame frame(12, 6, &random), seen = frame, grayOnly = frame;
  FlipVertical(seen.data(), 12, 6);
  SubtitleSpy spy;
  spy.bytes = frame.Bytes().size();
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
  EXPECT_EQ(frame.Word(0, 5), 0x15902B70u);
  EXPECT_EQ(frame.Word(0, 0), 0x15902B70u);
  EXPECT_EQ(frame.Word(5, 0), Word(0, 128, 0, 128));
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

}  // namespace
