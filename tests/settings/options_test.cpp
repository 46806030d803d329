#include <gtest/gtest.h>

#include "settings/options.h"
#include "tests/video/pixel_test_support.h"

#include <cstring>

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

}  // namespace
