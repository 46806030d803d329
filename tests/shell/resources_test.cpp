// The resource script: menus 109 and 140 against the command table, the keys
// they show against accelerator table 109 (itself written out here), the three
// pictures and two icons (the balance signs are checked as loaded). String 1 is
// read through the About dialog (dialogs_test.cpp).
#include <gtest/gtest.h>

#include "app/resource.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// The command table: every IDM_ name and value that app/resource.h defines.
std::map<std::string, int> Commands() {
#ifdef _WIN32
  std::ifstream header(std::string("Z:") + VELMORA_RESOURCE_HEADER);
#else
  std::ifstream header(VELMORA_RESOURCE_HEADER);
#endif
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

struct MenuItem {
  int id;
  std::string text;
};

// The command items of a menu and its submenus, in order.
void Items(HMENU menu, std::vector<MenuItem>* items) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[256] = {};
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_FTYPE;
    item.dwTypeData = text;
    item.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &item));
    if (item.hSubMenu != nullptr) {
      Items(item.hSubMenu, items);
    } else if (!(item.fType & MFT_SEPARATOR)) {
      items->push_back({static_cast<int>(item.wID), text});
    }
  }
}

std::vector<MenuItem> MenuItems(int id) {
  std::vector<MenuItem> items;
  HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(id));
  EXPECT_NE(menu, nullptr);
  if (menu != nullptr) {
    Items(menu, &items);
    DestroyMenu(menu);
  }
  return items;
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
  const std::map<std::string, int> names = {
      {"Space", VK_SPACE}, {"Esc", VK_ESCAPE}, {"Enter", VK_RETURN}, {"Up", VK_UP},
      {"Down", VK_DOWN}, {"Insert", VK_INSERT}, {"Ins", VK_INSERT}, {"Delete", VK_DELETE},
      {"Del", VK_DELETE}, {"Home", VK_HOME}, {"End", VK_END}, {"Pg Up", VK_PRIOR}, {"Dn", VK_NEXT}};
  std::istringstream parts(rest);
  for (std::string name; std::getline(parts, name, '/');) {
    if (names.count(name) != 0) {
      keys->push_back({modifiers, names.at(name)});
    } else if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
      keys->push_back({modifiers, name[0]});
    } else if (name.size() >= 2 && name[0] == 'F' && std::atoi(name.c_str() + 1) > 0) {
      keys->push_back({modifiers, VK_F1 + std::atoi(name.c_str() + 1) - 1});
    } else {
      return false;
    }
  }
  return !keys->empty();
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
  HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
  ASSERT_NE(menu, nullptr);
  MENUITEMINFOA first = {};
  first.cbSize = sizeof first;
  first.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoA(GetSubMenu(menu, 0), 0, TRUE, &first));
  EXPECT_TRUE(first.fType & MFT_MENUBREAK);
  DestroyMenu(menu);
}

// Each key a menu item shows is in the accelerator table, giving the item's
// command or a key-only command that the window passes on.
TEST(ResourceScript, KeysShownInTheMenusAreInTheAcceleratorTable) {
  HACCEL table = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
  ASSERT_NE(table, nullptr);
  std::vector<ACCEL> entries(static_cast<size_t>(CopyAcceleratorTableA(table, nullptr, 0)));
  CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));
  std::map<std::pair<int, int>, int> commands;
  for (const ACCEL& e : entries) commands[{e.fVirt & (FSHIFT | FCONTROL | FALT), e.key}] = e.cmd;
  std::set<int> keyOnly;
  for (const auto& command : Commands()) {
    if (KeyOnly(command.first)) keyOnly.insert(command.second);
  }
  int checked = 0;
  for (int menu : {IDR_MAIN_MENU, IDR_CONTEXT_MENU}) {
    for (const MenuItem& item : MenuItems(menu)) {
      if (item.text.find('\t') == std::string::npos || item.id == IDM_EXIT) continue;  // Alt+F4: the system's
      std::vector<std::pair<int, int>> keys;
      ASSERT_TRUE(ShownKeys(item.text, &keys)) << item.text;
      for (const auto& key : keys) {
        const auto found = commands.find(key);
        ASSERT_NE(found, commands.end()) << item.text;
        EXPECT_TRUE(found->second == item.id || keyOnly.count(found->second) != 0) << item.text;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 40);
}

TEST(ResourceScript, MainMenuFlags) {
  HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAIN_MENU));
  ASSERT_NE(menu, nullptr);
  // "Allow YV12" is stored greyed; nothing else is.
  EXPECT_TRUE(GetMenuState(menu, IDM_ALLOW_YV12, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(menu, IDM_ALLOW_YUY2, MF_BYCOMMAND) & MF_GRAYED);
  // "&Help" sits at the right of the menu bar.
  MENUITEMINFOA help = {};
  help.cbSize = sizeof help;
  help.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoA(menu, GetMenuItemCount(menu) - 1, TRUE, &help));
  EXPECT_TRUE(help.fType & MFT_RIGHTJUSTIFY);
  DestroyMenu(menu);
}

TEST(ResourceScript, AcceleratorTableIsComplete) {
  using Key = std::tuple<int, int, int>;  // modifiers (FSHIFT | FCONTROL | FALT), key, command
  const int S = FSHIFT, C = FCONTROL, A = FALT;
  const std::set<Key> expected = {
      {0, VK_SPACE, 32817}, {0, 'O', 32772}, {C, 'O', 32772}, {0, 'P', 32775}, {C, 'P', 32775},
      {A, 'O', 32777}, {S, 'O', 32881}, {C | S, 'O', 32881}, {S, 'C', 32882}, {C | S, 'C', 32882},
      {0, 'N', 32876}, {C, VK_RIGHT, 32876}, {0, 'B', 32877}, {0, 'M', 32878}, {C, 'R', 32816},
      {C, VK_UP, 32819}, {C, VK_DOWN, 32818}, {0, '1', 32838}, {A, '1', 32838},
      {0, '2', 32835}, {A, '2', 32835}, {0, '3', 32836}, {A, '3', 32836}, {0, 'F', 32930},
      {C, 'F', 32930}, {0, 'T', 32784}, {C, 'T', 32784}, {0, 'D', 32969}, {C, 'D', 32969},
      {0, 'S', 32861}, {C, 'S', 32861}, {A, VK_RETURN, 32859}, {0, VK_ESCAPE, 32971},
      {0, VK_RETURN, 32972}, {0, VK_F2, 32973}, {C, VK_F2, 32973}, {0, VK_F1, 32974},
      {C, VK_F1, 32974}, {0, VK_F3, 32975}, {C, VK_F3, 32975}, {0, VK_F4, 32976},
      {C, VK_F4, 32976}, {A, VK_F1, 32977}, {A, VK_F3, 32978}, {A, VK_F2, 32979},
      {0, VK_F12, 32980}, {C, VK_F12, 32980}, {A, VK_F12, 32981}, {0, VK_INSERT, 32982},
      {0, VK_DELETE, 32983}, {0, VK_HOME, 32984}, {0, VK_END, 32985}, {0, VK_PRIOR, 32986},
      {0, VK_NEXT, 32987}, {0, VK_UP, 32988}, {0, VK_DOWN, 32989}, {0, VK_LEFT, 32990},
      {0, VK_RIGHT, 32991}};
  HACCEL table = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
  ASSERT_NE(table, nullptr);
  const int count = CopyAcceleratorTableA(table, nullptr, 0);
  std::vector<ACCEL> entries(static_cast<size_t>(count));
  CopyAcceleratorTableA(table, entries.data(), count);
  std::set<Key> actual;
  for (const ACCEL& entry : entries) {
    EXPECT_TRUE(entry.fVirt & FVIRTKEY) << "key " << entry.key;
    actual.insert(Key{entry.fVirt & (FSHIFT | FCONTROL | FALT), entry.key, entry.cmd});
  }
  EXPECT_EQ(entries.size(), expected.size());
  EXPECT_EQ(actual, expected);
}

TEST(ResourceScript, PicturesAndIcons) {
  const struct {
    const char* name;
    UINT type;
    int width, height, bitsPerPixel;
  } images[] = {{"ID_TAVO", IMAGE_BITMAP, 400, 300, 24},
                {"ID_CONTEXT", IMAGE_BITMAP, 24, 333, 24},
                {"ID_BALANCE", IMAGE_BITMAP, 128, 32, 8},
                {MAKEINTRESOURCEA(IDI_VELMORA), IMAGE_ICON, 32, 32, 0},
                {MAKEINTRESOURCEA(IDI_VELMORA_SMALL), IMAGE_ICON, 16, 16, 0}};
  for (const auto& image : images) {
    HANDLE handle = LoadImageA(Module(), image.name, image.type, 0, 0,
                               image.type == IMAGE_BITMAP ? LR_CREATEDIBSECTION : 0);
    ASSERT_NE(handle, nullptr) << image.width;
    if (image.type == IMAGE_ICON) {
      ICONINFO info = {};
      ASSERT_TRUE(GetIconInfo(static_cast<HICON>(handle), &info));
      BITMAP colour = {};
      GetObjectA(info.hbmColor, sizeof colour, &colour);
      EXPECT_EQ(std::make_pair(int(colour.bmWidth), int(colour.bmHeight)),
                std::make_pair(image.width, image.height));
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(static_cast<HICON>(handle));
      continue;
    }
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectA(handle, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(std::make_tuple(int(section.dsBmih.biWidth), int(section.dsBmih.biHeight),
                              int(section.dsBmih.biBitCount)),
              std::make_tuple(image.width, image.height, image.bitsPerPixel))
        << image.name;
    DeleteObject(handle);
  }
}

}  // namespace
