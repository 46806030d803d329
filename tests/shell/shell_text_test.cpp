// Frame times, bit rates, file titles, the painting code's tone changes, and
// the balance bar's values and signs over the application record (the keys
// and the selection are checked with the commands).
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/bitrate.h"
#include "app/frame_time.h"
#include "app/picture_tones.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "settings/options.h"

#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string TimeOf(int32_t frame, int32_t rate, int32_t scale) {
  char text[kFrameTimeCapacity];
  FormatFrameTime(text, frame, rate, scale);
  return text;
}

TEST(FrameTime, MinutesSecondsAndHoursFromOneHourOn) {
  const struct {
    int32_t frame, rate, scale;
    const char* time;
  } cases[] = {
      {1875, 25, 1, "01:15"}, {24, 25, 1, "00:00"},  // truncated, not rounded
      {25, 25, 1, "00:01"},   {89999, 25, 1, "59:59"}, {3725, 1, 1, "01:02:05"},
      {90000, 25, 1, "01:00:00"},
      {2248, 30000, 1001, "01:15"},  // 29.97 frames a second: 75.008 seconds
      {2000000000, 1, 1000000, "555555555555:33:20"},  // a 64-bit product
      {100, 0, 1, "00:00"},   {-5, 25, 1, "00:00"},  // no rate, or before the start
  };
  for (const auto& c : cases) EXPECT_EQ(TimeOf(c.frame, c.rate, c.scale), c.time) << c.frame;
}

TEST(Bitrate, RoundedToNearestWithoutOverflow) {
  const struct {
    uint32_t perSecond, totalBytes;
    uint64_t units, kilobits;
  } cases[] = {
      {25, 1000000, 250, 800},          // 10 s of video at 100,000 bytes a second
      {44100, 1764000, 441000, 1411},   // CD sound: 1,411.2 kbit/s
      {1, 375, 2, 2}, {1, 374, 2, 1},   // 1.5 rounds up, 1.496 down
      {1, 1, 1, 0}, {1, 62, 1, 0}, {1, 63, 1, 1},  // a byte a second is 0.008 kbit/s
      {2147483647u, 4294967295u, uint64_t{1} << 62, 0},  // the largest frame count times scale
      // 125 x units passes 64 bits; the quotient is 0.74.
      {4294967295u, 4294967295u, 200000000000000000u, 1},
      {4294967295u, 4294967295u, 1, 147573952520956936u},  // the largest product over one unit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundedKilobitsPerSecond(c.perSecond, c.totalBytes, c.units), c.kilobits)
        << c.perSecond << " " << c.totalBytes << " " << c.units;
  }
#if defined(__SIZEOF_INT128__)
  // Against 128-bit arithmetic, where the compiler has it.
  std::mt19937_64 random(29);
  for (int i = 0; i < 100000; ++i) {
    const uint32_t perSecond = static_cast<uint32_t>(random()), totalBytes = static_cast<uint32_t>(random());
    const uint64_t units = (random() >> (random() % 64)) | 1;
    const unsigned __int128 d = static_cast<unsigned __int128>(units) * 125;
    const unsigned __int128 expected =
        (static_cast<unsigned __int128>(perSecond) * totalBytes + d / 2) / d;
    ASSERT_EQ(RoundedKilobitsPerSecond(perSecond, totalBytes, units), static_cast<uint64_t>(expected))
        << perSecond << " " << totalBytes << " " << units;
  }
#endif
}

// A name longer than the buffer of 1,024 bytes is cut, and nothing is written
// past the buffer.
TEST(FileTitle, NameWithoutDirectoryAndLastExtensionCutToTheBuffer) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\clips\\my.movie.avi", "my.movie"},
      {"/home/user/clip.avi", "clip"},
      {"Z:\\mixed/dirs\\name.avi", "name"},
      {"C:\\dir.with.dots\\plain", "plain"},
      {"noext", "noext"},
      {"C:\\clips\\.avi", ""},
      {"C:\\clips\\", ""},
      {"", ""},
      {"C:\\" + std::string(3000, 'x') + ".avi", std::string(1023, 'x')},
  };
  for (const auto& c : cases) {
    std::vector<char> title(1024 + 16, '#');
    FileTitleOf(title.data(), c.first.c_str());
    EXPECT_EQ(std::make_pair(std::string(title.data()), title[1024]), std::make_pair(c.second, '#'))
        << c.first.substr(0, 40);
  }
}

// Dimming: blue, green, red in; with S the sum and H = S / 2: red H / 2, green
// H / 3, blue H / 4 out. Highlighting averages the red with a glow of 400 -
// x * 384 / 400, at most 255, and leaves blue and green.
TEST(PictureTones, DimmingMakesDarkSepiaAndHighlightFadesFromLeftToRight) {
  std::vector<uint8_t> row = {255, 255, 255, 0, 0, 10, 30, 60, 90, 0, 0, 0};
  DimRow(row.data(), 4);
  EXPECT_EQ(row, (std::vector<uint8_t>{95, 127, 191, 1, 1, 2, 22, 30, 45, 0, 0, 0}));
  const int width = 400;
  row.assign(3 * width, 0);
  for (int x = 0; x < width; ++x) row[3 * x + 2] = 101;
  row[0] = 7, row[1] = 9;
  HighlightRow(row.data(), width);
  const std::pair<int, int> glows[] = {{0, 255}, {152, 255}, {153, 254}, {154, 253}, {399, 17}};
  for (const auto& g : glows) EXPECT_EQ(row[3 * g.first + 2], (g.second + 101) / 2) << g.first;
  EXPECT_EQ(std::make_tuple(row[0], row[1], row[3 * 200], row[3 * 200 + 1]),
            std::make_tuple(7, 9, 0, 0));
}

// The hidden bar always means the volume; with the bar on screen the named
// value moves. Each sign of the bar is 32 pixels wide.
TEST(ShellState, TheBalanceBarMovesTheValueItShowsAndItsSignsNameThem) {
  const Options saved = g_options;
  SetDefaultOptions(&g_options);
  g_app.balanceShown.store(0);
  g_app.balanceTarget = kBalanceBrightness;
  AdjustBalanceValue(10);
  EXPECT_EQ(g_app.balanceTarget.load(), kBalanceVolume);
  EXPECT_EQ(std::make_tuple(g_options.volume, g_options.colorBalance.brightness), std::make_tuple(100u, 50));
  g_app.balanceShown.store(1);
  g_app.balanceTarget = kBalanceSaturation;
  AdjustBalanceValue(-20);
  EXPECT_EQ(g_options.colorBalance.saturation, 30);
  g_app.balanceTarget = kBalanceContrast;
  AdjustBalanceValue(5);
  EXPECT_EQ(std::make_tuple(g_options.colorBalance.contrast, g_options.colorBalance.brightness), std::make_tuple(55, 50));
  g_options = saved;
  g_app.balanceShown.store(0);
  const int32_t signs[] = {kBalanceContrast, kBalanceVolume, kBalanceBrightness, kBalanceSaturation};
  for (int sign = 0; sign < 4; ++sign) {
    EXPECT_EQ(std::make_tuple(BalanceTargetAt(32 + 32 * sign), BalanceTargetAt(63 + 32 * sign)),
              std::make_tuple(signs[sign], signs[sign]));
  }
}

}  // namespace
