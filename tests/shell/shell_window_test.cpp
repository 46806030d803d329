// The main window without a file: start-up, the idle and play list screens,
// its own accelerators and the cursor command (the size rules are checked
// with the size commands).
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/playlist_layout.h"
#include "app/resource.h"
#include "app/shell.h"
#include "playlist/playlist.h"
#include "tests/shell/shell_session.h"

#include <cstdlib>

namespace {

int Brightness(const uint8_t* rgb) { return rgb[0] + rgb[1] + rgb[2]; }

TEST(ShellWindow, StartsIdleWithItsPicturesKeysAndCursor) {
  ShellSession session("");
  ASSERT_TRUE(session.Started());
  session.PumpFor(300);
  EXPECT_EQ(WindowTitle(session.Window()), "Velmora Player V0.25 Beta");
  EXPECT_EQ(FindWindowA("VelmoraClass", nullptr), session.Window());
  EXPECT_EQ(WindowSize(session.Window()), std::make_pair(512L, 420L));
  EXPECT_EQ(session.CommandCount(IDM_PLAY_PAUSE), 0);
  EXPECT_NE(GetMenu(session.Window()), nullptr);
  EXPECT_EQ(g_app.mainMenu, GetMenu(session.Window()));

  // The idle picture sits in the middle with black around it.
  ASSERT_EQ(g_app.idlePicture.Width(), 400);
  const Capture capture = CaptureClientArea(session.Window());
  ASSERT_GT(capture.width, 400);
  const int left = capture.width / 2 - 200;
  const int top = capture.height / 2 - 150;
  int matching = 0;
  for (int y = 10; y < 300; y += 29) {
    for (int x = 10; x < 400; x += 39) {
      const uint8_t* shown = capture.At(left + x, top + y);
      const uint8_t* drawn = g_app.idlePicture.Row(y) + 3 * x;  // blue, green, red
      matching += std::abs(shown[0] - drawn[2]) + std::abs(shown[1] - drawn[1]) +
                      std::abs(shown[2] - drawn[0]) < 12;
    }
  }
  EXPECT_GE(matching, 95);  // of 100 samples
  EXPECT_EQ(Brightness(capture.At(2, 2)), 0);
  EXPECT_EQ(Brightness(capture.At(capture.width - 3, capture.height - 3)), 0);
  // The balance image holds four 32 x 32 signs, each a lit part on a dark
  // background.
  for (int sign = 0; sign < 4; ++sign) {
    int lit = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 32 * sign; x < 32 * sign + 32; ++x) lit += g_app.balanceImage[128 * y + x] > 128;
    }
    EXPECT_GT(lit, 60) << "sign " << sign;
    EXPECT_LT(lit, 32 * 32 / 2) << "sign " << sign;
  }
  // The context menu got its picture column in front of Play/Pause.
  ASSERT_NE(g_app.contextMenu, nullptr);
  EXPECT_EQ(GetMenuItemCount(g_app.contextMenu), 13);
  EXPECT_EQ(GetMenuItemID(g_app.contextMenu, 1), static_cast<UINT>(IDM_PLAY_PAUSE));
  const UINT strip = GetMenuState(g_app.contextMenu, 0, MF_BYPOSITION);
  EXPECT_EQ(strip & (MF_OWNERDRAW | MF_DISABLED), static_cast<UINT>(MF_OWNERDRAW | MF_DISABLED));
  MEASUREITEMSTRUCT measure = {};
  measure.CtlType = ODT_MENU;
  SendMessageA(session.Window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
  EXPECT_EQ(measure.itemWidth, 8u);
  EXPECT_EQ(measure.itemHeight, 24u);
  // The strip's picture and both icons of the window class are loaded.
  EXPECT_NE(g_app.contextStripPicture, nullptr);
  EXPECT_NE(GetClassLongPtrA(session.Window(), GCLP_HICON), 0);
  EXPECT_NE(GetClassLongPtrA(session.Window(), GCLP_HICONSM), 0);
  // The message loop does not translate keys: the window procedure does.
  SendMessageA(session.Window(), WM_KEYDOWN, VK_SPACE, 0x00390001);
  EXPECT_EQ(session.CommandCount(IDM_PLAY_PAUSE), 1);
  SendMessageA(session.Window(), WM_KEYDOWN, '2', 0x00030001);
  EXPECT_EQ(session.CommandCount(IDM_NORMAL_SIZE), 1);
  SendMessageA(session.Window(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  EXPECT_EQ(session.CommandCount(IDM_KEY_ESCAPE), 1);
  EXPECT_EQ(session.CommandCount(IDM_STOP), 1);  // Esc in a window stops
  // The cursor command calls ShowCursor on changes only.
  ASSERT_EQ(g_app.cursorShown.load(), 1);
  session.Command(IDM_CURSOR, 0);
  EXPECT_EQ(g_app.cursorShown.load(), 0);
  // ShowCursor keeps a count: a second hide must not push it further down.
  session.Command(IDM_CURSOR, 0);
  session.Command(IDM_CURSOR, 1);
  EXPECT_EQ(g_app.cursorShown.load(), 1);
  CURSORINFO info = {};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetCursorInfo(&info));
  EXPECT_NE(info.flags & CURSOR_SHOWING, 0u);
}

TEST(ShellWindow, PlaylistScreenMarksTheCurrentEntry) {
  ShellSession session("");
  g_playlist->SetText("C:\\clips\\first.avi\rC:\\clips\\my.movie.avi\rD:\\third.avi");
  g_app.currentIndex = 1;
  Repaint();
  session.PumpFor(100);
  const Capture capture = CaptureClientArea(session.Window());
  const PlaylistLayout layout = LayOutPlaylist(1, 3, capture.height);
  EXPECT_EQ(g_app.playlistScroll, layout.scroll);
  const int current = PlaylistLineTop(1, layout.topOffset) + 8;
  const int other = PlaylistLineTop(0, layout.topOffset) + 8;
  // The band: strong red at the left of the current line only.
  EXPECT_GE(capture.At(3, current)[0], 127);
  EXPECT_LT(capture.At(3, other)[0], 100);
  // Some text was written on each line, right of the 32-pixel indent.
  for (int index = 0; index < 3; ++index) {
    const int top = PlaylistLineTop(index, layout.topOffset);
    int lit = 0;
    for (int y = top; y < top + 16; ++y) {
      for (int x = 32; x < 140; ++x) lit += capture.At(x, y)[0] > 200 && capture.At(x, y)[2] < 120;
    }
    EXPECT_GT(lit, 20) << "line " << index;
  }
  // A click on the first line chooses it; the wheel moves down again.
  SendMessageA(session.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, other));
  EXPECT_EQ(g_app.currentIndex, 0);
  SendMessageA(session.Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(g_app.currentIndex, 1);
  // Dragging the current entry onto the last line moves it there.
  const int last = PlaylistLineTop(2, LayOutPlaylist(1, 3, capture.height).topOffset) + 4;
  SendMessageA(session.Window(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, last));
  EXPECT_EQ(g_app.currentIndex, 2);
  EXPECT_EQ(g_playlist->Item(2), "C:\\clips\\my.movie.avi");
}

}  // namespace
