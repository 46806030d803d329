#include <gtest/gtest.h>

#include "settings/displacement_list.h"

#include <string>
#include <tuple>

namespace {

// Whether the path is found, and its delay (0 when not).
std::tuple<bool, int32_t> Found(DisplacementList& list, const std::string& path) {
  int32_t delay = 0;
  const bool found = list.Lookup(path, &delay);
  return {found, delay};
}

std::string Path(int i) { return "C:\\clips\\clip " + std::to_string(i) + ".avi"; }

// Remembering the last entry's path again replaces it; a delay of zero forgets it.
TEST(DisplacementList, EntriesAreHexTwosComplementThenThePathAndZeroForgetsThem) {
  DisplacementList list;
  list.Remember("C:\\a.avi", -100);
  list.Remember("D:\\b c.avi", 255);
  EXPECT_EQ(list.Text(), "0xFFFFFF9CC:\\a.avi\r0x000000FFD:\\b c.avi");
  EXPECT_EQ(DisplacementList::FormatEntry("p", INT32_MIN), "0x80000000p");

  int32_t delay = 0;
  EXPECT_EQ(Found(list, "C:\\a.avi"), std::make_tuple(true, -100));
  // The match moved to the end: it is now the most recent.
  EXPECT_EQ(list.Text(), "0x000000FFD:\\b c.avi\r0xFFFFFF9CC:\\a.avi");
  EXPECT_FALSE(list.Lookup("C:\\A.avi", &delay) || list.Lookup("a.avi", &delay));  // byte for byte

  list.Clear();
  list.Remember("x.avi", 40);
  list.Remember("x.avi", 80);  // last entry for the same path: replaced
  EXPECT_EQ(list.Text(), "0x00000050x.avi");
  list.Remember("x.avi", 0);
  list.Remember("y.avi", 0);  // a delay of 0 is never stored
  EXPECT_EQ(std::make_tuple(list.IsEmpty(), list.Count()), std::make_tuple(true, 0));
}

TEST(DisplacementList, KeepsTheTenMostRecentFiles) {
  DisplacementList list;
  for (int i = 1; i <= 10; ++i) list.Remember(Path(i), i);
  EXPECT_EQ(list.Count(), 10);
  int32_t delay = 0;
  ASSERT_TRUE(list.Lookup(Path(1), &delay));  // now the most recent
  list.Remember(Path(1), 1);
  list.Remember(Path(11), 11);  // the eleventh file drops the oldest: 2
  EXPECT_EQ(list.Count(), 10);
  EXPECT_FALSE(list.Lookup(Path(2), &delay));
  for (int i : {1, 3, 10, 11}) EXPECT_EQ(Found(list, Path(i)), std::make_tuple(true, i));

  // A stored text of more than ten entries keeps its ten most recent when
  // loaded (a crafted one of 200,000 lines once made each store quadratic).
  std::string text;
  for (int i = 0; i < 14; ++i) text += DisplacementList::FormatEntry(Path(i), i + 1) + "\r";
  list.SetText(std::string(200000, '\r') + text + DisplacementList::FormatEntry(Path(14), 15));
  EXPECT_EQ(std::make_tuple(list.Count(), list.Lookup(Path(5), &delay)), std::make_tuple(10, true));
  list.SetText(text + DisplacementList::FormatEntry(Path(14), 15));
  list.Remember(Path(99), 5);
  EXPECT_EQ(std::make_tuple(list.Count(), list.Lookup(Path(5), &delay), list.Lookup(Path(6), &delay)),
            std::make_tuple(10, false, true));
}

TEST(DisplacementList, DelaysReadLikePercentI) {
  DisplacementList list;
  list.SetText(std::string("short\r") +
               "nothexxxxxC:\\a.avi\r"   // not an integer: no match
               "0000000100C:\\b.avi\r"   // octal
               "    -25xyzC:\\c.avi\r"   // decimal, the rest of the ten ignored
               "0x7fffffffC:\\d.avi\r"
               "0x0000000A");           // an empty path
  const struct { const char* path; int32_t delay; } lookups[] = {  // delay 0: no match
                 {"C:\\a.avi", 0}, {"rt", 0},         {"C:\\b.avi", 64},
                 {"C:\\c.avi", -25}, {"C:\\d.avi", INT32_MAX}, {"", 10}};
  for (const auto& l : lookups) EXPECT_EQ(Found(list, l.path), std::make_tuple(l.delay != 0, l.delay)) << l.path;
}

}  // namespace
