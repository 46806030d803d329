// The resource script: menus 109 and 140 against the command table,
// accelerator table 109 against the keys the menus show. The pictures and
// icons are checked as the window loads them (shell_window_test.cpp), string 1
// through the About dialog (dialogs_test.cpp).
#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/shell/shell_session.h"

#include <windows.h>

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

// A key-only command is named after its key: IDM_KEY_ALT_F1 is Alt+F1.
std::pair<int, int> KeyOfName(std::string name) {
  name = name.substr(std::strlen("IDM_KEY_"));
  const bool alt = name.rfind("ALT_", 0) == 0;
  return {alt ? FALT : 0, KeyNamed(name.substr(alt ? 4 : 0))};
}

TEST(ResourceScript, MenusGiveEveryCommandOfTheTableOnce) {
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
}

// The accelerator table holds the keys the menus show (passed on by a
// key-only command where there is one), the key-only commands' own keys, and
// the second keys listed here, which no menu shows; nothing else.
TEST(ResourceScript, AcceleratorTableIsTheShownKeysTheKeyNamesAndTheSecondKeys) {
  using Key = std::tuple<int, int, int>;  // modifiers (FSHIFT | FCONTROL | FALT), key, command
  const int S = FSHIFT, C = FCONTROL, A = FALT;
  std::set<Key> expected = {
      {C, 'O', IDM_FILE_OPEN}, {C, 'P', IDM_FILE_PROPERTIES}, {C | S, 'O', IDM_SUBTITLES_OPEN},
      {C | S, 'C', IDM_SUBTITLES_CLOSE}, {C, VK_RIGHT, IDM_NEXT_FRAME}, {A, '1', IDM_HALF_SIZE},
      {A, '2', IDM_NORMAL_SIZE}, {A, '3', IDM_DOUBLE_SIZE}, {C, 'F', IDM_FADEOUT_PAUSE},
      {C, 'T', IDM_ON_TOP}, {C, 'D', IDM_DEFAULT_COLORS}, {C, 'S', IDM_STATISTICS},
      {C, VK_F1, IDM_KEY_F1}, {C, VK_F2, IDM_KEY_F2}, {C, VK_F3, IDM_KEY_F3},
      {C, VK_F4, IDM_KEY_F4}, {C, VK_F12, IDM_VIDEO_FILTERS_OFF}};
  std::set<std::pair<int, int>> keyOnly;
  for (const auto& command : Commands()) {
    if (!KeyOnly(command.first)) continue;
    const std::pair<int, int> key = KeyOfName(command.first);
    ASSERT_GE(key.second, 0) << command.first;
    keyOnly.insert(key);
    expected.insert(Key{key.first, key.second, command.second});
  }
  for (int menu : {IDR_MAIN_MENU, IDR_CONTEXT_MENU}) {
    for (const MenuItem& item : MenuItems(menu)) {
      if (item.text.find('\t') == std::string::npos || item.id == IDM_EXIT) continue;  // Alt+F4: the system's
      std::vector<std::pair<int, int>> keys;
      ASSERT_TRUE(ShownKeys(item.text, &keys)) << item.text;
      for (const auto& k : keys) {
        if (keyOnly.count(k) == 0) expected.insert(Key{k.first, k.second, item.id});
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
  EXPECT_EQ(actual, expected);
  EXPECT_GT(actual.size(), 50u);
}

}  // namespace
