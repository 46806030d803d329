#include <gtest/gtest.h>

#include "settings/displacement_list.h"
#include "settings/options.h"
#include "tests/video/pixel_test_support.h"

#include <cstring>
#include <string>
#include <tuple>

namespace {

// The stored layout's non-zero defaults: offset, width in bytes and value.
// Every other byte of the record, reserved bytes included, is zero.
const struct {
  size_t offset, width;
  uint32_t value;
} kNonZeroDefaults[] = {
    {0, 4, 25}, {12, 4, 1}, {20, 4, 1},
    // RGB High, RGB True, YUY2/UYVY; subtitles Auto Load and Shadow
    {46, 1, 1}, {47, 1, 1}, {48, 1, 1}, {52, 1, 1}, {54, 1, 1},
    // custom colours
    {56, 4, 0xDDFFDD}, {60, 4, 0xC4D7FF}, {64, 4, 0xFFCEFF}, {68, 4, 0xFFFFBF},
    {72, 4, 0xD8E7E9}, {76, 4, 0xC1FCFF}, {80, 4, 0xCAECFB}, {84, 4, 0xC0FEE3},
    {88, 4, 0xD5FFFF}, {92, 4, 0xE8E8D0}, {96, 4, 0xC4C4FF}, {100, 4, 0xFFFFFF},
    {104, 4, 0xE0E0E0}, {108, 4, 0xD3F1E6}, {112, 4, 0xDADCEB}, {116, 4, 0xF7F3D2},
    {124, 4, 100}, {128, 1, 1},
    {129, 1, 1},  // with MMX
    // subtitle font (LOGFONTA); the face name is checked on its own
    {132, 4, 0xFFFFFFED}, {148, 4, 700}, {155, 1, 204}, {156, 1, 3}, {157, 1, 2}, {158, 1, 3}, {159, 1, 0x22},
    {192, 4, 0x0000FFFF},
    {197, 1, 1}, {199, 1, 1}, {200, 1, 1}, {202, 1, 1}, {204, 4, 2},
    {216, 4, 50}, {220, 4, 50}, {224, 4, 50}, {228, 4, 5},
};

TEST(Options, DefaultsSitAtTheirStoredOffsets) {
  ASSERT_EQ(sizeof(Options), 232u);
  for (const bool mmx : {true, false}) {
    ScopedMmxFlag flag(mmx);
    Options options;
    std::memset(&options, 0xA5, sizeof options);  // defaults must cover every byte
    SetDefaultOptions(&options);
    uint8_t want[232] = {};
    for (const auto& field : kNonZeroDefaults) {
      for (size_t i = 0; i < field.width; ++i) want[field.offset + i] = static_cast<uint8_t>(field.value >> 8 * i);
    }
    std::memcpy(want + 160, "Verdana", 7);  // the face name, zero padded
    want[129] = mmx ? 1 : 0;                // the conversion quality follows MMX
    const auto* stored = reinterpret_cast<const uint8_t*>(&options);
    for (size_t i = 0; i < sizeof want; ++i) EXPECT_EQ(stored[i], want[i]) << "byte " << i << " mmx " << mmx;
  }
}

// Whether the path is found, and its delay (0 when not).
std::tuple<bool, int32_t> Found(DisplacementList& list, const std::string& path) {
  int32_t delay = 0;
  const bool found = list.Lookup(path, &delay);
  return {found, delay};
}

std::string Path(int i) { return "C:\\clips\\clip " + std::to_string(i) + ".avi"; }

// Remembering the last entry's path again replaces it; a delay of zero
// forgets it. Stored delays read like %i: octal, decimal, hexadecimal.
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

  // Stored delays read like %i.
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

TEST(DisplacementList, KeepsTheTenMostRecentFiles) {
  DisplacementList list;
  for (int i = 1; i <= 10; ++i) list.Remember(Path(i), i);
  int32_t delay = 0;
  ASSERT_TRUE(list.Count() == 10 && list.Lookup(Path(1), &delay));  // now the most recent
  list.Remember(Path(1), 1);
  list.Remember(Path(11), 11);  // the eleventh file drops the oldest: 2
  EXPECT_EQ(std::make_tuple(list.Count(), list.Lookup(Path(2), &delay)), std::make_tuple(10, false));
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

}  // namespace
