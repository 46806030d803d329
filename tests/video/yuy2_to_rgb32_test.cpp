#include "video/yuy2_to_rgb32.h"

#include "tests/video/yuy2_test_frame.h"

#include <gtest/gtest.h>


namespace {

uint32_t Rgb(int r, int g, int b) { return static_cast<uint32_t>((r << 16) | (g << 8) | b); }

// Converts one word (a 2 x 1 frame) with the public routine; out keeps its
// content when the conversion fails.
bool ConvertOne(uint32_t word, bool highQuality, YuvLookup* table, uint32_t (&out)[2]) {
  return ConvertYuy2ToRgb32(reinterpret_cast<const uint8_t*>(&word), 2, 1, 4, out, highQuality, table);
}

// The worked colours of both qualities, the table's lifetime, and high
// quality refusing to run without MMX.
TEST(Yuy2ToRgb32, WorkedColoursTableAndMmx) {
  EXPECT_EQ(YuvLookupEntry((128 >> 3) << 11 | (0 >> 2) << 5 | (128 >> 3)), Rgb(0, 0, 0));
  EXPECT_EQ(YuvLookupEntry((128 >> 3) << 11 | (128 >> 2) << 5 | (128 >> 3)), Rgb(129, 120, 129));
  YuvLookup table;
  uint32_t out[2];
  ASSERT_TRUE(ConvertOne(Word(255, 128, 0, 128), true, &table, out));
  EXPECT_EQ(out[0], 0xFFFFFFu);
  EXPECT_EQ(out[1], 0u);
  EXPECT_FALSE(table.IsBuilt()) << "high quality needs no table";
  ASSERT_TRUE(ConvertOne(Word(255, 128, 0, 128), false, &table, out));
  EXPECT_EQ(out[0], Rgb(254, 246, 254));
  EXPECT_EQ(out[1], Rgb(0, 0, 0));
  const uint32_t* built = table.Entries();
  ASSERT_TRUE(ConvertOne(Word(16, 128, 235, 128), false, &table, out));
  EXPECT_EQ(table.Entries(), built) << "kept between frames";
  table.Free();
  EXPECT_TRUE(ConvertYuy2ToRgb32(reinterpret_cast<const uint8_t*>(out), 1, 1, 4, out, false, &table));
  EXPECT_FALSE(table.IsBuilt()) << "an empty frame builds nothing";

  ScopedMmxFlag noMmx(0);
  out[0] = 0x123456;
  EXPECT_FALSE(ConvertOne(Word(200, 90, 30, 160), true, &table, out));
  EXPECT_EQ(out[0], 0x123456u);
  EXPECT_TRUE(ConvertOne(Word(200, 90, 30, 160), false, &table, out)) << "low quality needs no MMX";
  EXPECT_EQ(out[0], YuvLookupEntry((160 >> 3) << 11 | (200 >> 2) << 5 | (90 >> 3)));
}

// Every table key, against the key formula and the shifts of the source word:
// each word is built from a key with random low bits that the key drops.
TEST(Yuy2ToRgb32, LowQualityMatchesTableForEveryKey) {
  std::mt19937 random(1);
  std::vector<uint32_t> words(YuvLookup::kEntries);
  for (uint32_t key = 0; key < YuvLookup::kEntries; ++key) {
    const int u = static_cast<int>((key & 31) << 3 | (random() & 7));
    const int y = static_cast<int>(((key >> 5) & 63) << 2 | (random() & 3));
    const int v = static_cast<int>(((key >> 11) & 31) << 3 | (random() & 7));
    words[key] = Word(y, u, 255 - y, v);
  }
  const int32_t width = 2 * 256, height = YuvLookup::kEntries / 256;
  std::vector<uint32_t> out(width * height);
  YuvLookup table;
  std::vector<VectorLevel> levels = VectorLevelsToTest();
  levels.insert(levels.begin(), VectorLevel::kScalar);
  for (VectorLevel level : levels) {
    ScopedVectorLevelCap cap(level);
    ASSERT_TRUE(ConvertYuy2ToRgb32(reinterpret_cast<const uint8_t*>(words.data()), width, height,
                                   width * 2, out.data(), false, &table));
    for (uint32_t key = 0; key < YuvLookup::kEntries; ++key) {
      const uint32_t w = words[key];
      const uint32_t key1 = (w >> 27) << 11 | (((w >> 16) & 0xFF) >> 2) << 5 | ((w >> 11) & 31);
      ASSERT_EQ(out[2 * key], YuvLookupEntry(key)) << "level " << static_cast<int>(level) << " key " << key;
      ASSERT_EQ(out[2 * key + 1], YuvLookupEntry(key1)) << "level " << static_cast<int>(level) << " key " << key;
    }
  }
}

// High quality against floating-point BT.601 full range (R = Y + 1.402 v,
// G = Y - 0.344 u - 0.714 v, B = Y + 1.772 u), over every u and v and so both
// saturation ends: the per-term flooring keeps every channel at most two and
// a half steps below, never half a step above.
TEST(Yuy2ToRgb32, HighQualityFollowsFloatingPoint) {
  std::vector<uint32_t> words;
  for (int u = 0; u < 256; ++u)
    for (int v = 0; v < 256; ++v) words.push_back(Word((u * 7 + v) & 255, u, (u + v * 3) & 255, v));
  const int32_t width = 2 * 256, height = 256;
  std::vector<uint32_t> out(width * height);
  YuvLookup table;
  ASSERT_TRUE(ConvertYuy2ToRgb32(reinterpret_cast<const uint8_t*>(words.data()), width, height,
                                 width * 2, out.data(), true, &table));
  for (size_t i = 0; i < words.size(); ++i) {
    const uint32_t w = words[i];
    const double u = ((w >> 8) & 0xFF) - 128.0, v = (w >> 24) - 128.0;
    for (int k = 0; k < 2; ++k) {
      const double y = (w >> (16 * k)) & 0xFF;
      const double want[3] = {y + 1.402 * v, y - 0.344136 * u - 0.714136 * v, y + 1.772 * u};
      const uint32_t got = out[2 * i + k];
      const int have[3] = {static_cast<int>(got >> 16), static_cast<int>((got >> 8) & 0xFF),
                           static_cast<int>(got & 0xFF)};
      for (int c = 0; c < 3; ++c) {
        const double clamped = std::min(255.0, std::max(0.0, want[c]));
        ASSERT_LE(have[c], clamped + 0.5) << "word " << i << " channel " << c;
        ASSERT_GE(have[c], clamped - 2.5) << "word " << i << " channel " << c;
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
        ASSERT_TRUE(routine(frame.data(), size.width, size.height, pitch,
                            reinterpret_cast<uint32_t*>(out), high, &table));
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
          [&](uint8_t* out) { convert(ConvertYuy2ToRgb32, out); },
          std::to_string(size.width) + "x" + std::to_string(size.height) + (high ? " high" : " low"));
    }
  }
}

}  // namespace
