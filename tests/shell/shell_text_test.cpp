// Frame times, file titles and the painting code's tone changes.
#include <gtest/gtest.h>

#include "app/frame_time.h"
#include "app/picture_tones.h"
#include "app/shell.h"

#include <string>
#include <vector>

namespace {

std::string TimeOf(int32_t frame, int32_t rate, int32_t scale) {
  char text[kFrameTimeCapacity];
  FormatFrameTime(text, frame, rate, scale);
  return text;
}

TEST(FrameTime, MinutesAndSecondsUnderAnHour) {
  EXPECT_EQ(TimeOf(1875, 25, 1), "01:15");  // 75 seconds
  EXPECT_EQ(TimeOf(24, 25, 1), "00:00");    // truncated, not rounded
  EXPECT_EQ(TimeOf(25, 25, 1), "00:01");
  EXPECT_EQ(TimeOf(89999, 25, 1), "59:59");
}

TEST(FrameTime, HoursFromOneHourOn) {
  EXPECT_EQ(TimeOf(3725, 1, 1), "01:02:05");
  EXPECT_EQ(TimeOf(90000, 25, 1), "01:00:00");
  // 29.97 frames per second: 2248 x 1001 / 30000 = 75.008 seconds.
  EXPECT_EQ(TimeOf(2248, 30000, 1001), "01:15");
  // The product is 64-bit: 2,000,000,000 x 1,000,000 / 1 does not wrap.
  EXPECT_EQ(TimeOf(2000000000, 1, 1000000), "555555555555:33:20");
}

TEST(FrameTime, StreamsWithoutRateShowZero) {
  EXPECT_EQ(TimeOf(100, 0, 1), "00:00");
  EXPECT_EQ(TimeOf(-5, 25, 1), "00:00");
}

TEST(FileTitle, NameWithoutDirectoryAndLastExtension) {
  char title[1024];
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:\\clips\\my.movie.avi", "my.movie"},
      {"/home/user/clip.avi", "clip"},
      {"Z:\\mixed/dirs\\name.avi", "name"},
      {"C:\\dir.with.dots\\plain", "plain"},
      {"noext", "noext"},
      {"C:\\clips\\.avi", ""},
      {"C:\\clips\\", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    FileTitleOf(title, c.first.c_str());
    EXPECT_EQ(std::string(title), c.second) << c.first;
  }
}

TEST(FileTitle, VeryLongNamesAreCutToTheBuffer) {
  const std::string path = "C:\\" + std::string(3000, 'x') + ".avi";
  std::vector<char> title(1024 + 16, '#');
  FileTitleOf(title.data(), path.c_str());
  EXPECT_EQ(std::string(title.data()).size(), 1023u);
  EXPECT_EQ(title[1024], '#');  // nothing written past the 1,024 bytes
}

TEST(PictureTones, DimmingMakesDarkSepia) {
  // Blue, green, red.
  uint8_t row[] = {255, 255, 255, 0, 0, 10, 30, 60, 90, 0, 0, 0};
  DimRow(row, 4);
  // White: S = 765, H = 382: red 191, green 127, blue 95.
  EXPECT_EQ(row[0], 95);
  EXPECT_EQ(row[1], 127);
  EXPECT_EQ(row[2], 191);
  // S = 10, H = 5: red 2, green 1, blue 1.
  EXPECT_EQ(row[3], 1);
  EXPECT_EQ(row[4], 1);
  EXPECT_EQ(row[5], 2);
  // S = 180, H = 90: red 45, green 30, blue 22.
  EXPECT_EQ(row[6], 22);
  EXPECT_EQ(row[7], 30);
  EXPECT_EQ(row[8], 45);
  EXPECT_EQ(row[9] + row[10] + row[11], 0);
}

TEST(PictureTones, HighlightFadesFromLeftToRight) {
  const int width = 400;
  std::vector<uint8_t> row(3 * width, 0);
  for (int x = 0; x < width; ++x) row[3 * x + 2] = 101;
  row[0] = 7;
  row[1] = 9;
  HighlightRow(row.data(), width);
  EXPECT_EQ(row[2], (255 + 101) / 2);  // 400 clamps to 255
  // Up to x = 152 the glow stays full: 400 - 152 x 384 / 400 = 255.
  EXPECT_EQ(row[3 * 152 + 2], (255 + 101) / 2);
  EXPECT_EQ(row[3 * 153 + 2], (254 + 101) / 2);  // 400 - 146
  EXPECT_EQ(row[3 * 154 + 2], (253 + 101) / 2);  // 400 - 147
  EXPECT_EQ(row[3 * 399 + 2], (17 + 101) / 2);   // 400 - 383
  EXPECT_EQ(row[0], 7);  // blue and green untouched
  EXPECT_EQ(row[1], 9);
  EXPECT_EQ(row[3 * 200], 0);
  EXPECT_EQ(row[3 * 200 + 1], 0);
}

}  // namespace
