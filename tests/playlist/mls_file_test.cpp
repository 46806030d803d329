#include <gtest/gtest.h>

#include "playlist/playlist.h"
#include "tests/common/test_paths.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    for (int c; (c = std::fgetc(f)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(f);
  }
  return bytes;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\"\r\n"; }

#ifdef _WIN32
const char kNewline[] = "\r\n";  // text mode
#else
const char kNewline[] = "\n";
#endif

TEST(PlaylistAddEntry, CleansThePathAndTestsTheExtensionCaseSensitively) {
  Playlist list;
  list.AddEntry("\"C:\\My Videos\\a.avi\"\r\n", 5);
  list.AddEntry("\x01\xE9t\xE9 \x80.avi\x1F", 5);  // bytes of 128 and above stay
  list.AddEntry("X.MLS", 5);                        // not a play list: a plain item
  list.AddEntry("list.mlsx", 5);
  list.AddEntry("mlsx", 5);
  list.AddEntry("mls", 0);                          // no dot: the whole path is the extension
  list.AddEntry(ScratchPath("missing.mls"), 5);     // can't be opened: nothing
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"C:\\My Videos\\a.avi", "\xE9t\xE9 \x80.avi",
                                                    "X.MLS", "list.mlsx", "mlsx"}));

  Playlist limits;
  limits.AddEntry("\"" + std::string(999, 'p') + "\"", 5);  // quotes don't count
  limits.AddEntry(std::string(1000, 'q'), 5);               // too long for the buffers: refused
  ASSERT_EQ(limits.Count(), 1);
  EXPECT_EQ(limits.ItemLength(0), 999u);
}

TEST(PlaylistAddEntry, ReadsTheNamesBetweenQuotes) {
  const std::string path = ScratchPath("two.mls");
  WriteWholeFile(path, "header text \"first one.avi\" trailing\r\n\"d:\\\xC4\\se\tcond.avi\"\r\n" +
                       Quoted(std::string(999, 'k')) + Quoted(std::string(1000, 'l')) +
                       "\"not closed.avi\r\n");
  Playlist list;
  list.AddEntry(path, Playlist::kNestingDepth);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Item(0), "first one.avi");
  EXPECT_EQ(list.Item(1), "d:\\\xC4\\second.avi");
  EXPECT_EQ(list.Item(2), std::string(999, 'k'));

  list.AddEntry(path, 0);  // a list reached at depth 0 is ignored
  EXPECT_EQ(list.Count(), 3);

  // A directory opens (or not) but never reads: nothing is added.
  const std::string directory = ScratchPath("folder.mls");
  std::filesystem::create_directory(directory);
  list.AddEntry(directory, 5);
  EXPECT_EQ(list.Count(), 3);
}

TEST(PlaylistAddEntry, FollowsNestedListsFiveLevelsDeep) {
  for (int level = 1; level <= 6; ++level) {
    WriteWholeFile(ScratchPath("level" + std::to_string(level) + ".mls"),
               Quoted("item" + std::to_string(level) + ".avi") +
                   Quoted(ScratchPath("level" + std::to_string(level + 1) + ".mls")));
  }
  Playlist list;
  list.AddEntry(ScratchPath("level1.mls"), Playlist::kNestingDepth);
  EXPECT_EQ(list.Text(), "item1.avi\ritem2.avi\ritem3.avi\ritem4.avi\ritem5.avi");
}

TEST(PlaylistAddEntry, SelfListingFilesEnd) {
  const std::string self = ScratchPath("self.mls");
  WriteWholeFile(self, Quoted("x.avi") + Quoted(self));
  Playlist once;
  once.AddEntry(self, Playlist::kNestingDepth);
  EXPECT_EQ(once.Text(), "x.avi\rx.avi\rx.avi\rx.avi\rx.avi");  // read five times over

  // Five self references: 1 + 5 + 25 + 125 + 625 reads, each adding x.avi.
  std::string five = Quoted("x.avi");
  for (int i = 0; i < 5; ++i) five += Quoted(self);
  WriteWholeFile(self, five);
  Playlist wide;
  wide.AddEntry(self, Playlist::kNestingDepth);
  EXPECT_EQ(wide.Count(), 781);

  // Six would be 1,555 reads: the files opened by one entry are limited.
  WriteWholeFile(self, five + Quoted(self));
  Playlist wider;
  wider.AddEntry(self, Playlist::kNestingDepth);
  EXPECT_EQ(wider.Count(), Playlist::kMaxListFilesPerEntry);

  // So are the bytes read: a 1 MiB list is read through about 16 times, not
  // 1,555; each read adds x.avi, also those of the (at most 5) open lists
  // whose tails the limit cuts off.
  WriteWholeFile(self, five + Quoted(self) + std::string(1 << 20, ' '));
  Playlist large;
  large.AddEntry(self, Playlist::kNestingDepth);
  EXPECT_GE(large.Count(), 16);
  EXPECT_LE(large.Count(), 16 + Playlist::kNestingDepth);
}

TEST(PlaylistSave, RoundTripsThroughAnMlsFile) {
  const std::string spaced = "C:\\Program Files\\My Clips\\holiday 2003.avi";
  const std::string accented = "D:\\Vid\xE9os\\\xC0 la mer \xFF.avi";
  Playlist list;
  list.Append(spaced);
  list.Append(accented);
  const std::string path = ScratchPath("round.mls");
  ASSERT_TRUE(list.SaveAs(path));
  EXPECT_EQ(ReadBytes(path),
            "\"" + spaced + "\"" + kNewline + "\"" + accented + "\"" + kNewline);
  Playlist loaded;
  loaded.AddEntry(path, Playlist::kNestingDepth);
  EXPECT_EQ(loaded.Text(), list.Text());

  const std::string emptyPath = ScratchPath("empty.mls");
  ASSERT_TRUE(Playlist().SaveAs(emptyPath));
  EXPECT_EQ(ReadBytes(emptyPath), std::string("\"\"") + kNewline);
  Playlist reloaded;
  reloaded.AddEntry(emptyPath, Playlist::kNestingDepth);
  EXPECT_TRUE(reloaded.IsEmpty());
}

TEST(PlaylistSave, AppendsTheExtensionUnlessTheNameEndsInMls) {
  EXPECT_EQ(Playlist::WithMlsExtension("list"), "list.mls");
  EXPECT_EQ(Playlist::WithMlsExtension("list.mls"), "list.mls");
  EXPECT_EQ(Playlist::WithMlsExtension("list.MLS"), "list.MLS.mls");
  EXPECT_EQ(Playlist::WithMlsExtension("list.mlsx"), "list.mlsx.mls");
  EXPECT_EQ(Playlist::WithMlsExtension("C:\\a.b\\list"), "C:\\a.b\\list.mls");
  EXPECT_EQ(Playlist::WithMlsExtension("list."), "list..mls");
  // Without a dot the text after the first character is compared.
  EXPECT_EQ(Playlist::WithMlsExtension("xmls"), "xmls");
  EXPECT_EQ(Playlist::WithMlsExtension("mls"), "mls.mls");
  EXPECT_EQ(Playlist::WithMlsExtension(""), ".mls");

  Playlist list;
  list.Append("a.avi");
  ASSERT_TRUE(list.SaveAs(ScratchPath("named")));
  EXPECT_EQ(ReadBytes(ScratchPath("named.mls")), std::string("\"a.avi\"") + kNewline);
  EXPECT_FALSE(list.SaveAs(ScratchPath("no such folder/list.mls")));
  EXPECT_FALSE(std::filesystem::exists(ScratchPath("no such folder")));
}

}  // namespace
