// The subtitle band drawn by GDI with the fonts Wine has, against the text
// it should show drawn on its own with ExtTextOutW in the same font: every
// text pixel of the picture must be one of the reference's and the other way
// round, so that a tag left in, a wrong letter, a missing style or a line in
// the wrong place shows as a difference. And the outline closes round every
// glyph.
#include "settings/options.h"
#include "subtitles/gdi_subtitle_rasterizer.h"
#include "subtitles/subtitle_pixels.h"
#include "subtitles/subtitle_track.h"
#include "tests/subtitles/subtitle_test_support.h"
#include "video/yuy2_frame.h"

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

namespace {

constexpr int32_t kWidth = 320, kHeight = 240;
constexpr uint8_t kPlain = 0, kItalic = 1, kBold = 2, kUnderline = 4, kStrikeOut = 8;
constexpr uint8_t kWestern = 0, kCyrillic = 204;

using Pixels = std::set<std::pair<int32_t, int32_t>>;  // (x, y) in the frame

struct Run { std::wstring text; uint8_t style; };
using Line = std::vector<Run>;

// The options' font, of normal weight so that bold shows, in a character set.
LOGFONTA TestFont(uint8_t charSet) {
  Options options;
  SetDefaultOptions(&options);
  LOGFONTA font = options.subtitleFont;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = charSet;
  return font;
}

struct Rendered {
  std::vector<uint8_t> frame;
  int32_t fontHeight = 0, bandHeight = 0;
  uint8_t Luma(int32_t x, int32_t y) const { return frame[static_cast<size_t>(y) * Yuy2RowStride(kWidth) + 2 * x]; }
};

// The file (shown over frames 0 .. 24) drawn into a grey frame at frame 12.
Rendered Render(const std::string& name, const std::string& file, const LOGFONTA& font) {
  const std::string path = WriteWholeFile(ScratchPath(name), file);
  SubtitleTrack track(std::make_unique<GdiSubtitleRasterizer>());
  Rendered r;
  r.frame.resize(static_cast<size_t>(Yuy2RowStride(kWidth)) * kHeight);
  for (size_t i = 0; i < r.frame.size(); ++i) r.frame[i] = i % 2 == 0 ? 100 : 128;  // grey
  EXPECT_TRUE(track.LoadSubtitles(path.c_str(), 25, 1, kWidth, kHeight, font.lfCharSet)) << name;
  track.RenderSubtitle(r.frame.data(), 12, {font, 0x0000FFFF, false, false});
  r.fontHeight = track.FontHeight();
  r.bandHeight = track.BandHeight();
  return r;
}

HFONT Variant(LOGFONTA font, uint8_t style) {
  if (style & kBold) font.lfWeight = std::max<LONG>(font.lfWeight, FW_BOLD);
  font.lfItalic = (style & kItalic) != 0;
  font.lfUnderline = (style & kUnderline) != 0;
  font.lfStrikeOut = (style & kStrikeOut) != 0;
  font.lfQuality = NONANTIALIASED_QUALITY;
  return CreateFontIndirectA(&font);
}

// The lines drawn in white into a band of the rendered size: centred, line k
// of n with its top at band - (n - k + 1) x font - font / 2, or at the top
// at font / 2 + (k - 1) x font; a line of several runs drawn run after run
// from the current position. Returns the pixels with bit 0 set, in frame
// coordinates.
Pixels Reference(const std::vector<Line>& lines, const LOGFONTA& font, const Rendered& r, bool top) {
  BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), kWidth, -r.bandHeight, 1, 16, BI_RGB, 0, 0, 0, 0, 0}, {}};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  const int32_t n = static_cast<int32_t>(lines.size()), f = r.fontHeight;
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t y = top ? f / 2 + (k - 1) * f : r.bandHeight - (n - k + 1) * f - f / 2;
    std::vector<HFONT> fonts;
    SIZE size = {}, line = {};
    for (const Run& run : lines[k - 1]) {
      fonts.push_back(Variant(font, run.style));
      SelectObject(dc, fonts.back());
      GetTextExtentPoint32W(dc, run.text.data(), static_cast<int>(run.text.size()), &size);
      line.cx += size.cx;
    }
    SetTextAlign(dc, fonts.size() == 1 ? TA_CENTER | TA_TOP : TA_LEFT | TA_TOP | TA_UPDATECP);
    MoveToEx(dc, kWidth / 2 - line.cx / 2, y, nullptr);
    for (size_t i = 0; i < fonts.size(); ++i) {
      SelectObject(dc, fonts[i]);
      const std::wstring& text = lines[k - 1][i].text;
      ExtTextOutW(dc, kWidth / 2, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    }
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    for (HFONT each : fonts) DeleteObject(each);
  }
  GdiFlush();
  Pixels drawn;
  for (int32_t y = 0; y < r.bandHeight; ++y) {
    const uint16_t* row = reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(bits) + y * Yuy2RowStride(kWidth));
    for (int32_t x = 0; x < kWidth; ++x)
      if ((row[x] & 1) != 0) drawn.insert({x, (top ? 0 : kHeight - r.bandHeight) + y});
  }
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return drawn;
}

std::string Srt(const std::string& text) { return "1\r\n00:00:00,000 --> 00:00:01,000\r\n" + text + "\r\n"; }

TEST(GdiSubtitleBand, DrawsTheTextItShouldShowAndAnOutlineRoundIt) {
  const uint8_t yellow = ColorToYuy2(0x0000FFFF) & 0xFF;
  const struct {
    const char* what;
    std::string name, file;
    uint8_t charSet;
    std::vector<Line> lines;
    bool top;
  } cases[] = {
      {"UTF-8 without a byte order mark", "utf8.srt", Srt(u8"Café crème\r\nПривет, мир"), kCyrillic,
       {{{L"Café crème", kPlain}}, {{L"Привет, мир", kPlain}}}, false},
      {"Windows-1252 in the default Cyrillic font", "cp1252.sub", "{0}{25}Caf\xE9 cr\xE8me\r\n", kCyrillic,
       {{{L"Café crème", kPlain}}}, false},
      {"Windows-1251 in a Cyrillic font", "cp1251.sub", "{0}{25}\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r\n", kCyrillic,
       {{{L"Привет, мир", kPlain}}}, false},
      {"italic", "italic.srt", Srt("<i>Italic line</i>"), kWestern, {{{L"Italic line", kItalic}}}, false},
      {"bold across the lines of a block", "bold.srt", Srt("<b>Bold\r\nlines</b>"), kWestern,
       {{{L"Bold", kBold}}, {{L"lines", kBold}}}, false},
      {"underlined, struck out", "lines.srt", Srt("<u>Under</u>\r\n<s>Struck</s>"), kWestern,
       {{{L"Under", kUnderline}}, {{L"Struck", kStrikeOut}}}, false},
      {"styles within a line", "mixed.srt", Srt("plain <i>italic</i> <b>bold</b>"), kWestern,
       {{{L"plain ", kPlain}, {L"italic", kItalic}, {L" ", kPlain}, {L"bold", kBold}}}, false},
      {"tags removed, at the top", "top.srt", Srt("{\\an8}<font color=\"#ffff00\">At the top</font>"), kWestern,
       {{{L"At the top", kPlain}}}, true},
      {"SubStation Alpha", "events.ass",
       "[Events]\r\nDialogue: 0,0:00:00.00,0:00:01.00,,,0,0,0,,{\\i1}Italic{\\i0}\\Nplain\r\n", kWestern,
       {{{L"Italic", kItalic}}, {{L"plain", kPlain}}}, false},
      {"a line wider than the frame wraps at its middle blank", "wide.srt",
       Srt("This subtitle line is much wider than the small frame it goes into"), kWestern,
       {{{L"This subtitle line is much wider", kPlain}}, {{L"than the small frame it goes into", kPlain}}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const LOGFONTA font = TestFont(c.charSet);
    const Rendered r = Render(c.name, c.file, font);
    ASSERT_GT(r.bandHeight, 0);
    const Pixels want = Reference(c.lines, font, r, c.top);
    ASSERT_GT(want.size(), 50u) << "no glyphs drawn with the fonts at hand";
    Pixels text;
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x)
        if (r.Luma(x, y) == yellow) text.insert({x, y});
    EXPECT_TRUE(text == want) << text.size() << " text pixels drawn, " << want.size() << " expected";
    // Every neighbour of a glyph pixel is glyph or outline (an eighth of the luma).
    for (const auto& p : text) {
      for (const auto& d : {std::make_pair(1, 0), std::make_pair(-1, 0), std::make_pair(0, 1), std::make_pair(0, -1)}) {
        const uint8_t luma = r.Luma(p.first + d.first, p.second + d.second);
        ASSERT_TRUE(luma == yellow || luma == yellow / 8) << p.first << "," << p.second;
      }
    }
  }
}

}  // namespace
