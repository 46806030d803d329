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

int Byte(uint32_t w, int k) { return static_cast<int>((w >> (8 * k)) & 0xFF); }

TEST(FlipFilters, VerticalSwapsRowsAndTwiceRestoresHorizontalMirrorsWholeGroupsOnly) {
  std::mt19937 random(20);
  Yuy2TestFrame frame(7, 5, &random);
  const std::vector<uint8_t> original = frame.Bytes();
  FlipVertical(frame.data(), 7, 5);
  for (int32_t r = 0; r < 5; ++r) {
    // Three words per row move; the row's last four bytes (odd pixel, padding) stay.
    EXPECT_EQ(0, std::memcmp(frame.Row(r), original.data() + (4 - r) * frame.stride, 12)) << r;
    EXPECT_EQ(0, std::memcmp(frame.Row(r) + 12, original.data() + r * frame.stride + 12, 4)) << r;
  }
  FlipVertical(frame.data(), 7, 5);
  EXPECT_EQ(frame.Bytes(), original);

  // Horizontally, pixel x of the first 4 (W div 4) pixels shows pixel
  // 4 (W div 4) - 1 - x; a word's chroma comes with it; the pixels behind stay.
  for (int32_t width : {4, 8, 10, 11, 22, 37}) {
    Yuy2TestFrame frame(width, 2, &random);
    const std::vector<uint8_t> original = frame.Bytes();
    FlipHorizontal(frame.data(), width, 2);
    const int32_t mirrored = width / 4 * 4;
    for (int32_t r = 0; r < 2; ++r) {
      const uint8_t* before = original.data() + r * frame.stride;
      for (int32_t x = 0; x < mirrored; ++x) ASSERT_EQ(frame.Luma(x, r), before[2 * (mirrored - 1 - x)]);
      for (int32_t i = 0; i < mirrored / 2; ++i) {
        const int32_t from = mirrored / 2 - 1 - i;
        ASSERT_EQ(frame.Row(r)[4 * i + 1], before[4 * from + 1]);
        ASSERT_EQ(frame.Row(r)[4 * i + 3], before[4 * from + 3]);
      }
      ASSERT_EQ(0, std::memcmp(frame.Row(r) + 2 * mirrored, before + 2 * mirrored, frame.stride - 2 * mirrored))
          << "width " << width;
    }
  }
}

// The per-byte filters on random frames of several widths (with words of
// zero bytes, for the carry of Negative): each handled word as described
// byte by byte, the words behind the handled ones (W div 2 words, or whole
// groups of four pixels) left alone.
TEST(PointFilters, EachByteAsDescribed) {
  std::mt19937 random(22);
  const auto luma = [](int (*f)(int)) {
    return [f](int b, int k, bool) { return k % 2 == 0 ? f(b) : b; };
  };
  const auto chroma = [](int (*f)(int)) {
    return [f](int b, int k, bool) { return k % 2 == 1 ? f(b) : b; };
  };
  struct Case {
    const char* name;
    void (*filter)(uint8_t*, int32_t, int32_t);
    bool wholeGroups;
    std::function<int(int b, int k, bool carried)> byte;  // byte k of a word, after any non-zero byte below
  } const cases[] = {
      // 0 - w: zero bytes below the lowest non-zero byte stay, that byte
      // becomes 256 minus itself, the ones above 255 minus theirs.
      {"Negative", Negative, false, [](int b, int, bool carried) { return carried ? 255 - b : (256 - b) & 255; }},
      {"Grayscale", Grayscale, false, [](int b, int k, bool) { return k == 1 ? 0x70 : k == 3 ? 0x90 : b; }},
      {"DoubleContrast", DoubleContrast, true, luma([](int y) { return std::min(2 * y, 255); })},
      {"DoubleSaturation", DoubleSaturation, true,
       chroma([](int c) { return std::clamp(2 * (c - 128), -128, 127) + 128; })},
      {"FadeStep", FadeStep, true, luma([](int y) { return std::max(y - 4, 0); })},
  };
  for (const Case& c : cases) {
    for (const int32_t width : {5, 6, 13, 200}) {
      Yuy2TestFrame frame(width, 3, &random);
      frame.SetWord(0, 0, 0);
      frame.SetWord(1, 0, Word(0, 0x20, 0x30, 0x40));
      frame.SetWord(0, 1, Word(0, 0, 5, 0));
      const std::vector<uint8_t> before = frame.Bytes();
      c.filter(frame.data(), width, 3);
      const int32_t handled = c.wholeGroups ? width / 4 * 2 : width / 2;
      for (int32_t r = 0; r < 3; ++r)
        for (int32_t i = 0; i < frame.stride / 4; ++i) {
          uint32_t w;
          std::memcpy(&w, before.data() + r * frame.stride + 4 * i, 4);
          bool carried = false;
          for (int k = 0; k < 4; ++k) {
            const int b = Byte(w, k);
            ASSERT_EQ(Byte(frame.Word(i, r), k), i < handled ? c.byte(b, k, carried) : b)
                << c.name << " width " << width << " word " << i << " " << std::hex << w;
            carried = carried || b != 0;
          }
        }
    }
  }
}

TEST(InterpolateUVFilter, OddRowsTakeTheAverageChroma) {
  std::mt19937 random(26);
  Yuy2TestFrame frame(4, 6, &random);
  const std::vector<uint8_t> before = frame.Bytes();
  auto old = [&](int32_t i, int32_t r, int k) { return before[r * frame.stride + 4 * i + k]; };
  InterpolateUV(frame.data(), 4, 6);
  for (int32_t r = 0; r < 6; ++r)
    for (int32_t i = 0; i < 2; ++i) {
      const bool between = r % 2 == 1 && r < 5;  // rows 1 and 3; row 5 has no row below
      for (int k = 0; k < 4; ++k) {
        const int want = between && k % 2 == 1 ? (old(i, r - 1, k) + old(i, r + 1, k)) / 2 : old(i, r, k);
        ASSERT_EQ(frame.Row(r)[4 * i + k], want) << r << " " << i << " " << k;
      }
    }
}

// Soften and Sharpen against an out-of-place computation from a copy of the
// unfiltered frame.
TEST(NeighbourFilters, FollowTheUnfilteredNeighbours) {
  std::mt19937 random(27);
  for (bool sharpen : {false, true}) {
    Yuy2TestFrame frame(19, 6, &random);
    const std::vector<uint8_t> before = frame.Bytes();
    auto y = [&](int32_t x, int32_t r) { return static_cast<int>(before[r * frame.stride + 2 * x]); };
    if (sharpen) Sharpen(frame.data(), 19, 6);
    else Soften(frame.data(), 19, 6);
    for (int32_t r = 0; r < 6; ++r)
      for (int32_t x = 0; x < 19; ++x) {
        int want = y(x, r);
        if (x < 18 && r < 5) {
          const int others = y(x + 1, r) + y(x, r + 1) + y(x + 1, r + 1);
          want = sharpen ? std::clamp(static_cast<int>(std::floor((5 * want - others) / 2.0)), 0, 255)
                         : (want + others) / 4;
        }
        ASSERT_EQ(frame.Luma(x, r), want) << (sharpen ? "sharpen " : "soften ") << x << "," << r;
        ASSERT_EQ(frame.Row(r)[2 * x + 1], before[r * frame.stride + 2 * x + 1]) << "chroma stays";
      }
  }
}

// --- the chain ---------------------------------------------------------------

// The step's context is read-only to the chain; the spy writes what it saw.
struct SubtitleSpy {
  mutable int calls = 0;
  mutable int32_t frameNumber = -1;
  mutable std::vector<uint8_t> seen;
  int32_t bytes = 0;
  static void Render(const void* context, uint8_t* frame, int32_t frameNumber) {
    const auto* spy = static_cast<const SubtitleSpy*>(context);
    ++spy->calls;
    spy->frameNumber = frameNumber;
    spy->seen.assign(frame, frame + spy->bytes);
  }
};

constexpr ColorBalance kNeutral = {50, 50, 50};

TEST(ApplyVideoFiltersChain, SubtitlesSitBetweenGeometryAndColourFilters) {
  std::mt19937 random(29);
  Yuy2TestFrame frame(8, 4, &random), expectSeen = frame;
  FlipVertical(expectSeen.data(), 8, 4);
  SubtitleSpy spy;
  spy.bytes = static_cast<int32_t>(frame.Bytes().size());
  VideoFilterFlags flags{};
  flags.flipVertical = 1;
  flags.negative = 1;
  flags.grayscale = 1;
  ApplyVideoFilters(flags, kNeutral, frame.data(), 8, 4, 1234, {SubtitleSpy::Render, &spy});
  EXPECT_EQ(spy.seen, expectSeen.Bytes()) << "flipped, not yet negated";
  EXPECT_EQ(spy.frameNumber, 1234);
  // Negative before Grayscale: the tint survives, the lumas are negated.
  for (int32_t r = 0; r < 4; ++r)
    for (int32_t i = 0; i < 4; ++i) {
      const uint32_t w = frame.Word(i, r), seen = expectSeen.Word(i, r);
      EXPECT_EQ(w, ((0u - seen) & 0x00FF00FFu) | 0x90007000u);
    }
  // With nothing on, only the subtitle step runs (when given).
  const std::vector<uint8_t> before = frame.Bytes();
  ApplyVideoFilters(VideoFilterFlags{}, kNeutral, frame.data(), 8, 4, 5, {SubtitleSpy::Render, &spy});
  EXPECT_EQ(frame.Bytes(), before);
  EXPECT_EQ(spy.calls, 2);
  ApplyVideoFilters(VideoFilterFlags{}, kNeutral, frame.data(), 8, 4, 6, SubtitleStep{});
  EXPECT_EQ(spy.calls, 2);
  EXPECT_EQ(frame.Bytes(), before);
}

TEST(ApplyVideoFiltersChain, GrayscaleSkipsInterpolateUVAndBalanceComesBeforeHistogram) {
  std::mt19937 random(30);
  Yuy2TestFrame frame(12, 6, &random), grayOnly = frame;
  VideoFilterFlags flags{};
  flags.interpolateUV = 1;
  flags.grayscale = 1;
  ApplyVideoFilters(flags, kNeutral, frame.data(), 12, 6, 0, SubtitleStep{});
  Grayscale(grayOnly.data(), 12, 6);
  EXPECT_EQ(frame.Bytes(), grayOnly.Bytes());

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
  const char* name;
  Filter fast;
  Filter reference;
};

Filter Balance(void (*f)(uint8_t*, int32_t, int32_t, const ColorBalance&), ColorBalance b) {
  return [f, b](uint8_t* frame, int32_t w, int32_t h) { f(frame, w, h, b); };
}

// Auto Level from a fixed smoothed state, so that both forms start alike.
Filter Leveled(void (*f)(uint8_t*, int32_t, int32_t, AutoLevelState*), AutoLevelState start) {
  return [f, start](uint8_t* frame, int32_t w, int32_t h) {
    AutoLevelState state = start;
    f(frame, w, h, &state);
  };
}

std::vector<FilterPair> AllFilters() {
  std::vector<FilterPair> filters = {
      {"FlipVertical", FlipVertical, reference::FlipVertical},
      {"FlipHorizontal", FlipHorizontal, reference::FlipHorizontal},
      {"DoubleContrast", DoubleContrast, reference::DoubleContrast},
      {"DoubleSaturation", DoubleSaturation, reference::DoubleSaturation},
      {"Negative", Negative, reference::Negative},
      {"Grayscale", Grayscale, reference::Grayscale},
      {"InterpolateUV", InterpolateUV, reference::InterpolateUV},
      {"Soften", Soften, reference::Soften},
      {"Sharpen", Sharpen, reference::Sharpen},
      {"FadeStep", FadeStep, reference::FadeStep},
      {"DrawHistogram", DrawHistogram, reference::DrawHistogram},
      {"AutoLevel fresh", Leveled(AutoLevel, {}), Leveled(reference::AutoLevel, {})},
      {"AutoLevel settled", Leveled(AutoLevel, {40, 200, true, true}),
       Leveled(reference::AutoLevel, {40, 200, true, true})},
  };
  for (ColorBalance b : {ColorBalance{100, 50, 50}, ColorBalance{0, 100, 100}, ColorBalance{37, 81, 12},
                         ColorBalance{50, 0, 50}, ColorBalance{73, 50, 0}}) {
    filters.push_back({"ApplyColorBalance", Balance(ApplyColorBalance, b),
                       Balance(reference::ApplyColorBalance, b)});
  }
  return filters;
}

// Random frames of awkward sizes (some 16,000 pixels, so that every byte
// value comes in every byte position of a word): the fast forms give the
// reference's bytes and write nothing outside the frame.
TEST(VideoFilters, FastFormsMatchReference) {
  std::mt19937 random(11);
  std::vector<FrameSize> sizes = AwkwardFrameSizes();
  sizes.push_back({1920, 4});
  for (const FilterPair& filter : AllFilters()) {
    for (const FrameSize& size : sizes) {
      ExpectFastFormMatches(
          static_cast<size_t>(Yuy2RowStride(size.width)) * size.height, &random,
          [&](uint8_t* frame) { filter.reference(frame, size.width, size.height); },
          [&](uint8_t* frame) { filter.fast(frame, size.width, size.height); },
          std::string(filter.name) + " " + std::to_string(size.width) + "x" + std::to_string(size.height));
    }
  }
}

// Auto Level, Sharpen, the colour balance and the fade step need MMX; the
// other filters run without it.
TEST(VideoFilters, MmxOnlyFiltersDoNothingWithoutMmx) {
  ScopedMmxFlag mmx(0);
  std::mt19937 random(13);
  for (const FilterPair& filter : AllFilters()) {
    const std::string name = filter.name;
    const bool needsMmx = name.rfind("AutoLevel", 0) == 0 || name == "Sharpen" ||
                          name == "ApplyColorBalance" || name == "FadeStep";
    for (const Filter& f : {filter.fast, filter.reference}) {
      Yuy2TestFrame frame(64, 8, &random);
      for (int32_t r = 0; r < 8; ++r)  // few distinct lumas, so that the histogram shows
        for (int32_t x = 0; x < 64; ++x) frame.Luma(x, r) &= 3;
      const std::vector<uint8_t> before = frame.Bytes();
      f(frame.data(), 64, 8);
      EXPECT_EQ(frame.Bytes() == before, needsMmx) << name;
    }
  }
  AutoLevelState state;
  Yuy2TestFrame frame(16, 2, &random);
  AutoLevel(frame.data(), 16, 2, &state);
  EXPECT_FALSE(state.minimumSet) << "the smoothing does not advance either";
}

}  // namespace
