#include <gtest/gtest.h>

#include "playlist/playlist.h"
#include "tests/common/test_paths.h"

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Items = std::vector<std::string>;

Playlist ListOf(const Items& items) {
  Playlist list;
  for (const std::string& item : items) list.Append(item);
  return list;
}

// What AddEntry makes of a path, from an empty list.
Playlist Added(const std::string& path, int depth = Playlist::kNestingDepth) {
  Playlist list;
  list.AddEntry(path, depth);
  return list;
}

// Edits applied in order to one list, each with its result (the new index
// of a move, the clamped index; 0 for the others), the list's text, count and
// emptiness after it. The list ends at a zero byte; "\r" separates items, so
// that an empty list is one empty item, two empty items are not empty, and a
// text with separators counts as several items. Replacing and deleting out
// of range are ignored; a move must go to another item inside the list.
// Sorting and reversing the empty list leave it empty. Sorting is by bytes:
// 128 and above after ASCII (unsigned, as strcmp compares), prefixes first,
// duplicates kept. The shuffle's generator gives for seed 1 the well-known
// 41, 18467, 6334, 26500, 19169 of the C runtime's rand(); they pick items
// 5*41/32768 = 0, 4*18467/32768 = 2, 3*6334/32768 = 0, 2*26500/32768 = 1 and
// then the last.
TEST(Playlist, EditsKeepTheTextCountAndIndexes) {
  const char kUnsorted[] = "b\r\xE9\rB\ra.avi\ra\r\x80\ra\r z\r\\x\rZ\xE9\rZ\rc.";
  const char kSorted[] = " z\rB\rZ\rZ\xE9\r\\x\ra\ra\ra.avi\rb\rc.\r\x80\r\xE9";
  const struct { char op; int32_t index, position; const char* text; int32_t result; const char* after;
                 int32_t count; } edits[] = {
      {'=', 0, 0, "", 0, "", 1}, {'+', 0, 0, "a.avi", 0, "a.avi", 1},
      {'+', 0, 0, "b.avi", 0, "a.avi\rb.avi", 2}, {'=', 0, 0, "\r", 0, "\r", 2},
      {'+', 0, 0, "p\rq", 0, "\r\rp\rq", 4}, {'=', 0, 0, "a\rb\rc", 0, "a\rb\rc", 3},
      {'r', 1, 0, "B\rB2", 0, "a\rB\rB2\rc", 4}, {'r', 4, 0, "z", 0, "a\rB\rB2\rc", 4},
      {'r', -1, 0, "z", 0, "a\rB\rB2\rc", 4}, {'d', 4, 0, "", 0, "a\rB\rB2\rc", 4},
      // deleting the last, the first, the only item (which leaves the empty
      // list), and an empty item
      {'d', -1, 0, "", 0, "a\rB\rB2\rc", 4}, {'d', 3, 0, "", 0, "a\rB\rB2", 3}, {'d', 0, 0, "", 0, "B\rB2", 2},
      {'d', 1, 0, "", 0, "B", 1}, {'d', 0, 0, "", 0, "", 1}, {'s', 0, 0, "", 0, "", 1}, {'v', 0, 0, "", 0, "", 1},
      {'=', 0, 0, "\rmiddle\r", 0, "\rmiddle\r", 3},
      {'d', 0, 0, "", 0, "middle\r", 2},
      {'=', 0, 0, "a\rb\rc\rd\re", 0, "a\rb\rc\rd\re", 5}, {'v', 0, 0, "", 0, "e\rd\rc\rb\ra", 5},
      {'v', 0, 0, "", 0, "a\rb\rc\rd\re", 5}, {'m', 0, 3, "", 3, "b\rc\rd\ra\re", 5},
      {'m', 4, 1, "", 1, "b\re\rc\rd\ra", 5}, {'m', 2, 2, "", 2, "b\re\rc\rd\ra", 5},
      {'m', 2, 5, "", 2, "b\re\rc\rd\ra", 5}, {'m', 2, -1, "", 2, "b\re\rc\rd\ra", 5},
      {'m', -1, 0, "", -1, "b\re\rc\rd\ra", 5}, {'c', -3, 0, "", 0, "b\re\rc\rd\ra", 5},
      {'c', 4, 0, "", 4, "b\re\rc\rd\ra", 5}, {'c', 5, 0, "", 4, "b\re\rc\rd\ra", 5},
      // the seed-1 shuffle, and one item that stays; byte order; items read
      // out of range as the first or empty
      {'=', 0, 0, "a\rb\rc\rd\re", 0, "a\rb\rc\rd\re", 5}, {'R', 1, 0, "", 0, "a\rd\rb\re\rc", 5},
      {'=', 0, 0, "only", 0, "only", 1}, {'R', 12345, 0, "", 0, "only", 1},
      {'=', 0, 0, kUnsorted, 0, kUnsorted, 12}, {'s', 0, 0, "", 0, kSorted, 12},
      {'i', -5, 0, " z", 2, kSorted, 12}, {'i', 7, 0, "a.avi", 5, kSorted, 12}, {'i', 12, 0, "", 0, kSorted, 12},
  };
  Playlist list;
  int row = 0;
  for (const auto& e : edits) {
    SCOPED_TRACE(row++);
    int32_t result = 0;
    const std::string text = e.text;
    switch (e.op) {
      case '=': list.SetText(text); break;
      case '+': list.Append(text); break;
      case 'r': list.Replace(text, e.index); break;
      case 'd': list.Delete(e.index); break;
      case 'v': list.Reverse(); break;
      case 's': list.SortByFullPath(); break;
      case 'm': result = list.MoveItem(e.index, e.position); break;
      case 'c': result = list.ClampIndex(e.index); break;
      case 'R': list.Randomize(static_cast<uint32_t>(e.index)); break;
      case 'i':
        result = static_cast<int32_t>(list.ItemLength(e.index));
        EXPECT_EQ(list.Item(e.index), text);
        break;
    }
    EXPECT_EQ(std::make_tuple(result, list.Text(), list.Count(), list.IsEmpty()),
              std::make_tuple(e.result, std::string(e.after), e.count, *e.after == 0 && e.count == 1));
  }
  EXPECT_EQ(Playlist().ClampIndex(2), 0);
  list.SetText(std::string("x\r\ry\0z\rw", 8));  // ends at the zero byte
  EXPECT_EQ(std::make_tuple(list.Text(), list.Count()), std::make_tuple(std::string("x\r\ry"), 3));
}

// Read into a buffer, an item is cut to fit and always terminated; out of
// range it reads empty.
TEST(Playlist, ItemsAreCutToTheBuffer) {
  const Playlist list = ListOf({"first", "second", "third"});
  char buffer[5] = {'X', 'X', 'X', 'X', 'X'};
  list.Item(1, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "seco");  // cut to fit, always terminated
  list.Item(7, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "");
}

// Play list files.
std::string ReadBytes(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string Quoted(const std::string& path) { return "\"" + path + "\"\r\n"; }

#ifdef _WIN32
const char kNewline[] = "\r\n";  // text mode
#else
const char kNewline[] = "\n";
#endif

TEST(PlaylistAddEntry, CleansThePathTestsTheExtensionCaseSensitivelyAndReadsTheNamesBetweenQuotes) {
  Playlist list;
  list.AddEntry("\"C:\\My Videos\\a.avi\"\r\n", 5);
  list.AddEntry("\x01\xE9t\xE9 \x80.avi\x1F", 5);  // bytes of 128 and above stay
  list.AddEntry("X.MLS", 5);                        // not a play list: a plain item
  list.AddEntry("list.mlsx", 5);
  list.AddEntry("mlsx", 5);
  list.AddEntry("mls", 0);                          // no dot: the whole path is the extension
  list.AddEntry(ScratchPath("missing.mls"), 5);     // can't be opened: nothing
  list.AddEntry("\"" + std::string(999, 'p') + "\"", 5);  // quotes don't count
  list.AddEntry(std::string(1000, 'q'), 5);          // too long for the buffers: refused
  // A list file gives the names between quotes.
  const std::string path = ScratchPath("two.mls");
  WriteWholeFile(path, "header text \"first one.avi\" trailing\r\n\"d:\\\xC4\\se\tcond.avi\"\r\n" +
                       Quoted(std::string(999, 'k')) + Quoted(std::string(1000, 'l')) +
                       "\"not closed.avi\r\n");
  list.AddEntry(path, 5);
  list.AddEntry(path, 0);  // a list reached at depth 0 is ignored
  // A directory opens (or not) but never reads: nothing is added.
  const std::string directory = ScratchPath("folder.mls");
  std::filesystem::create_directory(directory);
  list.AddEntry(directory, 5);
  EXPECT_EQ(list.Items(), (Items{"C:\\My Videos\\a.avi", "\xE9t\xE9 \x80.avi", "X.MLS", "list.mlsx", "mlsx",
                                 std::string(999, 'p'), "first one.avi", "d:\\\xC4\\second.avi",
                                 std::string(999, 'k')}));
}

// Nested lists are followed five levels deep, and lists that name
// themselves end.
TEST(PlaylistAddEntry, FollowsNestedListsFiveLevelsDeepAndSelfListingFilesEnd) {
  for (int level = 1; level <= 6; ++level) {
    WriteWholeFile(ScratchPath("level" + std::to_string(level) + ".mls"),
               Quoted("item" + std::to_string(level) + ".avi") +
                   Quoted(ScratchPath("level" + std::to_string(level + 1) + ".mls")));
  }
  EXPECT_EQ(Added(ScratchPath("level1.mls")).Text(), "item1.avi\ritem2.avi\ritem3.avi\ritem4.avi\ritem5.avi");

  // Five self references: 1 + 5 + 25 + 125 + 625 reads (five levels), each
  // adding x.avi.
  const std::string self = ScratchPath("self.mls");
  std::string five = Quoted("x.avi");
  for (int i = 0; i < 5; ++i) five += Quoted(self);
  const auto countFrom = [&](const std::string& text) { return Added(WriteWholeFile(self, text)).Count(); };
  EXPECT_EQ(countFrom(five), 781);
  // Six would be 1,555 reads: the files opened by one entry are limited.
  EXPECT_EQ(countFrom(five + Quoted(self)), Playlist::kMaxListFilesPerEntry);

  // So are the bytes read: a 1 MiB list is read through about 16 times, not
  // 1,555; each read adds x.avi, also those of the (at most 5) open lists
  // whose tails the limit cuts off.
  const int32_t large = countFrom(five + Quoted(self) + std::string(1 << 20, ' '));
  EXPECT_GE(large, 16);
  EXPECT_LE(large, 16 + Playlist::kNestingDepth);
}

TEST(PlaylistSave, RoundTripsThroughAnMlsFileWithTheExtensionAppended) {
  const std::string spaced = "C:\\Program Files\\My Clips\\holiday 2003.avi";
  const std::string accented = "D:\\Vid\xE9os\\\xC0 la mer \xFF.avi";
  const Playlist list = ListOf({spaced, accented});
  ASSERT_TRUE(list.SaveAs(ScratchPath("round")));  // the extension added
  const std::string path = ScratchPath("round.mls");
  EXPECT_EQ(ReadBytes(path), "\"" + spaced + "\"" + kNewline + "\"" + accented + "\"" + kNewline);
  EXPECT_EQ(Added(path).Text(), list.Text());

  const std::string emptyPath = ScratchPath("empty.mls");
  ASSERT_TRUE(Playlist().SaveAs(emptyPath));
  EXPECT_EQ(ReadBytes(emptyPath), std::string("\"\"") + kNewline);
  EXPECT_TRUE(Added(emptyPath).IsEmpty());
  EXPECT_FALSE(ListOf({"a.avi"}).SaveAs(ScratchPath("no such folder/list.mls")));
  EXPECT_FALSE(std::filesystem::exists(ScratchPath("no such folder")));
  // The extension is appended unless the name ends in it.
  const char* const names[][2] = {
      {"list", "list.mls"}, {"list.mls", "list.mls"}, {"list.MLS", "list.MLS.mls"}, {"list.mlsx", "list.mlsx.mls"},
      {"C:\\a.b\\list", "C:\\a.b\\list.mls"}, {"list.", "list..mls"},
      // Without a dot the text after the first character is compared.
      {"xmls", "xmls"}, {"mls", "mls.mls"}, {"", ".mls"},
  };
  for (const auto& n : names) EXPECT_EQ(Playlist::WithMlsExtension(n[0]), n[1]) << n[0];
}

}  // namespace
