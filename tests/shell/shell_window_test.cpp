// The resource script (menus 109 and 140 against the command table,
// accelerator table 109 against the keys the menus show; string 1 is checked
// through the About dialog) and the main window without a file: start-up,
// its pictures and icons, the idle and play list screens, its own
// accelerators and the cursor command (the size rules are checked with the
// size commands).
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/playlist_layout.h"
#include "app/resource.h"
#include "app/shell.h"
#include "playlist/playlist.h"
#include "tests/shell/shell_session.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The command table: every IDM_ name and value that app/resource.h defines.
std::map<std::string, int> Commands() {
  std::ifstream header(std::string("Z:") + VELMORA_RESOURCE_HEADER);  // the build's path under Wine
  std::map<std::string, int> commands;
  std::string define, name;
  int value = 0;
  for (std::string line; std::getline(header, line);) {
    std::istringstream words(line);
    if (words >> define >> name >> value && define == "#define" && name.rfind("IDM_", 0) == 0) {
      commands[name] = value;
    }
  }
  EXPECT_GT(commands.size(), 100u);
  return commands;
}

// The commands that only keys give (the window passes them on by what it
// shows), and those of the program itself.
bool KeyOnly(const std::string& name) { return name.rfind("IDM_KEY_", 0) == 0; }
const std::set<std::string> kNotInAMenu = {"IDM_CURSOR", "IDM_HAND_OVER", "IDM_RESIZE_THIRD"};

// A key by its name in a menu text ("Pg Up", "Ins", "F12", "O") or in a
// key-only command's name ("PAGE_UP"); -1 for a name it cannot read.
int KeyNamed(const std::string& name) {
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::map<std::string, int> keys = {
      {"SPACE", VK_SPACE}, {"ESC", VK_ESCAPE}, {"ESCAPE", VK_ESCAPE}, {"ENTER", VK_RETURN}, {"UP", VK_UP},
      {"DOWN", VK_DOWN}, {"LEFT", VK_LEFT}, {"RIGHT", VK_RIGHT}, {"INS", VK_INSERT}, {"INSERT", VK_INSERT},
      {"DEL", VK_DELETE}, {"DELETE", VK_DELETE}, {"HOME", VK_HOME}, {"END", VK_END}, {"PG UP", VK_PRIOR},
      {"PAGE_UP", VK_PRIOR}, {"DN", VK_NEXT}, {"PAGE_DOWN", VK_NEXT}};
  if (keys.count(upper) != 0) return keys.at(upper);
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) return name[0];
  const int f = name.size() >= 2 && name[0] == 'F' ? std::atoi(name.c_str() + 1) : 0;
  return f > 0 ? VK_F1 + f - 1 : -1;
}

// The keys a menu text shows after its tab ("Ctrl+Up", "Home/End"), as
// (FSHIFT | FCONTROL | FALT, virtual key); false for a name it cannot read.
bool ShownKeys(const std::string& text, std::vector<std::pair<int, int>>* keys) {
  std::string rest = text.substr(text.find('\t') + 1);
  int modifiers = 0;
  const std::pair<std::string, int> prefixes[] = {
      {"Ctrl+", FCONTROL}, {"Shift+", FSHIFT}, {"Alt+", FALT}, {"Altl+", FALT}};
  for (const auto& p : prefixes) {
    if (rest.rfind(p.first, 0) == 0) modifiers |= p.second, rest = rest.substr(p.first.size());
  }
  std::istringstream parts(rest);
  for (std::string name; std::getline(parts, name, '/');) {
    if (KeyNamed(name) < 0) return false;
    keys->push_back({modifiers, KeyNamed(name)});
  }
  return !keys->empty();
}

UINT TypeOf(HMENU menu, int position) {
  MENUITEMINFOA item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_FTYPE;
  return GetMenuItemInfoA(menu, position, TRUE, &item) ? item.fType : 0;
}

TEST(ResourceScript, MenusGiveEveryCommandOfTheTableOnceAndTheAcceleratorsTheKeysTheyShow) {
  std::multiset<int> shown, expected;
  for (const MenuItem& item : MenuItems(IDR_MAIN_MENU)) {
    EXPECT_FALSE(item.text.empty()) << item.id;
    shown.insert(item.id);
  }
  for (const auto& command : Commands()) {
    if (!KeyOnly(command.first) && kNotInAMenu.count(command.first) == 0) expected.insert(command.second);
  }
  EXPECT_EQ(shown, expected);
  // The context menu, in a new column, gives commands of the main menu.
  const std::vector<MenuItem> items = MenuItems(IDR_CONTEXT_MENU);
  EXPECT_EQ(items.size(), 9u);
  for (const MenuItem& item : items) EXPECT_EQ(expected.count(item.id), 1u) << item.text;
  HMENU context = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU));
  EXPECT_TRUE(TypeOf(GetSubMenu(context, 0), 0) & MFT_MENUBREAK);
  // "&Help" sits at the right of the menu bar; "Allow YV12" is stored greyed, nothing else is.
  EXPECT_TRUE(TypeOf(menu, GetMenuItemCount(menu) - 1) & MFT_RIGHTJUSTIFY);
  EXPECT_TRUE(GetMenuState(menu, IDM_ALLOW_YV12, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(menu, IDM_ALLOW_YUY2, MF_BYCOMMAND) & MF_GRAYED);
  DestroyMenu(menu);
  DestroyMenu(context);

  // The accelerator table holds the keys the menus show (passed on by a
  // key-only command where there is one), the key-only commands' own keys,
  // and the second keys listed here, which no menu shows; nothing else.
  using Key = std::tuple<int, int, int>;  // modifiers (FSHIFT | FCONTROL | FALT), key, command
  const int S = FSHIFT, C = FCONTROL, A = FALT;
  std::set<Key> wanted = {
      {C, 'O', IDM_FILE_OPEN}, {C, 'P', IDM_FILE_PROPERTIES}, {C | S, 'O', IDM_SUBTITLES_OPEN},
      {C | S, 'C', IDM_SUBTITLES_CLOSE}, {C, VK_RIGHT, IDM_NEXT_FRAME}, {A, '1', IDM_HALF_SIZE},
      {A, '2', IDM_NORMAL_SIZE}, {A, '3', IDM_DOUBLE_SIZE}, {C, 'F', IDM_FADEOUT_PAUSE},
      {C, 'T', IDM_ON_TOP}, {C, 'D', IDM_DEFAULT_COLORS}, {C, 'S', IDM_STATISTICS},
      {C, VK_F1, IDM_KEY_F1}, {C, VK_F2, IDM_KEY_F2}, {C, VK_F3, IDM_KEY_F3},
      {C, VK_F4, IDM_KEY_F4}, {C, VK_F12, IDM_VIDEO_FILTERS_OFF}};
  std::set<std::pair<int, int>> keyOnly;
  for (const auto& command : Commands()) {
    if (!KeyOnly(command.first)) continue;
    // A key-only command is named after its key: IDM_KEY_ALT_F1 is Alt+F1.
    const std::string name = command.first.substr(std::strlen("IDM_KEY_"));
    const bool alt = name.rfind("ALT_", 0) == 0;
    const std::pair<int, int> key = {alt ? FALT : 0, KeyNamed(name.substr(alt ? 4 : 0))};
    ASSERT_GE(key.second, 0) << command.first;
    keyOnly.insert(key);
    wanted.insert(Key{key.first, key.second, command.second});
  }
  for (int menuId : {IDR_MAIN_MENU, IDR_CONTEXT_MENU}) {
    for (const MenuItem& item : MenuItems(menuId)) {
      if (item.text.find('\t') == std::string::npos || item.id == IDM_EXIT) continue;  // Alt+F4: the system's
      std::vector<std::pair<int, int>> keys;
      ASSERT_TRUE(ShownKeys(item.text, &keys)) << item.text;
      for (const auto& k : keys) {
        if (keyOnly.count(k) == 0) wanted.insert(Key{k.first, k.second, item.id});
      }
    }
  }
  const std::vector<ACCEL> entries = ResourceAccelerators();
  std::set<Key> actual;
  for (const ACCEL& e : entries) {
    EXPECT_TRUE(e.fVirt & FVIRTKEY) << "key " << e.key;
    actual.insert(Key{e.fVirt & (FSHIFT | FCONTROL | FALT), e.key, e.cmd});
  }
  EXPECT_EQ(entries.size(), actual.size());  // no key twice
  EXPECT_EQ(actual, wanted);
  EXPECT_GT(actual.size(), 50u);
}

int Brightness(const uint8_t* rgb) { return rgb[0] + rgb[1] + rgb[2]; }

TEST(ShellWindow, StartsIdleWithItsPicturesKeysAndCursorAndShowsThePlayList) {
  ShellSession session("");
  ASSERT_TRUE(session.Started());
  session.Drain();  // what start-up posted
  UpdateWindow(session.Window());
  EXPECT_EQ(WindowTitle(session.Window()), "Velmora Player V0.25 Beta");
  EXPECT_EQ(FindWindowA("VelmoraClass", nullptr), session.Window());
  EXPECT_EQ(WindowSize(session.Window()), std::make_pair(512L, 420L));
  EXPECT_EQ(session.CommandCount(IDM_PLAY_PAUSE), 0);
  EXPECT_TRUE(GetMenu(session.Window()) != nullptr && g_app.mainMenu == GetMenu(session.Window()));

  // The idle picture sits in the middle with black around it.
  ASSERT_EQ(g_app.idlePicture.Width(), 400);
  const Capture capture = CaptureClientArea(session.Window());
  ASSERT_GT(capture.width, 400);
  const int left = capture.width / 2 - 200, top = capture.height / 2 - 150;
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
  EXPECT_EQ(Brightness(capture.At(2, 2)) + Brightness(capture.At(capture.width - 3, capture.height - 3)), 0);
  // The balance image holds four 32 x 32 signs, each a lit part on a dark
  // background.
  for (int sign = 0; sign < 4; ++sign) {
    int lit = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 32 * sign; x < 32 * sign + 32; ++x) lit += g_app.balanceImage[128 * y + x] > 128;
    }
    EXPECT_TRUE(lit > 60 && lit < 32 * 32 / 2) << "sign " << sign << ": " << lit;
  }
  // The context menu got its picture column in front of Play/Pause.
  ASSERT_NE(g_app.contextMenu, nullptr);
  EXPECT_EQ(GetMenuItemCount(g_app.contextMenu), 13);
  EXPECT_EQ(GetMenuItemID(g_app.contextMenu, 1), static_cast<UINT>(IDM_PLAY_PAUSE));
  const UINT strip = GetMenuState(g_app.contextMenu, 0, MF_BYPOSITION);
  EXPECT_EQ(strip & (MF_OWNERDRAW | MF_DISABLED), static_cast<UINT>(MF_OWNERDRAW | MF_DISABLED));
  MEASUREITEMSTRUCT measure = {ODT_MENU};
  SendMessageA(session.Window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
  EXPECT_EQ(std::make_tuple(measure.itemWidth, measure.itemHeight), std::make_tuple(8u, 24u));
  // The strip's picture and both icons of the window class are loaded.
  EXPECT_NE(g_app.contextStripPicture, nullptr);
  EXPECT_TRUE(GetClassLongPtrA(session.Window(), GCLP_HICON) != 0 && GetClassLongPtrA(session.Window(), GCLP_HICONSM) != 0);
  // The message loop does not translate keys: the window procedure does.
  // Esc in a window stops.
  const std::pair<WPARAM, LPARAM> keys[] = {{VK_SPACE, 0x00390001}, {'2', 0x00030001}, {VK_ESCAPE, 0x00010001}};
  for (const auto& [key, flags] : keys) SendMessageA(session.Window(), WM_KEYDOWN, key, flags);
  for (int id : {IDM_PLAY_PAUSE, IDM_NORMAL_SIZE, IDM_KEY_ESCAPE, IDM_STOP}) EXPECT_EQ(session.CommandCount(id), 1) << id;
  // The cursor command calls ShowCursor on changes only.
  ASSERT_EQ(g_app.cursorShown.load(), 1);
  session.Command(IDM_CURSOR, 0);
  EXPECT_EQ(g_app.cursorShown.load(), 0);
  // ShowCursor keeps a count: a second hide must not push it further down.
  session.Command(IDM_CURSOR, 0), session.Command(IDM_CURSOR, 1);
  EXPECT_EQ(g_app.cursorShown.load(), 1);
  CURSORINFO info = {sizeof info};
  ASSERT_TRUE(GetCursorInfo(&info));
  EXPECT_NE(info.flags & CURSOR_SHOWING, 0u);

  // The play list screen marks the current entry.
  g_playlist->SetText("C:\\clips\\first.avi\rC:\\clips\\my.movie.avi\rD:\\third.avi");
  g_app.currentIndex = 1;
  Repaint();
  session.Drain();
  UpdateWindow(session.Window());
  const Capture list = CaptureClientArea(session.Window());
  const PlaylistLayout layout = LayOutPlaylist(1, 3, list.height);
  EXPECT_EQ(g_app.playlistScroll, layout.scroll);
  const int current = PlaylistLineTop(1, layout.topOffset) + 8;
  const int other = PlaylistLineTop(0, layout.topOffset) + 8, last = PlaylistLineTop(2, layout.topOffset) + 4;
  // The band: strong red at the left of the current line only.
  EXPECT_GE(list.At(3, current)[0], 127);
  EXPECT_LT(list.At(3, other)[0], 100);
  // Some text was written on each line, right of the 32-pixel indent.
  for (int index = 0; index < 3; ++index) {
    const int top = PlaylistLineTop(index, layout.topOffset);
    int lit = 0;
    for (int y = top; y < top + 16; ++y) {
      for (int x = 32; x < 140; ++x) lit += list.At(x, y)[0] > 200 && list.At(x, y)[2] < 120;
    }
    EXPECT_GT(lit, 20) << "line " << index;
  }
  // A click on the first line chooses it; the wheel moves down again.
  // Dragging the current entry onto the last line moves it there.
  std::vector<int32_t> at;
  const std::tuple<UINT, WPARAM, LPARAM> mouse[] = {{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, other)},
                                                    {WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0},
                                                    {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, last)}};
  for (const auto& [message, w, l] : mouse) SendMessageA(session.Window(), message, w, l), at.push_back(g_app.currentIndex);
  EXPECT_EQ(at, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(g_playlist->Item(2), "C:\\clips\\my.movie.avi");
}

}  // namespace
