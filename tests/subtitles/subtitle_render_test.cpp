// The subtitle object's renderer with a rasteriser of boxes: when the band
// is drawn, where it lands in the frame, and which frames it leaves alone.
#include "subtitles/subtitle_layout.h"
#include "subtitles/subtitle_track.h"
#include "tests/subtitles/subtitle_test_support.h"
#include "video/yuy2_frame.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kWidth = 64, kHeight = 80, kFont = 12;
constexpr int32_t kBand = kFont * 9 / 2;        // 54 rows
constexpr int32_t kBandTop = kHeight - kBand;   // frame row of band row 0
constexpr uint32_t kGrey = 0x78646E64;          // Y 100, U 110, Y 100, V 120

// Every byte a box 4 pixels wide and one font height tall, in white.
class BoxRasterizer : public SubtitleRasterizer {
 public:
  int32_t FontHeight(const LOGFONTA&) override { return kFont; }
  uint8_t* CreateBand(int32_t, int32_t height, int32_t stride) override {
    ++bands;
    pixels.assign(static_cast<size_t>(height) * stride, 0);
    stride_ = stride;
    return pixels.data();
  }
  void DeleteBand() override { pixels.clear(); }
  void DrawLines(char* text, const LOGFONTA&, int32_t width, int32_t height, int32_t fontHeight) override {
    drawn.push_back(text);  // short enough never to wrap
    for (const SubtitleLine& line : PlaceSubtitleLines(text, width, height, fontHeight)) {
      const int32_t left = line.x - 2 * static_cast<int32_t>(line.length);
      for (int32_t y = std::max(line.y, 0); y < std::min(line.y + fontHeight, height); ++y)
        std::memset(pixels.data() + y * stride_ + 2 * left, 0xFF, 8 * line.length);
    }
  }
  int32_t bands = 0;
  std::vector<std::string> drawn;
  std::vector<uint8_t> pixels;
  int32_t stride_ = 0;
};

struct Fixture {
  Fixture() : rasterizer(new BoxRasterizer), track(std::unique_ptr<SubtitleRasterizer>(rasterizer)) {
    const std::string path = WriteWholeFile(ScratchPath("render.sub"), "{10}{20}AB\n{20}{30}CD EF\n");
    EXPECT_TRUE(track.LoadSubtitles(path.c_str(), 25, 1, kWidth, kHeight));
  }
  // A grey frame rendered at frameNumber.
  std::vector<uint8_t> Render(int32_t frameNumber, bool shadow = true, bool transparent = false) {
    std::vector<uint8_t> frame(static_cast<size_t>(Yuy2RowStride(kWidth)) * kHeight);
    for (size_t i = 0; i < frame.size(); i += 4) std::memcpy(&frame[i], &kGrey, 4);
    // In white: Y 255, U and V 128.
    track.RenderSubtitle(frame.data(), frameNumber, {LOGFONTA{}, 0xFFFFFF, transparent, shadow});
    return frame;
  }
  BoxRasterizer* rasterizer;
  SubtitleTrack track;
};

TEST(RenderSubtitle, DrawsEachTextOnceAndLeavesOtherFramesAlone) {
  Fixture f;
  const std::vector<uint8_t> grey = f.Render(5);  // no subtitle: untouched
  const struct { int32_t frame; bool shown; size_t draws; } steps[] = {
      {5, false, 0}, {10, true, 1}, {19, true, 1}, {20, true, 2}, {29, true, 2}, {30, false, 2}};
  for (const auto& s : steps) {
    const std::vector<uint8_t> frame = f.Render(s.frame);
    EXPECT_EQ(f.rasterizer->drawn.size(), s.draws) << s.frame;
    // Rows above the band never change; the band's rows change only while a subtitle shows.
    const size_t bandStart = static_cast<size_t>(kBandTop) * Yuy2RowStride(kWidth);
    EXPECT_TRUE(std::equal(grey.begin(), grey.begin() + bandStart, frame.begin())) << s.frame;
    EXPECT_EQ(frame != grey, s.shown) << s.frame;
  }
  EXPECT_EQ(f.rasterizer->drawn, (std::vector<std::string>{"AB", "CD EF"}));
  f.track.SetDirty(true);  // a new colour: drawn again
  f.Render(25);
  f.track.DropBand();      // a new font: a new band, drawn again
  f.Render(25);
  EXPECT_EQ(f.rasterizer->drawn.size(), 4u);
  EXPECT_EQ(f.rasterizer->bands, 2);
  f.track.UnloadSubtitles();
  EXPECT_EQ(f.Render(25), grey);
}

TEST(RenderSubtitle, TextOutlineAndShadowInTheFrame) {
  // "AB" is a box over band columns 28..35 and rows 36..47.
  const struct { int32_t x, bandRow; bool shadow, transparent; int want; } cases[] = {
      {30, 40, true, false, 255},  // text
      {27, 40, true, false, 31},   // outline left of it: an eighth of the luma
      {37, 48, true, false, 31},   // shadow two down and right
      {37, 48, false, false, 100}, // no shadow: untouched
      {10, 40, true, false, 100},  // nothing in the word
      {30, 40, true, true, 177},   // transparent: (100 + 255) / 2
  };
  for (const auto& c : cases) {
    Fixture f;
    const std::vector<uint8_t> frame = f.Render(12, c.shadow, c.transparent);
    EXPECT_EQ(frame[(kBandTop + c.bandRow) * Yuy2RowStride(kWidth) + 2 * c.x], c.want)
        << c.x << "," << c.bandRow << " shadow " << c.shadow << " transparent " << c.transparent;
  }
}

}  // namespace
