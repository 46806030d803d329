// The shell's small rules over the application record: the balance bar's
// values and signs, and the play list selection.
#include <gtest/gtest.h>

#include "app/application.h"
#include "settings/options.h"
#include "app/shell_state.h"
#include "playlist/playlist.h"

namespace {

class ShellState : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_options;
    SetDefaultOptions(&g_options);
    g_app.balanceTarget = kBalanceVolume;
    g_app.balanceShown.store(0);
    g_app.balanceChanged.store(0);
  }
  void TearDown() override { g_options = saved_; }

 private:
  Options saved_;
};

TEST_F(ShellState, VolumeStepsStayWithinZeroToHundred) {
  g_options.volume = 97;
  AdjustBalanceValue(5);
  EXPECT_EQ(g_options.volume, 100u);
  EXPECT_EQ(g_app.balanceChanged.load(), 1);
  g_options.volume = 3;
  AdjustBalanceValue(-5);
  EXPECT_EQ(g_options.volume, 0u);
  AdjustBalanceValue(-5);
  EXPECT_EQ(g_options.volume, 0u);
}

TEST_F(ShellState, HiddenBarAlwaysMeansTheVolume) {
  g_app.balanceTarget = kBalanceBrightness;
  AdjustBalanceValue(10);
  EXPECT_EQ(g_app.balanceTarget.load(), kBalanceVolume);
  EXPECT_EQ(g_options.volume, 100u);  // already at the top
  EXPECT_EQ(g_options.colorBalance.brightness, 50);
  // With the bar on screen the named value moves.
  g_app.balanceShown.store(1);
  g_app.balanceTarget = kBalanceSaturation;
  AdjustBalanceValue(-20);
  EXPECT_EQ(g_options.colorBalance.saturation, 30);
  g_app.balanceTarget = kBalanceContrast;
  AdjustBalanceValue(5);
  EXPECT_EQ(g_options.colorBalance.contrast, 55);
  EXPECT_EQ(g_options.colorBalance.brightness, 50);
}

TEST_F(ShellState, TargetsOutOfRangeWrapAround) {
  g_app.balanceTarget = 5;
  EXPECT_EQ(CurrentBalanceValue(), &g_options.colorBalance.brightness);
  EXPECT_EQ(g_app.balanceTarget.load(), 1);
  g_app.balanceTarget = -1;
  EXPECT_EQ(CurrentBalanceValue(), &g_options.colorBalance.contrast);
  EXPECT_EQ(g_app.balanceTarget.load(), 3);
  g_app.balanceTarget = 10;
  EXPECT_EQ(CurrentBalanceValue(), &g_options.colorBalance.saturation);
}

TEST_F(ShellState, SignsOfTheBalanceBar) {
  EXPECT_EQ(BalanceTargetAt(32), kBalanceContrast);
  EXPECT_EQ(BalanceTargetAt(63), kBalanceContrast);
  EXPECT_EQ(BalanceTargetAt(64), kBalanceVolume);
  EXPECT_EQ(BalanceTargetAt(95), kBalanceVolume);
  EXPECT_EQ(BalanceTargetAt(96), kBalanceBrightness);
  EXPECT_EQ(BalanceTargetAt(127), kBalanceBrightness);
  EXPECT_EQ(BalanceTargetAt(128), kBalanceSaturation);
  EXPECT_EQ(BalanceTargetAt(159), kBalanceSaturation);
}

TEST_F(ShellState, SelectionStaysInsideTheList) {
  Playlist list;
  Playlist* saved = g_playlist;
  g_playlist = &list;
  list.SetText("a.avi\rb.avi\rc.avi");
  g_app.currentIndex = 7;
  ClampSelection();
  EXPECT_EQ(g_app.currentIndex, 2);
  g_app.currentIndex = -3;
  ClampSelection();
  EXPECT_EQ(g_app.currentIndex, 0);
  list.SetText("");
  g_app.currentIndex = 4;
  ClampSelection();
  EXPECT_EQ(g_app.currentIndex, 0);
  g_playlist = saved;
  g_app.currentIndex = 0;
}

}  // namespace
