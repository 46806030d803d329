#include <gtest/gtest.h>

#include "playlist/playlist.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Items = std::vector<std::string>;

Playlist ListOf(const Items& items) {
  Playlist list;
  for (const std::string& item : items) list.Append(item);
  return list;
}

// The ordering as it is defined: repeatedly take the smallest remaining item
// (strcmp order, first of equals) and delete it from the old list.
Items SelectionSorted(Items left) {
  Items sorted;
  while (!left.empty()) {
    size_t smallest = 0;
    for (size_t i = 1; i < left.size(); ++i) {
      if (std::strcmp(left[i].c_str(), left[smallest].c_str()) < 0) smallest = i;
    }
    sorted.push_back(left[smallest]);
    left.erase(left.begin() + smallest);
  }
  return sorted;
}

TEST(Playlist, CountIsSeparatorsPlusOneAndEmptyIsOneEmptyItem) {
  Playlist list;
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(list.IsEmpty());
  list.Append("a.avi");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Text(), "a.avi");
  EXPECT_FALSE(list.IsEmpty());
  list.Append("b.avi");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Text(), "a.avi\rb.avi");

  list.SetText(std::string("x\r\ry\0z\rw", 8));  // ends at the zero byte
  EXPECT_EQ(list.Text(), "x\r\ry");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_FALSE(list.IsEmpty());
  list.SetText("\r");  // two empty items are not an empty list
  EXPECT_EQ(list.Count(), 2);
  EXPECT_FALSE(list.IsEmpty());
  list.Append("p\rq");  // a text with separators counts as several items
  EXPECT_EQ(list.Count(), 4);
}

TEST(Playlist, ItemsOutOfRangeReadAsFirstOrEmpty) {
  const Playlist list = ListOf({"first", "second", "third"});
  EXPECT_EQ(list.Item(-5), "first");
  EXPECT_EQ(list.Item(1), "second");
  EXPECT_EQ(list.Item(2), "third");
  EXPECT_EQ(list.Item(3), "");
  EXPECT_EQ(list.ItemLength(-1), 5u);
  EXPECT_EQ(list.ItemLength(1), 6u);
  EXPECT_EQ(list.ItemLength(9), 0u);

  char buffer[5];
  std::memset(buffer, 'X', sizeof buffer);
  list.Item(1, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "seco");  // cut to fit, always terminated
  list.Item(7, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "");
}

TEST(Playlist, ReplaceAndDeleteRebuildAroundTheItem) {
  Playlist list = ListOf({"a", "b", "c"});
  list.Replace("B\rB2", 1);
  EXPECT_EQ(list.Text(), "a\rB\rB2\rc");
  EXPECT_EQ(list.Count(), 4);
  list.Replace("z", 4);  // out of range: ignored
  list.Replace("z", -1);
  EXPECT_EQ(list.Text(), "a\rB\rB2\rc");

  list.Delete(4);
  list.Delete(-1);
  EXPECT_EQ(list.Count(), 4);
  list.Delete(3);  // last
  EXPECT_EQ(list.Text(), "a\rB\rB2");
  list.Delete(0);  // first
  EXPECT_EQ(list.Text(), "B\rB2");
  list.Delete(1);
  list.Delete(0);  // the only item leaves the empty list
  EXPECT_TRUE(list.IsEmpty());

  list.SetText("\rmiddle\r");  // empty items are items too
  list.Delete(0);
  EXPECT_EQ(list.Text(), "middle\r");
  EXPECT_EQ(list.Count(), 2);
}

TEST(Playlist, SortIsByteOrderOfTheRepeatedSelection) {
  Playlist list = ListOf({"b", "B", "a"});
  list.SortByFullPath();
  EXPECT_EQ(list.Text(), "B\ra\rb");

  // Bytes of 128 and above sort after ASCII; prefixes first; duplicates kept.
  std::mt19937 random(7);
  Items items;
  const char alphabet[] = {'a', 'B', 'c', ' ', '.', '\\', '\xE9', '\x80', 'Z'};
  for (int i = 0; i < 200; ++i) {
    std::string item;
    for (int n = 1 + static_cast<int>(random() % 4); n > 0; --n) item += alphabet[random() % 9];
    items.push_back(item);
  }
  list = ListOf(items);
  list.SortByFullPath();
  EXPECT_EQ(list.Items(), SelectionSorted(items));

  Playlist empty;
  empty.SortByFullPath();
  empty.Reverse();
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(Playlist, ReverseAndMoveKeepEveryItem) {
  Playlist list = ListOf({"a", "b", "c", "d", "e"});
  list.Reverse();
  EXPECT_EQ(list.Text(), "e\rd\rc\rb\ra");
  list.Reverse();

  EXPECT_EQ(list.MoveItem(0, 3), 3);
  EXPECT_EQ(list.Text(), "b\rc\rd\ra\re");
  EXPECT_EQ(list.MoveItem(4, 1), 1);
  EXPECT_EQ(list.Text(), "b\re\rc\rd\ra");
  // The position must be another item inside the list.
  EXPECT_EQ(list.MoveItem(2, 2), 2);
  EXPECT_EQ(list.MoveItem(2, 5), 2);
  EXPECT_EQ(list.MoveItem(2, -1), 2);
  EXPECT_EQ(list.MoveItem(-1, 0), -1);
  EXPECT_EQ(list.Text(), "b\re\rc\rd\ra");

  EXPECT_EQ(list.ClampIndex(-3), 0);
  EXPECT_EQ(list.ClampIndex(4), 4);
  EXPECT_EQ(list.ClampIndex(5), 4);
  EXPECT_EQ(Playlist().ClampIndex(2), 0);
}

// The generator's first outputs for seed 1 are the well-known 41, 18467,
// 6334, 26500, 19169 of the C runtime's rand(); they pick items 5*41/32768 = 0,
// 4*18467/32768 = 2, 3*6334/32768 = 0, 2*26500/32768 = 1 and then the last.
TEST(Playlist, RandomizeFollowsTheGeneratorAndKeepsEveryItemOnce) {
  Playlist list = ListOf({"a", "b", "c", "d", "e"});
  list.Randomize(1);
  EXPECT_EQ(list.Text(), "a\rd\rb\re\rc");

  Playlist single = ListOf({"only"});
  single.Randomize(12345);
  EXPECT_EQ(single.Text(), "only");

  Items items;
  for (int i = 0; i < 300; ++i) items.push_back("clip" + std::to_string(i) + ".avi");
  Items sortedItems = items;
  std::sort(sortedItems.begin(), sortedItems.end());
  for (uint32_t seed : {0u, 1u, 1700000000u, 0xFFFFFFFFu}) {
    Playlist shuffled = ListOf(items);
    shuffled.Randomize(seed);
    Items result = shuffled.Items();
    EXPECT_NE(result, items) << "seed " << seed;
    std::sort(result.begin(), result.end());
    EXPECT_EQ(result, sortedItems) << "seed " << seed;
  }
}

#ifdef _WIN32
// On Windows the C runtime's rand() is the same generator: an independent
// reference for any seed.
TEST(Playlist, RandomizeMatchesTheRuntimeGenerator) {
  const Items items = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"};
  for (uint32_t seed : {3u, 99u, 1234567u}) {
    std::srand(seed);
    Items left = items, expected;
    while (!left.empty()) {
      const size_t pick = static_cast<size_t>(std::rand()) * left.size() / 32768;
      expected.push_back(left[pick]);
      left.erase(left.begin() + pick);
    }
    Playlist list = ListOf(items);
    list.Randomize(seed);
    EXPECT_EQ(list.Items(), expected) << "seed " << seed;
  }
}
#endif

}  // namespace
