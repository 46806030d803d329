#include "video/yuy2_to_rgb32.h"

#include "tests/video/yuy2_test_frame.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

uint32_t Rgb(int r, int g, int b) { return static_cast<uint32_t>((r << 16) | (g << 8) | b); }

// Converts one word (a 2 x 1 frame) with the public routine; out keeps its
// content when the conversion fails.
bool ConvertOne(uint32_t word, bool highQuality, YuvLookup* table, uint32_t (&out)[2]) {
  return ConvertYuy2ToRgb32(reinterpret_cast<const uint8_t*>(&word), 2, 1, 4, out, highQuality, table);
}

// "High Quality (MMX)" of a pixel: each chroma term floor(c (chroma - 128) / 256).
uint32_t HighQualityRgb(int y, int cb, int cr) {
  const auto term = [](int c, int chroma) { return static_cast<int>(std::floor(c * (chroma - 128) / 256.0)); };
  const auto sat = [](int x) { return std::min(std::max(x, 0), 255); };
  return Rgb(sat(y + term(359, cr)), sat(y + term(-88, cb) + term(-183, cr)), sat(y + term(454, cb)));
}

// A worked colour, the table's lifetime (built for low quality only, kept
// between frames, not built for an empty frame), and high quality refusing
// to run without MMX.
TEST(Yuy2ToRgb32, WorkedColourTableAndMmx) {
  YuvLookup table;
  uint32_t out[2];
  ASSERT_TRUE(ConvertOne(Word(255, 128, 0, 128), true, &table, out));
  EXPECT_FALSE(table.IsBuilt()) << "high quality needs no table";
  ASSERT_TRUE(ConvertOne(Word(255, 128, 0, 128), false, &table, out));
  EXPECT_EQ(out[0], Rgb(254, 246, 254));  // y is 252; the -2199 term lowers green
  const uint32_t* built = table.Entries();
  ASSERT_TRUE(ConvertOne(Word(128, 128, 128, 128), false, &table, out));
  EXPECT_EQ(table.Entries(), built) << "kept between frames";
  table.Free();
  EXPECT_TRUE(ConvertYuy2ToRgb32(reinterpret_cast<const uint8_t*>(out), 1, 1, 4, out, false, &table));
  EXPECT_FALSE(table.IsBuilt()) << "an empty frame builds nothing";

  ScopedMmxFlag noMmx(0);
  out[0] = 0x123456;
  EXPECT_FALSE(ConvertOne(Word(200, 90, 30, 160), true, &table, out));
  EXPECT_EQ(out[0], 0x123456u);
  EXPECT_TRUE(ConvertOne(Word(200, 90, 30, 160), false, &table, out)) << "low quality needs no MMX";
  EXPECT_EQ(out[0], LowQualityRgb(200, 90, 160));
}

// Both qualities, at every level, against their formulas: low quality for
// every table key (with random low bits that the key drops), high quality
// for every U and V (so both saturation ends).
TEST(Yuy2ToRgb32, EveryKeyAndEveryChromaFollowTheFormulas) {
  std::mt19937 random(1);
  std::vector<uint32_t> words;
  for (uint32_t key = 0; key < YuvLookup::kEntries; ++key) {
    const int y = static_cast<int>(((key >> 5) & 63) << 2 | (random() & 3));
    words.push_back(Word(y, (key & 31) << 3 | (random() & 7), 255 - y, ((key >> 11) & 31) << 3 | (random() & 7)));
  }
  const int32_t width = 2 * 256, height = YuvLookup::kEntries / 256;
  std::vector<uint32_t> out(width * height);
  YuvLookup table;
  for (const bool high : {false, true}) {
    for (VectorLevel level : VectorLevelsToTest(true)) {
      ScopedVectorLevelCap cap(level);
      ASSERT_TRUE(ConvertYuy2ToRgb32(reinterpret_cast<const uint8_t*>(words.data()), width, height, width * 2,
                                     out.data(), high, &table));
      for (size_t i = 0; i < words.size(); ++i) {
        const int y0 = words[i] & 0xFF, u = (words[i] >> 8) & 0xFF, y1 = (words[i] >> 16) & 0xFF, v = words[i] >> 24;
        const auto want = high ? HighQualityRgb : LowQualityRgb;
        ASSERT_EQ(out[2 * i], want(y0, u, v)) << "level " << static_cast<int>(level) << " word " << i << high;
        ASSERT_EQ(out[2 * i + 1], want(y1, u, v)) << "level " << static_cast<int>(level) << " word " << i << high;
      }
    }
  }
}

// The fast forms against the reference on random frames of awkward sizes,
// with padded pitches; the reference leaves the odd last column alone.
TEST(Yuy2ToRgb32, FastFormsMatchReference) {
  std::mt19937 random(2);
  YuvLookup table;
  for (const FrameSize& size : AwkwardFrameSizes()) {
    const int32_t pitch = (2 * size.width + 3) / 4 * 4 + 4 * static_cast<int32_t>(random() % 3);
    GuardedBuffer frame(static_cast<size_t>(pitch) * size.height, &random);
    const size_t outBytes = static_cast<size_t>(size.width) * size.height * 4;
    for (bool high : {false, true}) {
      const auto convert = [&](auto routine, uint8_t* out) {
        ASSERT_TRUE(routine(frame.data(), size.width, size.height, pitch, reinterpret_cast<uint32_t*>(out), high,
                            &table));
      };
      ExpectFastFormMatches(
          outBytes, &random,
          [&](uint8_t* out) {
            const std::vector<uint8_t> before(out, out + outBytes);
            convert(reference::ConvertYuy2ToRgb32, out);
            for (int32_t r = 0; size.width % 2 == 1 && r < size.height; ++r) {
              const size_t last = (static_cast<size_t>(r) * size.width + size.width - 1) * 4;
              ASSERT_EQ(0, std::memcmp(out + last, before.data() + last, 4)) << "row " << r;
            }
          },
          [&](uint8_t* out) { convert(ConvertYuy2ToRgb32, out); }, SizeName(size) + (high ? " high" : " low"));
    }
  }
}

}  // namespace
