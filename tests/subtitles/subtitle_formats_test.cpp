// The formats line by line: what each kind of line gives, and what each
// kind of tag and override block makes of the text; and one subtitle in
// every encoding a file may come in, read back as UTF-8 (UTF-16 forms made by
// the compiler from u"" literals, code page bytes from the published tables).
#include "tests/subtitles/subtitle_test_support.h"

#include <climits>

namespace {

constexpr uint8_t kWestern = 0, kCyrillic = 204, kGreek = 161, kJapanese = 128;

struct Case {
  const char* what;
  std::string file;
  std::vector<TimedText> want;
  uint8_t charSet = kDefaultCharSet;
  uint32_t rate = 25, scale = 1;
};

void ExpectEntries(SubtitleFormat format, const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(ParseText(c.file, format, c.rate, c.scale, c.charSet), c.want) << c.what;
}

TEST(ReadMicroDvd, Lines) {
  ExpectEntries(SubtitleFormat::kMicroDvd, {
      {"two lines", kSub, {{100, 150, "Hello|World"}}},
      {"tags before the text go", "{0}{25}{y:i}Text\r\n", {{0, 25, "Text"}}},
      {"text after the last brace", "{1}{2}a}b{c}d\n", {{1, 2, "d"}}},
      {"no text, no entry", "{10}{20}\n{10}{20}\r\n{10}{20}\t\x01\n", {}},
      {"control bytes dropped", "{1}{2}a\tb\x1F" "c\r\n", {{1, 2, "abc"}}},
      {"frames as they are", "{ -5}{+7}neg\n{9}{3}backwards\n", {{-5, 7, "neg"}, {9, 3, "backwards"}}},
      {"runs of braces", "{{{1}}}{{2}x\n", {{1, 2, "x"}}},
      {"not at the line start", " {1}{2}x\nx{1}{2}y\n{1}x{2}y\n{1}{x}\n{}{2}z\n", {}},
      {"saturated numbers", "{99999999999}{-99999999999}big\n", {{INT_MAX, INT_MIN, "big"}}},
      {"a zero byte ends the file", std::string("{1}{2}a\n{3}{4}b\0{5}{6}c\n", 24), {{1, 2, "a"}, {3, 4, "b"}}},
      // A line is read 1,023 bytes at a time; the rest is a line of its own.
      {"long line in pieces", "{1}{2}" + std::string(1017, 'a') + "{3}{4}tail\n",
       {{1, 2, std::string(1017, 'a')}, {3, 4, "tail"}}},
  });
}

TEST(ReadSubRip, Blocks) {
  ExpectEntries(SubtitleFormat::kSubRip, {
      {"two text lines", kSrt, {{37, 75, "First|Second"}}},
      {"CR LF and no final blank line", "1\r\n00:00:01,500 --> 00:00:03,000\r\nFirst\r\nSecond",
       {{37, 75, "First|Second"}}},
      {"dots for commas, odd spacing", "\n\n 7 junk\n0:0:1.5-->0:0:3\nx\n", {{37, 75, "x"}}},
      {"blocks in a row", std::string(kSrt) + "\n\n2\n00:01:00,000 --> 01:00:00,040\n|a|\n",
       {{37, 75, "First|Second"}, {1500, 90001, "|a|"}}},
      {"empty text skipped, reading goes on",
       "1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:03,000 --> 00:00:04,000\ny\n", {{75, 100, "y"}}},
      {"times without milliseconds", "2\n00:00:05 --> 00:00:06\nz\n", {{125, 150, "z"}}},
      {"bad time line ends the file",
       std::string(kSrt) + "2\n00:05 --> 00:06\nz\n3\n00:00:07,000 --> 00:00:08,000\nw\n",
       {{37, 75, "First|Second"}}},
      {"no number ends the file", std::string(kSrt) + "Two\n00:00:05,000 --> 00:00:06,000\nz\n",
       {{37, 75, "First|Second"}}},
      {"NTSC rate", "1\n00:01:00,000 --> 00:01:00,100\nn\n", {{1798, 1801, "n"}}, kDefaultCharSet, 30000, 1001},
      // The seconds are a float: 0.12 reads as 0.119999997 (2.9999999 frames),
      // 0.16 as 0.159999996.
      {"truncated float seconds", "1\n00:00:00,120 --> 00:00:00,160\nt\n", {{2, 3, "t"}}},
      {"huge times saturate", "1\n596524:00:00,000 --> 99999999999:00:00,000\nh\n", {{INT_MAX, INT_MAX, "h"}}},
      {"no scale", "1\n00:00:00,000 --> 00:00:01,000\nz\n", {{0, INT_MAX, "z"}}, kDefaultCharSet, 25, 0},
      {"a long line continues as another", "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(1100, 'b') + "\n",
       {{25, 50, std::string(1023, 'b')}}},
      {"joined lines cut to the buffer",
       "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(600, 'c') + "\n" + std::string(600, 'd') + "\n",
       {{25, 50, std::string(600, 'c') + "|" + std::string(422, 'd')}}},
      {"a character past the limit dropped whole",
       "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(600, 'c') + "\n" + std::string(421, 'd') + u8"éd\n",
       {{25, 50, std::string(600, 'c') + "|" + std::string(421, 'd')}}},
  });
}

TEST(SubtitleEncodings, EveryFormReadsAsTheSameCharacters) {
  const std::string both = u8"Café crème|Привет, мир";
  const std::u16string both16 = u"{1}{2}Café crème|Привет, мир\r\n";
  ExpectEntries(SubtitleFormat::kMicroDvd, {
      {"UTF-8 with its byte order mark", "\xEF\xBB\xBF{1}{2}" + both + "\n", {{1, 2, both}}, kCyrillic},
      {"UTF-8 without", "{1}{2}" + both + "\n", {{1, 2, both}}, kCyrillic},
      {"UTF-16 LE", Utf16File(both16, false), {{1, 2, both}}, kWestern},
      {"UTF-16 BE", Utf16File(both16, true), {{1, 2, both}}, kWestern},
      {"UTF-16 past the first plane", Utf16File(u"{1}{2}a\U0001F600b", false), {{1, 2, u8"a\U0001F600b"}}, kWestern},
      {"Windows-1252 with a Western font", "{1}{2}Caf\xE9 cr\xE8me\n", {{1, 2, u8"Café crème"}}, kWestern},
      {"Windows-1251 with a Cyrillic font", "{1}{2}\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\n",
       {{1, 2, u8"Привет, мир"}}, kCyrillic},
      {"the font's set decides", "{1}{2}\xCF\xF0\xE8\xE2\xE5\xF2\n", {{1, 2, u8"Ïðèâåò"}}, kWestern},
      {"Western words with a Cyrillic font", "{1}{2}Caf\xE9 cr\xE8me\n", {{1, 2, u8"Café crème"}}, kCyrillic},
      {"Western words with a Greek font", "{1}{2}\xE0 la fran\xE7" "aise\n", {{1, 2, u8"à la française"}}, kGreek},
      {"Cyrillic words beside a Latin one", "{1}{2}\xCF\xF0\xE8\xE2\xE5\xF2, John\n", {{1, 2, u8"Привет, John"}},
       kCyrillic},
      {"Shift-JIS: '\\' and '|' as second bytes", "{1}{2}\x95\x5C\x8E\xA6\x83\x5C\x83\x7C\n",
       {{1, 2, u8"表示ソポ"}}, kJapanese},
      {"one valid sequence among invalid bytes is no UTF-8", "{1}{2}\xC3\xA9 \xE9\n", {{1, 2, u8"Ã© é"}}, kWestern},
      {"broken UTF-8 after a byte order mark", "\xEF\xBB\xBF{1}{2}a\xE9z\xC3\n", {{1, 2, u8"a\uFFFDz\uFFFD"}},
       kWestern},
      {"a lone surrogate", Utf16File(u"{1}{2}a\xD800z\xDC00\n", false), {{1, 2, u8"a\uFFFDz\uFFFD"}}, kWestern},
      {"a UTF-8 byte order mark alone", "\xEF\xBB\xBF", {}, kWestern},
      {"a UTF-16 byte order mark alone", "\xFE\xFF", {}, kWestern},
      {"byte order marks of joined files", "{1}{2}\xC3\xA9\n\xEF\xBB\xBF{3}{4}b\n", {{1, 2, u8"é"}, {3, 4, "b"}},
       kWestern},
      {"a zero character ends the text", Utf16File(std::u16string(u"{1}{2}a\n\0{3}{4}b\n", 17), false),
       {{1, 2, "a"}}, kWestern},
      // A line is read 1,023 bytes at a time; a character does not fit whole
      // and starts the next piece (which is no MicroDVD line).
      {"no character split between pieces", "{1}{2}" + std::string(1016, 'a') + u8"é\n",
       {{1, 2, std::string(1016, 'a')}}, kWestern},
  });
}

// The stored marks (subtitle_markup.h): a style after it, the top.
const std::string P = "\x10", I = "\x11", B = "\x12", U = "\x14", S = "\x18", Top = "\x01";

std::string Block(const std::string& text) { return "1\n00:00:01,000 --> 00:00:02,000\n" + text + "\n\n"; }

TEST(ReadSubRip, TagsAndOverrideBlocks) {
  // The block's text lines and its stored text (no entry when empty).
  const struct { const char* what; std::string text, want; } cases[] = {
      {"italic within a line", "a <i>b</i> c", "a " + I + "b" + P + " c"},
      {"each style, in any case", "<B>b</B><u>u</u><S>s</S>", B + "b" + U + "u" + S + "s"},
      {"styles combine", "<b><i>x</i></b>", std::string("\x13") + "x"},
      {"across the lines of a block", "<i>one\ntwo</i>\nthree", I + "one|two|" + P + "three"},
      {"never closed: to the block's end", "<u>open\nstill", U + "open|still"},
      {"font tags removed, attributes and all", "<font color=\"#ffff00\">Yellow</font> <font face=x>y</font>",
       "Yellow y"},
      {"other tags removed", "<span style=\"a\">x</span><br/><ruby>y", "xy"},
      {"a '<' that opens no tag", "a < b <3 <<i>>x <", "a < b <3 <" + I + ">x <"},
      {"a tag not closed on its line is text", "<font color=red\nx>", "<font color=red|x>"},
      {"\\an8 puts it at the top", "{\\an8}Top line\nsecond", Top + "Top line|second"},
      {"\\an7 and \\an9 too, on any line", "x\n{\\an9}y", Top + "x|y"},
      {"other alignments at the bottom, the first deciding", "{\\an2}{\\an8}x", "x"},
      {"other codes removed", "{\\pos(10,20)\\fs30}x{\\i1}y{\\i0}z", "x" + I + "y" + P + "z"},
      {"a block never closed is text", "{\\an8 x", "{\\an8 x"},
      {"braces without a backslash are text", "{not a block}", "{not a block}"},
      {"a line of tags alone shows nothing", "a\n<i></i>{\\an1}\nb", "a|b"},
      {"tags alone: no entry", "<i></i>\n{\\an8}", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseText(Block(c.text), SubtitleFormat::kSubRip),
              (c.want.empty() ? std::vector<TimedText>{} : std::vector<TimedText>{{25, 50, c.want}})) << c.what;
  }
}

// Styles as the usual writers give them, only fewer fields.
const char kAssHeader[] =
    "[Script Info]\r\nScriptType: v4.00+\r\nDialogue: 0,0:00:00.00,0:00:09.00,,,0,0,0,,not an event yet\r\n\r\n"
    "[V4+ Styles]\r\nFormat: Name, Fontname, Bold, Italic, Underline, StrikeOut, Outline, Alignment, Encoding\r\n"
    "Style: Default,Arial,0,0,0,0,2,2,1\r\nStyle: Sign,Arial,-1,-1,0,0,2,8,1\r\n"
    "\r\n[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";

TEST(ReadSubStationAlpha, Events) {
  ExpectEntries(SubtitleFormat::kSubStationAlpha, {
      {"times, commas in the text, \\N and \\n",
       std::string(kAssHeader) + "Dialogue: 0,0:00:01.50,0:00:03.00,Default,,0,0,0,,First, then\\Nsecond\\nthird\r\n"
           "Comment: 0,0:00:01.50,0:00:03.00,Default,,0,0,0,,not shown\r\n"
           "Dialogue: 0,1:02:03.04,1:02:04.00,Default,,0,0,0,,  late\\h!\r\n",
       {{37, 75, "First, then|second|third"}, {93076, 93100, u8"  late\u00A0!"}}},
      {"override codes and comments",
       std::string(kAssHeader) + "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\i1}a{\\i0\\b1}b{\\b0}c{a comment}d\r\n"
           "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\u1\\s1}u{\\an8\\p1}m 0 0 l 9 9{\\p0}x\r\n"
           "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\blur2\\bord3\\shad1}plain{\\i1\\r}plain\r\n",
       {{25, 50, I + "a" + B + "b" + P + "cd"}, {25, 50, Top + "\x1C" + "ux"}, {25, 50, "plainplain"}}},
      {"the style's look and place; an alignment in the text wins",
       std::string(kAssHeader) + "Dialogue: 0,0:00:01.00,0:00:02.00,Sign,,0,0,0,,sign{\\i0}x{\\r}y\\Nz\r\n"
           "Dialogue: 0,0:00:01.00,0:00:02.00,*Sign,,0,0,0,,{\\an2}low\r\n"
           "Dialogue: 0,0:00:01.00,0:00:02.00,Nobody,,0,0,0,,plain\r\n",
       {{25, 50, Top + "\x13sign" + B + "x" + "\x13y|z"}, {25, 50, "\x13low"}, {25, 50, "plain"}}},
      {"fields in another order; a Format line without Text is none",
       "[Events]\nFormat: End, Text\nFormat: Style, End, Start, Text\nDialogue: x,0:00:02.00,0:00:01.00,a,b\n",
       {{25, 50, "a,b"}}},
      {"no Format line: the usual order", "[EVENTS]\ndialogue: Marked=0,0:00:01.00,0:00:02.00,*Default,,0,0,0,,x\n",
       {{25, 50, "x"}}},
      {"old styles: 5 to 7 at the top",
       "[V4 Styles]\nFormat: Name, Alignment\nStyle: Up, 6\nStyle: Down, 9\n[Events]\n"
       "Dialogue: 0,0:00:01.00,0:00:02.00,Up,,0,0,0,,u\nDialogue: 0,0:00:01.00,0:00:02.00,Down,,0,0,0,,d\n",
       {{25, 50, Top + "u"}, {25, 50, "d"}}},
      {"lines that are no event skipped",
       "[Events]\nDialogue: 0,0:01.00,0:00:02.00,,,0,0,0,,bad start\nDialogue: 0,0:00:01.00\n"
       "Dialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,{\\i1}\nDialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,{\\an8 x\n",
       {{25, 50, "{\\an8 x"}}},
      {"no events section", "[Script Info]\nDialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,x\n", {}},
  });
}

}  // namespace
