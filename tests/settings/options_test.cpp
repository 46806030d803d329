#include <gtest/gtest.h>

#include "platform/cpu_features.h"
#include "settings/displacement_list.h"
#include "settings/options.h"

#include <cstring>

namespace {

// The stored layout, written out from the settings table: offset, width in
// bytes and default value of every field, reserved bytes included.
struct StoredField {
  size_t offset;
  size_t width;
  uint32_t value;
};

const StoredField kDefaultLayout[] = {
    {0, 4, 25}, {4, 4, 0}, {8, 4, 0}, {12, 4, 1}, {16, 4, 0}, {20, 4, 1},
    {24, 1, 0}, {25, 1, 0}, {26, 1, 0}, {27, 1, 0}, {28, 4, 0},
    // video filters 32..42, audio filters 43..45
    {32, 1, 0}, {33, 1, 0}, {34, 1, 0}, {35, 1, 0}, {36, 1, 0}, {37, 1, 0}, {38, 1, 0},
    {39, 1, 0}, {40, 1, 0}, {41, 1, 0}, {42, 1, 0}, {43, 1, 0}, {44, 1, 0}, {45, 1, 0},
    // RGB High, RGB True, YUY2/UYVY, YV12, safe backup, disable audio, subtitles
    {46, 1, 1}, {47, 1, 1}, {48, 1, 1}, {49, 1, 0}, {50, 1, 0}, {51, 1, 0},
    {52, 1, 1}, {53, 1, 0}, {54, 1, 1}, {55, 1, 0},
    // custom colours
    {56, 4, 0xDDFFDD}, {60, 4, 0xC4D7FF}, {64, 4, 0xFFCEFF}, {68, 4, 0xFFFFBF},
    {72, 4, 0xD8E7E9}, {76, 4, 0xC1FCFF}, {80, 4, 0xCAECFB}, {84, 4, 0xC0FEE3},
    {88, 4, 0xD5FFFF}, {92, 4, 0xE8E8D0}, {96, 4, 0xC4C4FF}, {100, 4, 0xFFFFFF},
    {104, 4, 0xE0E0E0}, {108, 4, 0xD3F1E6}, {112, 4, 0xDADCEB}, {116, 4, 0xF7F3D2},
    {120, 1, 0}, {121, 1, 0}, {122, 1, 0}, {123, 1, 0}, {124, 4, 100}, {128, 1, 1},
    {129, 1, 1},  // with MMX
    {130, 1, 0}, {131, 1, 0},
    // subtitle font (LOGFONTA); the face name is checked on its own
    {132, 4, 0xFFFFFFED}, {136, 4, 0}, {140, 4, 0}, {144, 4, 0}, {148, 4, 700},
    {152, 1, 0}, {153, 1, 0}, {154, 1, 0}, {155, 1, 204}, {156, 1, 3}, {157, 1, 2},
    {158, 1, 3}, {159, 1, 0x22},
    {192, 4, 0x0000FFFF},
    {196, 1, 0}, {197, 1, 1}, {198, 1, 0}, {199, 1, 1}, {200, 1, 1}, {201, 1, 0},
    {202, 1, 1}, {203, 1, 0}, {204, 4, 2}, {208, 1, 0}, {209, 1, 0}, {210, 1, 0},
    {211, 1, 0}, {212, 4, 0}, {216, 4, 50}, {220, 4, 50}, {224, 4, 50}, {228, 4, 5},
};

uint32_t ReadLittleEndian(const uint8_t* bytes, size_t width) {
  uint32_t value = 0;
  for (size_t i = width; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

struct DefaultBytes {
  explicit DefaultBytes(uint8_t hasMmx) {
    const bool saved = HasMmx();
    SetHasMmx(hasMmx != 0);
    Options options;
    std::memset(&options, 0xA5, sizeof options);  // defaults must cover every byte
    SetDefaultOptions(&options);
    std::memcpy(bytes, &options, sizeof bytes);
    SetHasMmx(saved);
  }
  uint8_t bytes[232];
};

TEST(Options, DefaultsSitAtTheirStoredOffsets) {
  ASSERT_EQ(sizeof(Options), 232u);
  const DefaultBytes stored(1);
  bool covered[232] = {};
  for (const StoredField& field : kDefaultLayout) {
    EXPECT_EQ(ReadLittleEndian(stored.bytes + field.offset, field.width), field.value)
        << "offset " << field.offset;
    for (size_t i = 0; i < field.width; ++i) covered[field.offset + i] = true;
  }
  const char face[32] = "Verdana";  // zero padded
  EXPECT_EQ(std::memcmp(stored.bytes + 160, face, sizeof face), 0);
  for (size_t i = 160; i < 192; ++i) covered[i] = true;
  for (size_t i = 0; i < 232; ++i) EXPECT_TRUE(covered[i]) << "byte " << i << " not in the table";
}

TEST(Options, ConversionQualityDefaultFollowsMmx) {
  EXPECT_EQ(DefaultBytes(1).bytes[129], 1);
  EXPECT_EQ(DefaultBytes(0).bytes[129], 0);
}

TEST(Options, DefaultsForgetTheRememberedDelays) {
  const std::string saved = g_displacementList.Text();
  g_displacementList.Remember("C:\\a.avi", 250);
  ASSERT_FALSE(g_displacementList.IsEmpty());
  Options options;
  SetDefaultOptions(&options);
  EXPECT_TRUE(g_displacementList.IsEmpty());
  g_displacementList.SetText(saved);
}

}  // namespace
