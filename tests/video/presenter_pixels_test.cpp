// The presenter's pixel routines: YUY2 to RGB32, the resize of the plain
// drawing and the overlay packings, against their formulas and the fast
// forms against the reference forms; and its portable parts: the modes
// allowed by the options and the overlay rectangles.
#include "video/yuy2_to_rgb32.h"

#include "settings/options.h"
#include "tests/video/yuy2_test_frame.h"
#include "video/present_packing.h"
#include "video/resize_rows.h"
#include "video/video_presenter_modes.h"
#include "video/video_presenter_rects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

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

// Both qualities against their formulas at every level, on random frames of
// awkward sizes with padded pitches and on a frame of every table key (with
// random low bits that the key drops) and every U and V (so both saturation
// ends): the fast forms also give the reference's bytes and write nothing
// outside the picture; the reference leaves the odd last column alone.
TEST(Yuy2ToRgb32, EveryKeyAndEveryChromaFollowTheFormulasAtEveryLevel) {
  std::mt19937 random(1);
  std::vector<uint32_t> keys;
  for (uint32_t key = 0; key < YuvLookup::kEntries; ++key) {
    const int y = static_cast<int>(((key >> 5) & 63) << 2 | (random() & 3));
    keys.push_back(Word(y, (key & 31) << 3 | (random() & 7), 255 - y, ((key >> 11) & 31) << 3 | (random() & 7)));
  }
  std::vector<FrameSize> sizes = AwkwardFrameSizes();
  sizes.push_back({2 * 256, YuvLookup::kEntries / 256});  // every key, rows 1024 bytes apart
  YuvLookup table;
  for (const FrameSize& size : sizes) {
    const bool everyKey = &size == &sizes.back();
    const int32_t pitch = everyKey ? 1024 : (2 * size.width + 3) / 4 * 4 + 4 * static_cast<int32_t>(random() % 3);
    GuardedBuffer frame(static_cast<size_t>(pitch) * size.height, &random);
    if (everyKey) std::memcpy(frame.data(), keys.data(), keys.size() * 4);
    const size_t outBytes = static_cast<size_t>(size.width) * size.height * 4;
    for (const bool high : {false, true}) {
      const auto convert = [&](auto routine, uint8_t* out) {
        ASSERT_TRUE(routine(frame.data(), size.width, size.height, pitch, reinterpret_cast<uint32_t*>(out), high,
                            &table));
        for (int32_t r = 0; r < size.height; ++r)
          for (int32_t x = 0; x < size.width / 2 * 2; ++x) {
            const uint8_t* w = frame.data() + r * pitch + 4 * (x / 2);
            uint32_t got;
            std::memcpy(&got, out + (static_cast<size_t>(r) * size.width + x) * 4, 4);
            ASSERT_EQ(got, (high ? HighQualityRgb : LowQualityRgb)(w[2 * (x % 2)], w[1], w[3])) << r << " " << x;
          }
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

uint8_t Channel(uint32_t pixel, int c) { return static_cast<uint8_t>(pixel >> (8 * c)); }

// Bilinear by its arithmetic: row weights of 15 bits from the position's
// fraction, column weights from the step's, each colour byte times 4, and
// every product's high 16 bits; the fourth byte 0.
std::vector<uint8_t> Bilinear(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int32_t position,
                              int32_t step, int32_t count) {
  std::vector<uint8_t> out(count * 3 + 1, 0);
  const int wb = (position >> 1) & 0x7FFF, wa = 0x7FFF - wb;
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t p = static_cast<uint32_t>(i) * step, x = p >> 16;
    const int fx = (p >> 1) & 0x7FFF;
    for (int c = 0; c < 3; ++c) {
      const auto mix = [&](uint32_t k) { return (4 * Channel(a[k], c) * wa >> 16) + (4 * Channel(b[k], c) * wb >> 16); };
      out[3 * i + c] = static_cast<uint8_t>(std::min(255, (mix(x) * (0x7FFF - fx) >> 16) + (mix(x + 1) * fx >> 16)));
    }
  }
  return out;
}

// Bilinear against its arithmetic, and the fast forms of both resizes
// against the reference, over up- and downscaling steps as the presenter
// computes them, rows of every length around the vector widths, and row
// positions with a fraction and without (row B plays no part): every byte
// from the first to the spare byte, nothing behind it. White comes out as
// 254; without MMX bilinear writes nothing.
TEST(ResizeRows, BilinearFollowsItsArithmeticAndFastFormsMatchReference) {
  std::mt19937 random(6);
  const std::vector<uint32_t> white(20, 0xFFFFFF);
  std::vector<uint8_t> row(19 * 3 + 1, 0x55), whiteRow(19 * 3, 254);
  whiteRow.push_back(0);  // the fourth byte of the last pixel
  ResizeRowBilinear(white.data(), white.data(), 0, row.data(), 65536, 19);
  EXPECT_EQ(row, whiteRow);
  for (const int32_t source : {2, 3, 5, 8, 17, 64, 101, 333, 700, 1500}) {
    const std::vector<uint32_t> a = RandomPixels(source, &random), b = RandomPixels(source, &random);
    for (const int32_t output : {1, 2, 3, 4, 7, 9, 10, 11, 16, 18, 31, 37, 200, 250, 641, 1920}) {
      const int32_t step = (source * 65536 - 65536) / output;  // as the presenter computes it
      const std::string what = std::to_string(source) + " -> " + std::to_string(output);
      for (const int32_t position : {static_cast<int32_t>(random() & 0x3FFFFF), 0xFFFF, 5 << 16}) {
        ExpectFastFormMatches(
            output * 3 + 1, &random,
            [&](uint8_t* out) {
              reference::ResizeRowBilinear(a.data(), b.data(), position, out, step, output);
              ASSERT_EQ(FirstDifference({out, out + output * 3 + 1}, Bilinear(a, b, position, step, output)), -1);
            },
            [&](uint8_t* out) { ResizeRowBilinear(a.data(), b.data(), position, out, step, output); },
            "bilinear " + what + " at " + std::to_string(position));
      }
      ExpectFastFormMatches(
          output * 3 + 1, &random, [&](uint8_t* out) { reference::ResizeRowNearest(a.data(), out, step, output); },
          [&](uint8_t* out) { ResizeRowNearest(a.data(), out, step, output); }, "nearest " + what);
    }
  }
  ScopedMmxFlag noMmx(0);
  std::vector<uint8_t> untouched(8 * 3 + 1, 0x42);
  ResizeRowBilinear(white.data(), white.data(), 0, untouched.data(), 65536, 7);
  EXPECT_EQ(untouched, std::vector<uint8_t>(8 * 3 + 1, 0x42));
}

// The fast row forms against the reference at every length around the
// vector widths, at odd output addresses.
TEST(PresentPacking, FastFormsMatchReference) {
  std::mt19937 random(10);
  for (int32_t n = 0; n < 70; ++n) {
    const std::vector<uint32_t> pixels = RandomPixels(4 * n + 4, &random);
    GuardedBuffer yuy2(4 * n + 4, &random);
    // Written one byte into the buffer, to be off the vector alignment.
    ExpectFastFormMatches(
        4 * n + 1, &random, [&](uint8_t* out) { reference::PackRgb16Row(pixels.data(), out + 1, n); },
        [&](uint8_t* out) { PackRgb16Row(pixels.data(), out + 1, n); }, "rgb16 " + std::to_string(n));
    ExpectFastFormMatches(
        12 * n + 1, &random, [&](uint8_t* out) { reference::PackRgb24Row(pixels.data(), out + 1, n); },
        [&](uint8_t* out) { PackRgb24Row(pixels.data(), out + 1, n); }, "rgb24 " + std::to_string(n));
    ExpectFastFormMatches(
        4 * n + 1, &random, [&](uint8_t* out) { reference::PackUyvyRow(yuy2.data(), out + 1, n); },
        [&](uint8_t* out) { PackUyvyRow(yuy2.data(), out + 1, n); }, "uyvy " + std::to_string(n));
  }
}

// The source is the surface's part that shows: the destination is cut at the
// screen's edges, and the hidden parts are taken off the source divided by the
// stretch (in thousandths). Stretches outside the driver's limits and empty
// sources fail. (The presenter's tests place overlays with every alignment.)
TEST(OverlayRects, SourceDestinationAndSurfaceWidthOnAndOffTheScreen) {
  const uint32_t stretchCaps = kCapsOverlay | kCapsOverlayStretch;
  // A 320 x 240 surface on a 1024 x 768 screen, mostly doubled.
  struct Case {
    const char* name;
    OverlayCaps caps;
    LONG x, y;  // the client origin
    int32_t left, top, width, height;  // the video rectangle
    int32_t sourceWidth, sourceHeight;
    bool ok;
    RECT src, dst;  // not checked when both are empty
  } const cases[] = {
      // 100 / 2.000 and 60 / 2.000 hidden.
      {"off the left and top", {}, -100, -60, 0, 0, 640, 480, 320, 240, true, {50, 30, 320, 240},
       {0, 0, 540, 420}},
      // 516 and 212 pixels hidden: 258 and 106 surface pixels.
      {"past the right and bottom", {}, 900, 500, 0, 0, 640, 480, 320, 240, true, {0, 0, 62, 134},
       {900, 500, 1024, 768}},
      {"stretch 2.000 at the limit", {stretchCaps, 1000, 2000}, 0, 0, 0, 0, 640, 480, 320, 240, true, {}, {}},
      {"stretch 2.006 above it", {stretchCaps, 1000, 2000}, 0, 0, 0, 0, 642, 480, 320, 240, false, {}, {}},
      {"stretch 0.996 below it", {stretchCaps, 1000, 2000}, 0, 0, 0, 0, 319, 240, 320, 240, false, {}, {}},
      {"limits without DDCAPS_OVERLAYSTRETCH", {kCapsOverlay, 1000, 2000}, 0, 0, 0, 0, 319, 240, 320, 240,
       true, {}, {}},
      {"only one limit", {stretchCaps, 1000, 0}, 0, 0, 0, 0, 319, 240, 320, 240, true, {}, {}},
      {"no source columns", {}, 0, 0, 0, 0, 640, 480, 0, 240, false, {}, {}},
      {"no source rows", {}, 0, 0, 0, 0, 640, 480, 320, 0, false, {}, {}},
      // Destination -97 .. 553 at 2.031, cut to 0 .. 553 and widened to 560;
      // the source left, -97 x 1000 / 2031 = 47, is not aligned.
      {"destination aligned only", {kCapsAlignBoundaryDest, 0, 0, 4, 8, 8}, -100, 0, 3, 0, 650, 480, 320,
       240, true, {47, 0, 320, 240}, {0, 0, 560, 480}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // On a 1024 x 768 screen, a 320 x 240 surface.
    const OverlayPlacement p{POINT{c.x, c.y}, c.left, c.top, c.width, c.height, c.sourceWidth, c.sourceHeight,
                             320, 240, 1024, 768};
    RECT src, dst;
    ASSERT_EQ(ComputeOverlayRects(c.caps, p, &src, &dst), c.ok);
    if (c.src.right == 0 && c.dst.right == 0) continue;
    const auto corners = [](const RECT& r) { return std::vector<LONG>{r.left, r.top, r.right, r.bottom}; };
    EXPECT_EQ(corners(src), corners(c.src));
    EXPECT_EQ(corners(dst), corners(c.dst));
  }

  // Surfaces are sized in steps of dwAlignSizeDest (the presenter's tests)
  // only when there is a step.
  EXPECT_EQ(OverlaySurfaceWidth(OverlayCaps{kCapsAlignSizeSrc}, 321), 321);
}

TEST(PresentModes, AllowFlagsFromTheOutputOptions) {
  Options options;
  std::memset(&options, 0, sizeof options);
  EXPECT_EQ(PresenterAllowFlags(options), 1u);
  options.allowRgbHighColor = options.allowRgbTrueColor = options.allowYuy2Uyvy = 1;
  EXPECT_EQ(PresenterAllowFlags(options), 1u + 2u + 4u + 8u + 16u);
  options.denyOverlays = 1;  // "Allow Using Overlays" off
  EXPECT_EQ(PresenterAllowFlags(options), 1u);
  options.allowDoubleBuffering = 1;  // independent of the overlays
  EXPECT_EQ(PresenterAllowFlags(options), 1u + 64u);
  options.denyOverlays = 0;
  options.allowRgbHighColor = options.allowRgbTrueColor = 0;
  EXPECT_EQ(PresenterAllowFlags(options), 1u + 8u + 16u + 64u);
}

}  // namespace
