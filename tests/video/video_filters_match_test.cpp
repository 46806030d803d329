// Every in-place video filter: the fast forms give the reference's bytes on
// random frames of awkward sizes, and nothing is written outside the frame.

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

#include <functional>

namespace {

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

TEST(VideoFilters, FastFormsMatchReference) {
  ScopedMmxFlag mmx(1);
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

// Every byte value in every byte position of a word, through the filters that
// map bytes one by one.
TEST(VideoFilters, PointFiltersMatchReferenceForEveryByte) {
  ScopedMmxFlag mmx(1);
  std::mt19937 random(12);
  const int32_t width = 2 * 256, height = 4;
  for (const FilterPair& filter : AllFilters()) {
    Yuy2TestFrame want(width, height, &random);
    for (int32_t r = 0; r < height; ++r)
      for (int32_t i = 0; i < width / 2; ++i) {
        const uint32_t b = static_cast<uint32_t>(i);
        want.SetWord(i, r, r % 2 ? b * 0x01010101u : b | (255 - b) << 8 | ((b + 85) & 255) << 16 | ((b * 7) & 255) << 24);
      }
    const std::vector<uint8_t> original = want.Bytes();
    filter.reference(want.data(), width, height);
    for (VectorLevel level : VectorLevelsToTest()) {
      ScopedVectorLevelCap cap(level);
      Yuy2TestFrame got(width, height, &random);
      std::memcpy(got.data(), original.data(), original.size());
      filter.fast(got.data(), width, height);
      ASSERT_EQ(FirstDifference(got.Bytes(), want.Bytes()), -1) << filter.name << " " << LevelName(level);
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
