#include "video/picture_to_yuy2.h"

#include "tests/video/pixel_test_support.h"
#include "video/yuy2_frame.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t k555[3] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t k565[3] = {0xF800, 0x07E0, 0x001F};

PictureLayout Layout(PictureForm form, int32_t width, int32_t biHeight, const uint32_t* masks = nullptr) {
  PictureLayout layout;
  layout.form = form;
  layout.width = width;
  layout.biHeight = biHeight;
  for (int i = 0; masks != nullptr && i < 3; ++i) layout.masks[i] = masks[i];
  return layout;
}

// A picture of 8-bit colours (0x00RRGGBB) written in one RGB form, rows
// padded to 4 bytes, bottom-up when biHeight > 0: the inverse of what the
// conversion reads, written independently of it.
std::vector<uint8_t> Encode(const PictureLayout& layout, const std::vector<uint32_t>& colours,
                            const std::vector<uint32_t>& palette) {
  const int32_t width = layout.width, height = std::abs(layout.biHeight);
  std::vector<uint8_t> bytes(PictureLayoutBytes(layout));
  const size_t stride = bytes.size() / height;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bytes.data() + stride * (layout.biHeight > 0 ? height - 1 - y : y);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t c = colours[y * width + x];
      const uint32_t b = c & 0xFF, g = (c >> 8) & 0xFF, r = c >> 16;
      const uint32_t index = static_cast<uint32_t>(std::find(palette.begin(), palette.end(), c) - palette.begin());
      uint32_t word = 0;
      switch (layout.form) {
        case PictureForm::kRgb24: std::memcpy(row + 3 * x, &c, 3); break;
        case PictureForm::kRgb32: word = c | 0xAB000000; std::memcpy(row + 4 * x, &word, 4); break;
        case PictureForm::kBitfields32:  // R, G, B from the low byte up
          word = r | g << 8 | b << 16 | 0xCD000000;
          std::memcpy(row + 4 * x, &word, 4);
          break;
        case PictureForm::kRgb555:
        case PictureForm::kBitfields16:
          word = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
          std::memcpy(row + 2 * x, &word, 2);
          break;
        case PictureForm::kRgb565:
          word = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
          std::memcpy(row + 2 * x, &word, 2);
          break;
        case PictureForm::kPalette8: row[x] = static_cast<uint8_t>(index); break;
        case PictureForm::kPalette4: row[x / 2] |= static_cast<uint8_t>(index << (x % 2 ? 0 : 4)); break;
        case PictureForm::kPalette1: row[x / 8] |= static_cast<uint8_t>(index << (7 - x % 8)); break;
        default: break;
      }
    }
  }
  return bytes;
}

// v of `bits` bits as 8, its top bits repeated below.
uint32_t Widen(uint32_t v, int bits) { return (v << (8 - bits)) | (v >> (2 * bits - 8)); }

}  // namespace

// The same picture in every RGB form, top-down and bottom-up, converts to
// the RGB24 conversion of its 8-bit colours, in both qualities: colours of
// 5-bit (6-bit green) fields are those fields widened by repeating their top
// bits (0 stays 0, 31 becomes 255), palettes give their entries.
TEST(PictureToYuy2, EveryRgbFormOfAPictureConvertsAsItsRgb24) {
  struct Case {
    PictureForm form;
    const uint32_t* masks;
    int colours;  // palette size, 0 for none
    int greenBits;
  };
  const uint32_t rgbBytes[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};
  const Case cases[] = {{PictureForm::kRgb32, nullptr, 0, 8},     {PictureForm::kBitfields32, rgbBytes, 0, 8},
                        {PictureForm::kRgb555, nullptr, 0, 5},    {PictureForm::kBitfields16, k555, 0, 5},
                        {PictureForm::kRgb565, nullptr, 0, 6},    {PictureForm::kPalette8, nullptr, 256, 8},
                        {PictureForm::kPalette4, nullptr, 16, 8}, {PictureForm::kPalette1, nullptr, 2, 8}};
  std::mt19937 random(26);
  Rgb555ToYuy2Table table;
  const int32_t width = 75, height = 9;
  for (const Case& c : cases) {
    std::vector<uint32_t> palette;
    for (int i = 0; i < c.colours; ++i) palette.push_back(random() & 0xFFFFFF);
    std::vector<uint32_t> colours(width * height);
    for (uint32_t& colour : colours) {
      colour = c.colours ? palette[random() % c.colours] : random() & 0xFFFFFF;
      if (c.greenBits < 8) {
        colour = Widen(colour & 31, 5) | Widen((colour >> 8) & ((1 << c.greenBits) - 1), c.greenBits) << 8 |
                 Widen((colour >> 16) & 31, 5) << 16;
      }
    }
    palette.resize(256, 0xFF0000);
    for (const int32_t biHeight : {-height, height}) {
      for (const bool high : {true, false}) {
        const std::vector<uint8_t> rgb24 = Encode(Layout(PictureForm::kRgb24, width, -height), colours, {});
        std::vector<uint8_t> expected(Yuy2RowStride(width) * height), got(expected.size());
        ASSERT_TRUE(reference::ConvertRgb24ToYuy2(rgb24.data(), expected.data(), width, -height, high, &table));
        const PictureLayout layout = Layout(c.form, width, biHeight, c.masks);
        const std::vector<uint8_t> source = Encode(layout, colours, palette);
        ASSERT_TRUE(reference::ConvertPictureToYuy2(layout, source.data(), palette.data(), got.data(), high, &table));
        EXPECT_EQ(FirstDifference(got, expected), -1)
            << "form " << static_cast<int>(c.form) << " height " << biHeight << (high ? " high" : " low");
      }
    }
  }
}

// YUV forms on worked bytes: pairs reordered; a planar row takes its chroma
// row's column k for pair k, each chroma row serving two rows.
TEST(PictureToYuy2, YuvFormsAreRepacked) {
  Rgb555ToYuy2Table table;
  const std::vector<uint8_t> uyvy = {1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<uint8_t> planes = {10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33,  // Y, 4 x 3
                                       40, 41, 42, 43,                                  // first chroma, 2 x 2
                                       50, 51, 52, 53};                                 // second chroma
  struct Case {
    PictureForm form;
    int32_t width, height;
    const std::vector<uint8_t>* source;
    std::vector<uint8_t> yuy2;
  };
  const Case cases[] = {
      {PictureForm::kUyvy, 4, 1, &uyvy, {2, 1, 4, 3, 6, 5, 8, 7}},
      {PictureForm::kYvyu, 4, 1, &uyvy, {1, 4, 3, 2, 5, 8, 7, 6}},
      {PictureForm::kYuy2, 4, 1, &uyvy, {1, 2, 3, 4, 5, 6, 7, 8}},
      {PictureForm::kI420, 4, 3, &planes, {10, 40, 11, 50, 12, 41, 13, 51, 20, 40, 21, 50, 22, 41, 23, 51,
                                           30, 42, 31, 52, 32, 43, 33, 53}},
      {PictureForm::kYv12, 4, 3, &planes, {10, 50, 11, 40, 12, 51, 13, 41, 20, 50, 21, 40, 22, 51, 23, 41,
                                           30, 52, 31, 42, 32, 53, 33, 43}},
  };
  for (const Case& c : cases) {
    const PictureLayout layout = Layout(c.form, c.width, c.height);
    EXPECT_EQ(PictureLayoutBytes(layout), c.source->size()) << static_cast<int>(c.form);
    for (const bool fast : {false, true}) {
      std::vector<uint8_t> out(c.yuy2.size());
      if (fast) ConvertPictureToYuy2(layout, c.source->data(), nullptr, out.data(), true, &table);
      else reference::ConvertPictureToYuy2(layout, c.source->data(), nullptr, out.data(), true, &table);
      EXPECT_EQ(out, c.yuy2) << static_cast<int>(c.form) << (fast ? " fast" : "");
    }
  }
}

// Rows padded to 4 bytes by their bits (a 9-pixel 4-bit row takes 8 bytes,
// a 10-pixel 1-bit row 4, a 321-pixel RGB24 row 964); unpadded planes with
// chroma of the rounded-up half size.
TEST(PictureToYuy2, PictureBytes) {
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kPalette4, 9, 2)), 16u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kPalette1, 10, -3)), 12u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kRgb24, 321, 2)), 1928u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kRgb555, 3, 1)), 8u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kUyvy, 3, 1)), 8u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kI420, 5, 3)), 27u);
  EXPECT_EQ(PictureLayoutBytes(Layout(PictureForm::kRgb32, 0, 3)), 0u);
}

// Every form, at every vector level, gives the reference's bytes on random
// pictures of awkward sizes, in both qualities and row orders, with masks of
// other widths (4-4-4 and 10-10-10) among the bitfields.
TEST(PictureToYuy2, FastFormsMatchReference) {
  const uint32_t masks444[3] = {0x0F00, 0x00F0, 0x000F};
  const uint32_t masks10[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};
  struct Case {
    PictureForm form;
    const uint32_t* masks;
  };
  const Case cases[] = {{PictureForm::kRgb24, nullptr},      {PictureForm::kRgb32, nullptr},
                        {PictureForm::kRgb555, nullptr},     {PictureForm::kRgb565, nullptr},
                        {PictureForm::kBitfields16, masks444}, {PictureForm::kBitfields32, masks10},
                        {PictureForm::kPalette8, nullptr},   {PictureForm::kPalette4, nullptr},
                        {PictureForm::kPalette1, nullptr},   {PictureForm::kUyvy, nullptr},
                        {PictureForm::kYvyu, nullptr},       {PictureForm::kYuy2, nullptr},
                        {PictureForm::kI420, nullptr},       {PictureForm::kYv12, nullptr}};
  std::mt19937 random(27);
  Rgb555ToYuy2Table table;
  std::vector<uint32_t> palette(256);
  for (uint32_t& entry : palette) entry = random();
  for (const Case& c : cases) {
    for (const FrameSize& size : AwkwardFrameSizes()) {
      for (const int32_t biHeight : {-size.height, size.height}) {
        const PictureLayout layout = Layout(c.form, size.width, biHeight, c.masks);
        GuardedBuffer source(PictureLayoutBytes(layout), &random);
        for (const bool high : {true, false}) {
          ExpectFastFormMatches(
              Yuy2RowStride(size.width) * size.height, &random,
              [&](uint8_t* out) { reference::ConvertPictureToYuy2(layout, source.data(), palette.data(), out, high, &table); },
              [&](uint8_t* out) { ConvertPictureToYuy2(layout, source.data(), palette.data(), out, high, &table); },
              "form " + std::to_string(static_cast<int>(c.form)) + " " + std::to_string(size.width) + "x" +
                  std::to_string(biHeight) + (high ? " high" : " low"));
        }
      }
    }
  }
}
