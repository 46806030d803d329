// Loading files (names, limits, damaged content), the cursor's fast paths,
// and the subtitle object's failed load.
#include "subtitles/subtitle_track.h"
#include "tests/subtitles/subtitle_test_support.h"

#include <random>

namespace {

// Which files load: the extension picks the format (in any case), and files
// that are something else are refused or read only as far as they hold sound
// lines. (What any entry may hold is the subtitle fuzzers' check.)
TEST(SubtitleListParse, WhichFilesLoad) {
  std::mt19937 random(13);
  std::string noise(200000, 0);
  for (char& c : noise) c = static_cast<char>(random() % 255 + 1);  // no zero byte
  const std::string riff = std::string("RIFF\x10\0\0\0AVI LIST", 16) + noise;
  const struct { const char* name; std::string content; int32_t count; } cases[] = {
      {"a.sub", kSub, 1},      {"b.SRT", kSrt, 1},      {"c.x.Sub", kSub, 1},  {"d.srt", kSub, 0},
      {"e.sub", kSrt, 0},      {"f.txt", kSub, 0},      {"g.sub.bak", kSub, 0}, {"h.subx", kSub, 0},
      {"noextension", kSub, 0}, {"noise.sub", noise, 0}, {"noise.srt", noise, 0}, {"riff.sub", riff, 0},
      {"riff.srt", riff, 0},   {"empty.sub", "", 0},    {"mixed.sub", noise + "\n{1}{2}sound\n" + noise, 1},
  };
  for (const auto& c : cases) {
    SubtitleList list;
    EXPECT_EQ(list.Parse(WriteWholeFile(ScratchPath(c.name), c.content).c_str(), 25, 1), c.count > 0) << c.name;
    EXPECT_EQ(list.Count(), c.count) << c.name;
  }
  SubtitleList list;
  EXPECT_FALSE(list.Parse(ScratchPath("missing.srt").c_str(), 25, 1) || list.Parse(nullptr, 25, 1));
}

// The table stops at its limit, the pool before it would pass 1 MiB; what was
// read before stays.
TEST(SubtitleListParse, LimitsHold) {
  std::string many;
  for (int32_t i = 0; i < SubtitleList::kMaxEntries + 5; ++i)
    many += "{" + std::to_string(i) + "}{" + std::to_string(i + 1) + "}t" + std::to_string(i) + "\n";
  SubtitleList list;
  ASSERT_TRUE(list.Parse(WriteWholeFile(ScratchPath("many.sub"), many).c_str(), 25, 1));
  ASSERT_EQ(list.Count(), SubtitleList::kMaxEntries);
  EXPECT_STREQ(list.Text(SubtitleList::kMaxEntries - 1), "t16383");

  // Texts of the given lengths (each with its zero in the pool): the pool
  // takes exactly 1 MiB and no byte more, and holds 1,024 of them.
  std::vector<size_t> oneShort(1023, 1023);
  oneShort.insert(oneShort.end(), {1022, 1, 1});
  const std::pair<const char*, std::vector<size_t>> pools[] = {
      {"fills the pool", std::vector<size_t>(1025, 1023)},
      {"one byte short", oneShort},
      {"long texts are cut first", std::vector<size_t>(1025, 5000)}};
  for (const auto& [what, lengths] : pools) {
    std::string big;
    for (size_t i = 0; i < lengths.size(); ++i)
      big += std::to_string(i) + "\n0:0:1 --> 0:0:2\n" + std::string(lengths[i], static_cast<char>('a' + i % 26)) +
             "\n\n";
    SubtitleList pool;
    SubtitleLineReader reader(big.data(), big.size());
    pool.Parse(&reader, SubtitleFormat::kSubRip, 25, 1);
    EXPECT_EQ(pool.Count(), 1024) << what;
    EXPECT_LE(pool.PoolBytes(), SubtitleList::kMaxPoolBytes) << what;
  }
}

// A file is read in pieces: lines and numbers across their seams read as
// they do from memory.
TEST(SubtitleListParse, LargeFilesReadAsTheirBytes) {
  std::string blocks = "\xEF\xBB\xBF";
  for (int32_t i = 0; i < 3000; ++i)
    blocks += std::to_string(i + 1) + "\r\n00:" + std::to_string(i / 60 % 60) + ":" + std::to_string(i % 60) +
              ",5 --> 01:00:00,000\r\nline " + std::string(i % 37, 'x') + "\r\n" + std::to_string(i) + "\r\n\r\n";
  SubtitleList list;
  ASSERT_TRUE(list.Parse(WriteWholeFile(ScratchPath("large.srt"), blocks).c_str(), 30000, 1001));
  EXPECT_EQ(list.Count(), 3000);
  EXPECT_EQ(Entries(list), ParseText(blocks, SubtitleFormat::kSubRip, 30000, 1001));
}

// Entries: A 10-20, B 30-40, C 35-50 (overlaps B), D 0-5 and E 22-25 (out of
// order; E lies in the gap after A).
TEST(SubtitleListFindSubtitle, CursorFastPathsAndFallback) {
  const std::string file = "{10}{20}A\n{30}{40}B\n{35}{50}C\n{0}{5}D\n{22}{25}E\n";
  SubtitleLineReader reader(file.data(), file.size());
  SubtitleList list;
  ASSERT_TRUE(list.Parse(&reader, SubtitleFormat::kMicroDvd, 25, 1));
  // The text shown (null: nothing) and the cursor after each step.
  const struct { int32_t frame; const char* text; int32_t cursor; } steps[] = {
      {10, "A", 0}, {19, "A", 0},
      {22, nullptr, 0},  // the gap after A: false at once, though E is active
      {20, nullptr, 0}, {30, "B", 1},
      {36, "B", 1},      // the cursor's entry first, though C is active too
      {45, "C", 2},      // the next entry
      {2, "D", 3}, {23, "E", 4},
      {12, "A", 0},      // E is the last: search from the start
      {60, nullptr, 0}, {-1, nullptr, 0},
      {37, "B", 1},      // A's gap ends at B: B is the next entry
      {0, "D", 3},
      {38, "B", 1},      // neither D nor E: the first active in file order
  };
  for (const auto& s : steps) {
    char text[SubtitleList::kTextBufferSize] = "unchanged";
    EXPECT_EQ(list.FindSubtitle(text, s.frame), s.text != nullptr) << s.frame;
    EXPECT_STREQ(text, s.text != nullptr ? s.text : "unchanged") << s.frame;
    EXPECT_EQ(list.Cursor(), s.cursor) << s.frame;
  }
}

// A failed load drops the old list and asks for a new band; a reload reads
// the same file in another font's code page. (Drawing after a load and
// nothing after an unload: subtitle_render_test.)
TEST(SubtitleTrack, AFailedLoadDropsTheOldListAndAReloadTakesTheNewCodePage) {
  SubtitleTrack track;
  EXPECT_FALSE(track.FindSubtitle(nullptr, 37));
  ASSERT_TRUE(track.LoadSubtitles(WriteWholeFile(ScratchPath("track.srt"), kSrt).c_str(), 25, 1, 101, 75));
  EXPECT_EQ(track.FrameStride(), 204);  // 202 bytes rounded up to 4
  char text[SubtitleList::kTextBufferSize];
  EXPECT_TRUE(track.FindSubtitle(text, 37));
  track.SetDirty(false);
  EXPECT_FALSE(track.LoadSubtitles(ScratchPath("none.srt").c_str(), 25, 1, 160, 120));
  EXPECT_TRUE(track.Dirty());
  EXPECT_FALSE(track.IsLoaded());
  EXPECT_FALSE(track.FindSubtitle(text, 37));
  EXPECT_FALSE(track.ReloadSubtitles(0));

  const std::string cyrillic = WriteWholeFile(ScratchPath("cyrillic.sub"), "{1}{50}\xEC\xE8\xF0\n");
  ASSERT_TRUE(track.LoadSubtitles(cyrillic.c_str(), 25, 1, 160, 120, 204));
  ASSERT_TRUE(track.FindSubtitle(text, 37));
  EXPECT_STREQ(text, u8"мир");
  track.SetDirty(false);
  ASSERT_TRUE(track.ReloadSubtitles(0));
  EXPECT_TRUE(track.FindSubtitle(text, 37));
  EXPECT_STREQ(text, u8"ìèð");
  EXPECT_TRUE(track.Dirty());
  EXPECT_EQ(track.FrameWidth(), 160);
}

}  // namespace
