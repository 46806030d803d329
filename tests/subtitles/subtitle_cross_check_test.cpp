// Our crossing.sub (several lines, separators, a line wider than any frame,
// overlapping and out-of-order entries) converted by ffmpeg, at two video
// rates, into MicroDVD and into SubRip (tools/make_subtitle_files.sh): read
// at the same rate, both must give the timed texts of the source.
#include "tests/subtitles/subtitle_test_support.h"

#include <algorithm>

namespace {

std::vector<TimedText> Load(const std::string& name, uint32_t rate, uint32_t scale) {
  SubtitleList list;
  EXPECT_TRUE(list.Parse(ClipPath("subtitles/" + name).c_str(), rate, scale)) << name;
  std::vector<TimedText> entries = Entries(list);
  std::sort(entries.begin(), entries.end());  // ffmpeg writes them in time order
  return entries;
}

TEST(SubtitleCrossCheck, FfmpegsMicroDvdAndSubRipGiveTheSameTimedTexts) {
  const struct { const char* name; uint32_t rate, scale; } rates[] = {{"crossing_25", 25, 1},
                                                                      {"crossing_30000_1001", 30000, 1001}};
  for (const auto& r : rates) {
    ASSERT_TRUE(ClipExists("subtitles/" + std::string(r.name) + ".srt"))
        << "no " << r.name << ".srt: run ctest (or tools/make_subtitle_files.sh)";
    // The source itself (copied beside): MicroDVD frames need no rate.
    const std::vector<TimedText> source = Load("crossing.sub", r.rate, r.scale);
    const std::vector<TimedText> sub = Load(std::string(r.name) + ".sub", r.rate, r.scale);
    const std::vector<TimedText> srt = Load(std::string(r.name) + ".srt", r.rate, r.scale);
    EXPECT_EQ(source.size(), 12u);
    EXPECT_EQ(sub, source) << r.name;
    EXPECT_EQ(srt, source) << r.name;
  }
}

}  // namespace
