// The resource script: menus 109 and 140, accelerator table 109, string 1,
// the three pictures and two icons, checked against the program's menu and
// key tables written out here by hand.
#include <gtest/gtest.h>

#include "app/resource.h"

#include <windows.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// The menu as lines: "> Popup" opens a submenu, "<" closes it, "-" is a
// separator, other lines are "id text".
void Flatten(HMENU menu, std::vector<std::string>* lines) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_FTYPE;
    item.dwTypeData = text;
    item.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &item));
    if (item.fType & MFT_SEPARATOR) {
      lines->push_back("-");
    } else if (item.hSubMenu != nullptr) {
      lines->push_back(std::string("> ") + text);
      Flatten(item.hSubMenu, lines);
      lines->push_back("<");
    } else {
      lines->push_back(std::to_string(item.wID) + " " + text);
    }
  }
}

std::vector<std::string> MenuLines(int id) {
  std::vector<std::string> lines;
  HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(id));
  EXPECT_NE(menu, nullptr);
  if (menu != nullptr) {
    Flatten(menu, &lines);
    DestroyMenu(menu);
  }
  return lines;
}

TEST(ResourceScript, MainMenuHasEveryItem) {
  const std::vector<std::string> expected = {
      "> &File", "32772 &Open... \tO", "32773 &Close", "-", "32775 &Properties...\tP", "-",
      "105 E&xit \tAlt+F4", "<",
      "> &Subtitles", "32881 &Open... \tShift+O", "32882 &Close \tShift+C", "-",
      "32883 &Auto Load", "-", "32884 &Transparent", "32885 &Shadow", "-",
      "32926 Select &Font...", "32927 Select C&olor...", "<",
      "> &Playback", "32817 &Play/Pause \tSpace", "32813 &Stop \tEsc", "32816 &Rewind \tCtrl+R",
      "-", "32876 Next Frame \tN", "32877 Previous Keyframe \tB", "32878 Next Keyframe \tM", "-",
      "32819 Pre&vious File \tCtrl+Up", "32818 &Next File \tCtrl+Down", "-", "32783 &Repeat",
      "<",
      "> Play&list", "32780 &New", "32777 &Load...\tAlt+O", "32778 &Save...", "-",
      "32842 &Delete File \tDelete", "32779 &Add File(s) \tInsert", "-",
      "32849 Sort by Full Path", "32850 Reverse", "32851 Randomize", "<",
      "> &View", "32965 Brightness...\tHome/End", "32966 Contrast...\tIns/Del",
      "32967 Saturation...\tPg Up/Dn", "32969 Default Colors\tD", "-",
      "32859 Fullscreen \tAlt+Enter", "-", "32784 On &Top \tT", "32930 Fadeout Pause\tF",
      "32931 Fullscreen as Default", "32953 Multi Window Mode", "-", "32861 S&tatistics...\tS",
      "-", "32838 &Half Size \t1", "32835 &Normal Size \t2", "32836 &Double Size \t3", "-",
      "32845 Increase Volume \tUp", "32844 Decrease Volume \tDown", "<",
      "> &Options",
      "> &Video Filters", "32828 Auto Level\tF1", "-", "32905 Interpolate UV\tF2",
      "32824 Soften\tF3", "32873 Sharpen\tF4", "-", "32906 Double Contrast",
      "32907 Double Saturation", "-", "32846 Flip Vertical", "32847 Flip Horizontal", "-",
      "32823 Grayscale", "32826 Negative", "-", "32827 Histogram", "-", "32980 Disable All\tF12",
      "<",
      "> &Audio Filters", "32892 Auto Volume\tAltl+F1", "32831 Swap Channels\tAltl+F2",
      "32830 Voice Removal\tAltl+F3", "-", "32981 Disable All\tAlt+F12", "<",
      "-",
      "> Speed Troubles Mode", "32788 Skip Frames", "32787 Jump Keyframes",
      "32790 Keep Fast Motion", "32786 Smooth Video", "<",
      "> Frame Buffer Size", "32807 Auto Allocation", "32808 10% of Memory",
      "32809 20% of Memory", "32810 30% of Memory", "32811 50% of Memory", "<",
      "-",
      "> AVI Parser Options", "32928 Use Secondary Audio Stream", "-",
      "32874 Safe Video Backup Mode", "32929 Allow Auto Audio Synchronization",
      "32933 Allow Using AVI Seeking Index", "-",
      "> File Cache Size", "32934 1.0 MB", "32935 1.5 MB", "32936 2.0 MB", "32937 2.5 MB",
      "32938 3.0 MB", "<", "-", "32939 Render Full Chains of Filters", "32940 Add Grapth to ROT",
      "<",
      "-", "32843 Fullscreen Mode...", "32802 Allow Using Overlays",
      "> Overlay Surface", "32954 Allow YV12", "32871 Allow YUY2/UYVY", "-",
      "32869 Allow RGB High Color", "32872 Allow RGB True Color", "-",
      "32932 Allow Double Buffering", "<",
      "> YUV - RGB Conversion", "32925 Low Quality (16Bit)", "32924 High Quality (MMX)", "<",
      "> NonOverlay ReSize", "32950 Nearest (Fast)", "32951 Bilinear (MMX)", "<",
      "-",
      "> Audio Format", "32898 Half Sample Rate", "32899 Deny Stereo", "32900 Use 8 Bit Depth",
      "<",
      "32879 Disable Audio", "32902 Enable Volume Control", "32970 Time Displacement", "-",
      "32875 Load Defaults", "<",
      "> &Help", "32853 &About", "158 Contents", "<"};
  EXPECT_EQ(MenuLines(IDR_MAIN_MENU), expected);
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

TEST(ResourceScript, ContextMenuStartsANewColumn) {
  const std::vector<std::string> expected = {
      "> Context", "32817 &Play/Pause \tSpace", "32813 &Stop \tEsc", "-",
      "32819 Pre&vious File \tCtrl+Up", "32818 &Next File \tCtrl+Down", "-",
      "32772 &Open... \tO", "32881 Open Sub&titles... \tShift+O", "32775 &Properties...\tP", "-",
      "32859 Fullscreen \tAlt+Enter", "32861 S&tatistics...\tS", "<"};
  EXPECT_EQ(MenuLines(IDR_CONTEXT_MENU), expected);
  HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
  ASSERT_NE(menu, nullptr);
  MENUITEMINFOA first = {};
  first.cbSize = sizeof first;
  first.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoA(GetSubMenu(menu, 0), 0, TRUE, &first));
  EXPECT_TRUE(first.fType & MFT_MENUBREAK);
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

TEST(ResourceScript, AboutTextIsStringOne) {
  char text[1024] = {};
  const int length = LoadStringA(Module(), IDS_ABOUT_TEXT, text, sizeof text);
  EXPECT_GT(length, 40);
  EXPECT_NE(std::string(text).find("Velmora Player"), std::string::npos);
}

struct PictureSize {
  const char* name;
  int width;
  int height;
  int bitsPerPixel;
};

TEST(ResourceScript, PicturesHaveTheirSizes) {
  const PictureSize pictures[] = {
      {"ID_TAVO", 400, 300, 24}, {"ID_CONTEXT", 24, 333, 24}, {"ID_BALANCE", 128, 32, 8}};
  for (const PictureSize& picture : pictures) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(Module(), picture.name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr) << picture.name;
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biWidth, picture.width) << picture.name;
    EXPECT_EQ(section.dsBmih.biHeight, picture.height) << picture.name;
    EXPECT_EQ(section.dsBmih.biBitCount, picture.bitsPerPixel) << picture.name;
    DeleteObject(bitmap);
  }
}

TEST(ResourceScript, BalanceSignsAreLightOnDark) {
  // Four 32x32 signs: each has a lit part and a dark background.
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(Module(), "ID_BALANCE", IMAGE_BITMAP, 128, 32, LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, bitmap);
  for (int sign = 0; sign < 4; ++sign) {
    int lit = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) lit += GetRValue(GetPixel(memory, sign * 32 + x, y)) > 128;
    }
    EXPECT_GT(lit, 60) << "sign " << sign;
    EXPECT_LT(lit, 32 * 32 / 2) << "sign " << sign;
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

TEST(ResourceScript, IconsInBothSizes) {
  const std::pair<int, int> icons[] = {{IDI_VELMORA, 32}, {IDI_VELMORA_SMALL, 16}};
  for (const auto& icon : icons) {
    HICON handle = static_cast<HICON>(
        LoadImageA(Module(), MAKEINTRESOURCEA(icon.first), IMAGE_ICON, 0, 0, 0));
    ASSERT_NE(handle, nullptr) << icon.first;
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(handle, &info));
    BITMAP colour = {};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, icon.second);
    EXPECT_EQ(colour.bmHeight, icon.second);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(handle);
  }
}

}  // namespace
