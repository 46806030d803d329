// The two formats line by line: what each kind of line gives.
#include "tests/subtitles/subtitle_test_support.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Case {
  const char* what;
  std::string file;
  std::vector<TimedText> want;
  uint32_t rate = 25, scale = 1;
};

TEST(ReadMicroDvd, Lines) {
  const Case cases[] = {
      {"two lines", "{100}{150}Hello|World\n", {{100, 150, "Hello|World"}}},
      {"tags before the text go", "{0}{25}{y:i}Text\r\n", {{0, 25, "Text"}}},
      {"text after the last brace", "{1}{2}a}b{c}d\n", {{1, 2, "d"}}},
      {"no text, no entry", "{10}{20}\n{10}{20}\r\n{10}{20}\t\x01\n", {}},
      {"control bytes dropped", "{1}{2}a\tb\x1F" "c\r\n", {{1, 2, "abc"}}},
      {"frames as they are", "{ -5}{+7}neg\n{9}{3}backwards\n", {{-5, 7, "neg"}, {9, 3, "backwards"}}},
      {"runs of braces", "{{{1}}}{{2}x\n", {{1, 2, "x"}}},
      {"not at the line start", " {1}{2}x\nx{1}{2}y\n{1}x{2}y\n{1}{x}\n{}{2}z\n", {}},
      {"saturated numbers", "{99999999999}{-99999999999}big\n", {{INT_MAX, INT_MIN, "big"}}},
      {"byte order mark skipped", "\xEF\xBB\xBF{1}{2}bom\n", {{1, 2, "bom"}}},
      {"a zero byte ends the file", std::string("{1}{2}a\n{3}{4}b\0{5}{6}c\n", 24), {{1, 2, "a"}, {3, 4, "b"}}},
      // A line is read 1,023 bytes at a time; the rest is a line of its own.
      {"long line in pieces", "{1}{2}" + std::string(1017, 'a') + "{3}{4}tail\n",
       {{1, 2, std::string(1017, 'a')}, {3, 4, "tail"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseText(c.file, SubtitleFormat::kMicroDvd), c.want) << c.what;
  }
}

const char kBlock[] = "1\n00:00:01,500 --> 00:00:03,000\nFirst\nSecond\n\n";

TEST(ReadSubRip, Blocks) {
  const Case cases[] = {
      {"two text lines", kBlock, {{37, 75, "First|Second"}}},
      {"CR LF and no final blank line", "1\r\n00:00:01,500 --> 00:00:03,000\r\nFirst\r\nSecond",
       {{37, 75, "First|Second"}}},
      {"dots for commas, odd spacing", "\n\n 7 junk\n0:0:1.5-->0:0:3\nx\n", {{37, 75, "x"}}},
      {"blocks in a row", std::string(kBlock) + "\n\n2\n00:01:00,000 --> 01:00:00,040\n|a|\n",
       {{37, 75, "First|Second"}, {1500, 90001, "|a|"}}},
      {"empty text skipped, reading goes on",
       "1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:03,000 --> 00:00:04,000\ny\n", {{75, 100, "y"}}},
      {"times without milliseconds", "2\n00:00:05 --> 00:00:06\nz\n", {{125, 150, "z"}}},
      {"bad time line ends the file",
       std::string(kBlock) + "2\n00:05 --> 00:06\nz\n3\n00:00:07,000 --> 00:00:08,000\nw\n",
       {{37, 75, "First|Second"}}},
      {"no number ends the file", std::string(kBlock) + "Two\n00:00:05,000 --> 00:00:06,000\nz\n",
       {{37, 75, "First|Second"}}},
      {"byte order mark skipped", "\xEF\xBB\xBF" + std::string(kBlock), {{37, 75, "First|Second"}}},
      {"NTSC rate", "1\n00:01:00,000 --> 00:01:00,100\nn\n", {{1798, 1801, "n"}}, 30000, 1001},
      // The seconds are a float: 0.12 reads as 0.119999997 (2.9999999 frames),
      // 0.16 as 0.159999996.
      {"truncated float seconds", "1\n00:00:00,120 --> 00:00:00,160\nt\n", {{2, 3, "t"}}},
      {"huge times saturate", "1\n596524:00:00,000 --> 99999999999:00:00,000\nh\n", {{INT_MAX, INT_MAX, "h"}}},
      {"no scale", "1\n00:00:00,000 --> 00:00:01,000\nz\n", {{0, INT_MAX, "z"}}, 25, 0},
      {"a long line continues as another", "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(1100, 'b') + "\n",
       {{25, 50, std::string(1023, 'b')}}},
      {"joined lines cut to the buffer",
       "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(600, 'c') + "\n" + std::string(600, 'd') + "\n",
       {{25, 50, std::string(600, 'c') + "|" + std::string(422, 'd')}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseText(c.file, SubtitleFormat::kSubRip, c.rate, c.scale), c.want) << c.what;
  }
}

}  // namespace
