// The shell's small rules over the application record: the balance bar's
// values and signs (the keys and the selection are checked with the commands).
#include <gtest/gtest.h>

#include "app/application.h"
#include "settings/options.h"
#include "app/shell_state.h"

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

TEST_F(ShellState, SignsOfTheBalanceBar) {
  const int32_t signs[] = {kBalanceContrast, kBalanceVolume, kBalanceBrightness,
                           kBalanceSaturation};
  for (int sign = 0; sign < 4; ++sign) {
    EXPECT_EQ(BalanceTargetAt(32 + 32 * sign), signs[sign]);
    EXPECT_EQ(BalanceTargetAt(63 + 32 * sign), signs[sign]);
  }
}

}  // namespace
