// Every command of the menus and the accelerator table, read from the real
// resources: each id is either checked for its effect in a row here (the play
// list, the player, the window), listed as opening a dialog or as a subtitle
// command, or else checked as an option (the options record and what the
// playback threads see of it, the check mark). An id that is none of these
// fails, so no new menu item can be left without its effect. Then the
// resource script (menus 109 and 140 against the command table, accelerator
// table 109 against the keys the menus show; string 1 is checked through the
// About dialog) and the main window without a file: start-up, its pictures
// and icons, the idle and play list screens, its own accelerators and the
// cursor command (the size rules are checked with the size commands).
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/file_dialogs.h"
#include "app/playback_tally.h"
#include "app/playlist_layout.h"
#include "app/resource.h"
#include "app/shell.h"
#include "decode/decoder_holder.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "settings/displacement_list.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "subtitles/subtitle_track.h"
#include "tests/common/test_paths.h"
#include "tests/shell/shell_session.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

namespace {

// The command items of a menu of the resources and its submenus, in order.
struct MenuItem {
  int id;
  std::string text;
};

void CollectItems(HMENU menu, std::vector<MenuItem>* items) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[256] = {};
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    if (GetSubMenu(menu, i) != nullptr) {
      CollectItems(GetSubMenu(menu, i), items);
    } else if (!(GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR)) {
      items->push_back({static_cast<int>(GetMenuItemID(menu, i)), text});
    }
  }
}

std::vector<MenuItem> MenuItems(int menuId) {
  std::vector<MenuItem> items;
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId));
  if (menu == nullptr) return items;
  CollectItems(menu, &items);
  DestroyMenu(menu);
  return items;
}

// The resources' accelerator table.
std::vector<ACCEL> ResourceAccelerators() {
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
  std::vector<ACCEL> keys(static_cast<size_t>(table != nullptr ? CopyAcceleratorTableA(table, nullptr, 0) : 0));
  if (!keys.empty()) CopyAcceleratorTableA(table, keys.data(), static_cast<int>(keys.size()));
  return keys;
}

// The command ids of both menus and of the accelerator table.
std::set<int> ResourceIds() {
  std::set<int> ids;
  for (int menu : {IDR_MAIN_MENU, IDR_CONTEXT_MENU}) {
    for (const MenuItem& item : MenuItems(menu)) ids.insert(item.id);
  }
  for (const ACCEL& key : ResourceAccelerators()) ids.insert(key.cmd);
  return ids;
}

// Commands that open a dialog (checked in dialogs_test.cpp), the Subtitles
// menu's commands that need a file or a chooser, which are checked with the
// subtitles, and the play list commands that e2e_exe.sh gives through the
// real file dialogs (the list's own rules: the play list's tests).
const int kElsewhereIds[] = {IDM_FILE_PROPERTIES, IDM_STATISTICS, IDM_FULLSCREEN_MODE, IDM_TIME_DISPLACEMENT,
                             IDM_ABOUT, IDM_HELP_CONTENTS, IDM_SUBTITLES_CLOSE, IDM_SUBTITLES_FONT,
                             IDM_SUBTITLES_COLOR, IDM_PLAYLIST_SORT, IDM_PLAYLIST_REVERSE,
                             IDM_PLAYLIST_SAVE, IDM_PLAYLIST_NEW, IDM_PLAYLIST_LOAD};

// 160x120, 10 fps, 180 s, indexed; and 320x240 for the window sizes.
const char kLongClip[] = "msvc_ima_long.avi";
const char kLargeClip[] = "msvc_pcm8.avi";

int32_t State() { return g_player->State(); }

// The check mark, or -1 for an accelerator-only id.
int Checked(int id) {
  const UINT state = GetMenuState(g_app.mainMenu, id, MF_BYCOMMAND);
  return state == static_cast<UINT>(-1) ? -1 : (state & MF_CHECKED) != 0;
}

// A command checked in its own way: what to set up, the command, what to see.
struct EffectRow {
  int id;
  std::function<void(ShellSession&)> check;
};

// What to set, the command, then what it did.
EffectRow Set(int id, std::function<void()> setup, std::function<void()> expect) {
  return {id, [id, setup, expect](ShellSession& s) { setup(), s.Command(id), expect(); }};
}
EffectRow Row(int id, std::function<void()> expect) { return Set(id, [] {}, expect); }

// Refused with one exclamation box, "caption: text"; the record as it was.
EffectRow Refused(int id, const std::string& box) {
  return {id, [id, box](ShellSession& s) {
            const Options before = g_options;
            const size_t shown = s.Messages().size();
            s.Command(id);
            ASSERT_EQ(s.Messages().size(), shown + 1);
            EXPECT_EQ(std::make_tuple(Said(s.Messages().back()), s.Messages().back().type,
                                      std::memcmp(&before, &g_options, sizeof before)),
                      std::make_tuple(box, UINT{MB_ICONEXCLAMATION}, 0));
          }};
}

// The answer the file dialogs give, and the last one asked: its title and
// whether it chose several videos.
struct DialogScript {
  std::string answer, asked;
};

// Without a file open: the play list, the balance, the keys that move
// through the list, Next Frame's request, and the refusals that need a file.
std::vector<EffectRow> ClosedRows(DialogScript* dialogs) {
  const auto answer = [dialogs](const std::string& text) { return [=] { dialogs->answer = text; }; };
  const auto at = [](int32_t index) { return [=] { EXPECT_EQ(g_app.currentIndex, index); }; };
  const auto target = [](int32_t sign) { return [=] { EXPECT_EQ(g_app.balanceTarget.load(), sign); }; };
  const auto clean = [] { g_subtitleTrack->SetDirty(false); };
  return {
      Set(IDM_PLAYLIST_RANDOMIZE, [] { g_playlist->SetText("b.avi\rB.avi\ra.avi"); }, [] {
        const std::vector<std::string> items = g_playlist->Items();
        EXPECT_EQ(std::multiset<std::string>(items.begin(), items.end()), (std::multiset<std::string>{"B.avi", "a.avi", "b.avi"}));
      }),
      Set(IDM_PLAYLIST_ADD, [=] { g_playlist->SetText("C:\\one.avi\rC:\\two.avi"), answer("C:\\three.avi\rC:\\four.avi")(); },
          [=] { EXPECT_EQ(dialogs->asked + ": " + g_playlist->Item(3), "Open Video file, several videos: C:\\four.avi"); }),
      Set(IDM_KEY_INSERT, answer("C:\\five.avi"), [] { EXPECT_EQ(g_playlist->Item(4), "C:\\five.avi"); }),
      Row(IDM_KEY_END, at(4)), Row(IDM_KEY_UP, at(3)), Row(IDM_KEY_DOWN, at(4)),
      Row(IDM_KEY_DOWN, at(4)),  // stays on the last entry
      Row(IDM_KEY_PAGE_UP, at(0)), Row(IDM_KEY_PAGE_DOWN, at(4)), Row(IDM_KEY_HOME, at(0)),
      Set(IDM_PLAYLIST_DELETE, [] { g_app.currentIndex = 1; },
          [] { EXPECT_EQ(g_playlist->Text(), "C:\\one.avi\rC:\\three.avi\rC:\\four.avi\rC:\\five.avi"); }),
      Set(IDM_KEY_DELETE, [] { g_app.currentIndex = 3; },  // no file: Delete File
          [] { EXPECT_EQ(std::make_tuple(g_playlist->Count(), g_app.currentIndex), std::make_tuple(3, 2)); }),
      Row(IDM_BRIGHTNESS, [] { EXPECT_EQ(std::make_tuple(g_app.balanceTarget.load(), g_app.balanceChanged.exchange(0)), std::make_tuple(1, uint8_t{1})); }),
      Row(IDM_CONTRAST, target(3)), Row(IDM_SATURATION, target(2)),
      Set(IDM_DEFAULT_COLORS, [] { g_options.colorBalance = ColorBalance{10, 90, 0}; }, [] {
        const ColorBalance b = PublishedOptions().colorBalance;
        EXPECT_EQ(std::make_tuple(b.brightness, b.contrast, b.saturation), std::make_tuple(50, 50, 50));
      }),
      Set(IDM_INCREASE_VOLUME, [] { g_options.volume = 97; }, [] { EXPECT_EQ(PublishedOptions().volume, 100u); }),
      Row(IDM_DECREASE_VOLUME, [] { EXPECT_EQ(PublishedOptions().volume, 95u); }),
      Set(IDM_DECREASE_VOLUME, [] { g_options.volume = 3; }, [] { EXPECT_EQ(PublishedOptions().volume, 0u); }),
      {IDM_NEXT_FRAME, [](ShellSession& s) {  // at most five pending
         for (int i = 0; i < 7; ++i) s.Command(IDM_NEXT_FRAME);
         EXPECT_EQ(g_app.frameSteps.exchange(0), 5);
       }},
      Set(IDM_VIDEO_FILTERS_OFF, [] { std::memset(&g_options.videoFilters, 1, sizeof g_options.videoFilters); }, [] {
        const VideoFilterFlags off = {};
        EXPECT_EQ(std::memcmp(&g_options.videoFilters, &off, sizeof off), 0);
        EXPECT_EQ(Checked(IDM_HISTOGRAM), 0);
      }),
      Set(IDM_AUDIO_FILTERS_OFF, [] { std::memset(&g_options.audioFilters, 1, sizeof g_options.audioFilters); }, [] {
        EXPECT_EQ(PublishedOptions().audioFilters.swapChannels + PublishedOptions().audioFilters.voiceRemoval, 0);
      }),
      Set(IDM_LOAD_DEFAULTS, [=] {
        g_options.volume = 3, g_options.speedTroublesMode = 3;
        g_displacementList.Remember("C:\\one.avi", 200);
        clean();
      }, [] {
        EXPECT_EQ(PublishedOptions().volume, 100u);
        EXPECT_EQ(Checked(IDM_JUMP_KEYFRAMES), 1);
        EXPECT_TRUE(g_displacementList.IsEmpty());
        EXPECT_TRUE(g_subtitleTrack->Dirty());  // the default look is drawn
      }),
      Set(IDM_SEEKING_INDEX, [] { g_options.allowSeekingIndex = 0; },  // refused only with a file
          [] { EXPECT_EQ(std::make_tuple(int{PublishedOptions().allowSeekingIndex}, Checked(IDM_SEEKING_INDEX)), std::make_tuple(1, 1)); }),
      Row(IDM_FULLSCREEN, [] { EXPECT_EQ(g_app.fullscreenRequested.load(), 0); }),  // needs an open file
      Row(IDM_RESIZE_THIRD, [] { EXPECT_EQ(PublishedOptions().nonOverlayResize, 2u); }),  // no menu item
      Refused(IDM_SUBTITLES_OPEN, "Restriction: Open Video File first"),
      // The look of the subtitles is drawn again; the auto-load switch needs no drawing.
      Set(IDM_SUBTITLES_SHADOW, clean, [] { EXPECT_TRUE(g_subtitleTrack->Dirty()); }),
      Set(IDM_SUBTITLES_TRANSPARENT, clean, [] { EXPECT_TRUE(g_subtitleTrack->Dirty()); }),
      Set(IDM_SUBTITLES_AUTO_LOAD, [=] { g_options.subtitlesAutoLoad = 0, clean(); },
          [] { EXPECT_EQ(std::make_tuple(Checked(IDM_SUBTITLES_AUTO_LOAD), g_subtitleTrack->Dirty()), std::make_tuple(1, false)); }),
      Set(IDM_FILE_OPEN, answer(""), [] { EXPECT_EQ(g_playlist->Count(), 3); }),  // cancelled
      {IDM_KEY_ENTER, [](ShellSession& s) {
         s.Command(IDM_KEY_ENTER);  // no file: Play/Pause
         EXPECT_EQ(s.CommandCount(IDM_PLAY_PAUSE), 1);
         s.Drain();  // what it posted
       }},
      {IDM_FILE_CLOSE, [](ShellSession& s) {
         s.Command(IDM_FILE_CLOSE);
         EXPECT_TRUE(g_playlist->IsEmpty());
         s.Command(IDM_PLAY_PAUSE);  // an empty list: nothing to open
         EXPECT_EQ(g_player->State(), kClosed);
       }},
  };
}

int32_t Frame() { return g_player->CurrentFrame(); }

// A seek to the keyframe that the decoder finds from `offset` frames away.
EffectRow KeyframeRow(int id, int32_t offset) {
  return {id, [id, offset](ShellSession& s) {
            const int32_t from = Frame();
            const int32_t keyframe = offset > 0 ? g_decoderHolder->NextKeyframe(from + offset)
                                                : g_decoderHolder->PreviousKeyframe(from + offset);
            ASSERT_TRUE(offset > 0 ? keyframe >= from + offset : keyframe < from) << keyframe;
            s.Command(id);
            EXPECT_EQ(Frame(), keyframe);
          }};
}

bool Topmost() { return (GetWindowLongA(g_mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
LONG Caption() { return GetWindowLongA(g_mainWindow, GWL_STYLE) & WS_CAPTION; }

// A file open, paused unless said otherwise.
std::vector<EffectRow> OpenRows() {
  const auto playing = [](ShellSession& s) { EXPECT_TRUE(s.PumpUntil([] { return State() == kPlaying; }, 20000)); };
  const auto paused = [](ShellSession& s) {
    s.Command(IDM_PLAY_PAUSE);
    EXPECT_EQ(State(), kPaused);
  };
  return {
      {IDM_PLAY_PAUSE, [=](ShellSession& s) {
         s.Command(IDM_PLAY_PAUSE);
         EXPECT_EQ(State(), kPlaying);
         EXPECT_TRUE(s.PumpForVideoPasses(3));
         paused(s);
       }},
      {IDM_ON_TOP, [](ShellSession& s) {
         g_options.onTop = 0;
         std::vector<bool> topmost;  // on top only while playing
         for (int id : {IDM_ON_TOP, IDM_PLAY_PAUSE, IDM_ON_TOP, IDM_PLAY_PAUSE}) s.Command(id), topmost.push_back(Topmost());
         EXPECT_EQ(topmost, (std::vector<bool>{false, true, false, false}));
       }},
      Row(IDM_REWIND, [] { EXPECT_EQ(Frame(), 0); }),
      KeyframeRow(IDM_NEXT_KEYFRAME, 1), KeyframeRow(IDM_KEY_RIGHT, 50),  // 5 s at 10 fps
      KeyframeRow(IDM_PREVIOUS_KEYFRAME, -1), KeyframeRow(IDM_KEY_LEFT, -50),
      Set(IDM_KEY_HOME, [] { g_options.colorBalance.brightness = 50; },  // a file: brightness up
          [] { EXPECT_EQ(std::make_tuple(PublishedOptions().colorBalance.brightness, g_app.currentIndex), std::make_tuple(55, 0)); }),
      Set(IDM_KEY_PAGE_DOWN, [] { g_options.colorBalance.saturation = 50; },
          [] { EXPECT_EQ(PublishedOptions().colorBalance.saturation, 45); }),
      Set(IDM_KEY_DOWN, [] { g_options.volume = 50; },  // a file: the volume
          [] { EXPECT_EQ(std::make_tuple(PublishedOptions().volume, g_app.currentIndex), std::make_tuple(45u, 0)); }),
      Refused(IDM_SEEKING_INDEX, "Restriction: Can't change option(s) while playing"),
      Refused(IDM_LOAD_DEFAULTS, "Restriction: Can't change option(s) while playing"),
      Row(IDM_PLAYLIST_DELETE, [] { EXPECT_EQ(g_playlist->Count(), 2); }),
      {IDM_BUFFER_20, [](ShellSession& s) {
         s.Command(IDM_NEXT_KEYFRAME);
         const int32_t at = Frame();
         ASSERT_GT(at, 0);
         s.Command(IDM_BUFFER_20);  // closed and opened again at the same frame, paused
         EXPECT_EQ(g_options.frameBufferSize, 2u);
         EXPECT_EQ(std::make_tuple(State(), Frame()), std::make_tuple(int32_t{kPaused}, at));
       }},
      Row(IDM_FULLSCREEN, [] { EXPECT_EQ(Caption(), 0); }),
      Row(IDM_FULLSCREEN, [] { EXPECT_EQ(Caption(), WS_CAPTION); }),
      Row(IDM_KEY_ENTER, [] { EXPECT_EQ(g_app.fullscreenRequested.load(), 1); }),  // a file: fullscreen
      Row(IDM_KEY_ESCAPE, [] {  // in fullscreen it only leaves it
        EXPECT_EQ(std::make_tuple(g_app.fullscreenRequested.load(), State()), std::make_tuple(0, int32_t{kPaused}));
      }),
      {IDM_NEXT_FILE, [=](ShellSession& s) {
         s.Command(IDM_NEXT_FILE);
         EXPECT_EQ(g_app.currentIndex, 1);
         playing(s), paused(s);  // held while its size changes
       }},
      Row(IDM_NORMAL_SIZE, [] { EXPECT_EQ(ClientSize(g_mainWindow).first, 320); }),  // the second file: 320 x 240
      Row(IDM_DOUBLE_SIZE, [] { EXPECT_EQ(ClientSize(g_mainWindow), std::make_pair(640L, 496L)); }),
      {IDM_HALF_SIZE, [](ShellSession& s) {
         RECT before, after;
         GetWindowRect(g_mainWindow, &before);
         s.Command(IDM_HALF_SIZE);  // 160 x 136 asked: the minimum wins, in place
         GetWindowRect(g_mainWindow, &after);
         EXPECT_EQ(std::make_tuple(after.left, after.top, after.right, after.bottom),
                   std::make_tuple(before.left, before.top, before.left + 320, before.top + 240));
       }},
      {IDM_NEXT_FILE, [=](ShellSession& s) {  // "Repeat": from the last entry to the first, in fullscreen again
         const auto fullscreen = [&s] { EXPECT_TRUE(s.PumpUntil([] { return Caption() == 0; }, 5000)); };
         g_options.repeat = 1;
         s.Command(IDM_FULLSCREEN), s.Command(IDM_NEXT_FILE);
         EXPECT_EQ(g_app.currentIndex, 0);
         playing(s), fullscreen();
         s.Command(IDM_NEXT_FILE), playing(s), fullscreen();  // back on the last entry
         EXPECT_EQ(g_app.currentIndex, 1);
         s.Command(IDM_FULLSCREEN), paused(s);
         g_options.repeat = 0;
       }},
      {IDM_PREVIOUS_FILE, [=](ShellSession& s) {
         s.Command(IDM_PREVIOUS_FILE);
         EXPECT_EQ(g_app.currentIndex, 0);
         playing(s);
       }},
      {IDM_BRIGHTNESS, [](ShellSession& s) {  // a click atop the bar's level column: 100 at once
         s.Command(IDM_BRIGHTNESS);
         ASSERT_TRUE(s.PumpUntil([] { return g_app.balanceShown.load() != 0; }, 3000));
         const RECT r = g_app.videoRect.Get();
         SendMessageA(g_mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 4, r.top + 1));
         EXPECT_EQ(std::make_tuple(PublishedOptions().colorBalance.brightness, State()),
                   std::make_tuple(100, int32_t{kPlaying}));  // (the click is not Play/Pause)
       }},
      Row(IDM_STOP, [] {  // the window as before the first open, the list kept
        EXPECT_EQ(std::make_tuple(State(), g_playlist->Count()), std::make_tuple(int32_t{kClosed}, 2));
        EXPECT_EQ(std::make_pair(WindowSize(g_mainWindow), WindowTitle(g_mainWindow)),
                  std::make_pair(std::make_pair(512L, 420L), std::string(DefaultTitle())));
      }),
      {IDM_EXIT, [](ShellSession& s) {
         EXPECT_EQ(s.Finish(), 0);
         EXPECT_EQ(std::make_tuple(g_mainWindow, g_app.windowActive.load()), std::make_tuple(HWND{nullptr}, 0));
       }},
  };
}

// Every other command is an option: it changes one field of the record, the
// copy the playback threads read follows, and so does the check mark of its
// item (of the item a key stands for), as the menu reads the record. A toggle
// given twice is back where it was; a choice given again changes nothing;
// over two passes each command changes the record at least once. With a file
// open, each reaches it as its kind says: the file closed and opened again
// at the same frame, the video output set up again, or simply the next frame.
const std::map<int, int> kKeyItems = {
    {IDM_KEY_F1, IDM_AUTO_LEVEL}, {IDM_KEY_F2, IDM_INTERPOLATE_UV}, {IDM_KEY_F3, IDM_SOFTEN},
    {IDM_KEY_F4, IDM_SHARPEN}, {IDM_KEY_ALT_F1, IDM_AUTO_VOLUME}, {IDM_KEY_ALT_F2, IDM_SWAP_CHANNELS},
    {IDM_KEY_ALT_F3, IDM_VOICE_REMOVAL}};
// Options whose effect on an open file or the window also has a row.
const int kAlsoOptions[] = {IDM_SUBTITLES_SHADOW, IDM_SUBTITLES_TRANSPARENT, IDM_ON_TOP, IDM_BUFFER_20};
// The options that reopen the file, and those that set the output up again.
const std::set<int> kReopening = {
    IDM_BUFFER_AUTO, IDM_BUFFER_10, IDM_BUFFER_20, IDM_BUFFER_30, IDM_BUFFER_50, IDM_CACHE_1_0,
    IDM_CACHE_1_5, IDM_CACHE_2_0, IDM_CACHE_2_5, IDM_CACHE_3_0, IDM_SECONDARY_AUDIO,
    IDM_SAFE_VIDEO_BACKUP, IDM_FULL_CHAINS, IDM_GRAPH_TO_ROT, IDM_HALF_SAMPLE_RATE, IDM_DENY_STEREO,
    IDM_USE_8_BIT, IDM_DISABLE_AUDIO, IDM_VOLUME_CONTROL};
const std::set<int> kSettingOutputUp = {
    IDM_ALLOW_OVERLAYS, IDM_ALLOW_YV12, IDM_ALLOW_YUY2, IDM_ALLOW_RGB_HIGH, IDM_ALLOW_RGB_TRUE,
    IDM_DOUBLE_BUFFERING, IDM_RESIZE_NEAREST, IDM_RESIZE_BILINEAR, IDM_RESIZE_THIRD};

const uint8_t* Bytes(const Options& options) { return reinterpret_cast<const uint8_t*>(&options); }

// The command once, with what it must do to the open file.
void GiveOptionCommand(ShellSession& session, int id) {
  const int32_t opened = CurrentTally().filesOpened, frame = g_player->CurrentFrame();
  const int32_t redraws = g_app.redrawCounter.load();
  session.Command(id);
  EXPECT_EQ(CurrentTally().filesOpened - opened, kReopening.count(id) != 0 ? 1 : 0)
      << "reopened; " << (session.Messages().empty() ? "" : session.Messages().back().text);
  if (kReopening.count(id) == 0 && id != IDM_ON_TOP) {  // (the window's move is drawn again)
    EXPECT_EQ(g_app.redrawCounter.load() != redraws, kSettingOutputUp.count(id) != 0)
        << "output set up";
  }
  EXPECT_EQ(std::make_tuple(g_player->State(), g_player->CurrentFrame()), std::make_tuple(int32_t{kPaused}, frame));
}

// True when the command changed the record.
bool CheckOptionCommand(ShellSession& session, int id) {
  SCOPED_TRACE(id);
  const int item = kKeyItems.count(id) != 0 ? kKeyItems.at(id) : id;
  const Options before = g_options;
  const int markBefore = Checked(item);
  GiveOptionCommand(session, id);
  const Options after = g_options, published = PublishedOptions();
  const int mark = Checked(item);
  EXPECT_EQ(std::memcmp(&published, &after, sizeof after), 0);
  std::vector<size_t> changed;
  for (size_t i = 0; i < sizeof after; ++i) {
    if (Bytes(before)[i] != Bytes(after)[i]) changed.push_back(i);
  }
  GiveOptionCommand(session, id);
  if (!changed.empty() && std::memcmp(&g_options, &before, sizeof before) == 0) {  // a toggle
    const bool inverted = item == IDM_ALLOW_OVERLAYS;  // checked when overlays are not denied
    EXPECT_EQ(changed.size(), 1u);
    EXPECT_EQ(mark, (Bytes(after)[changed[0]] != 0) != inverted);
    EXPECT_EQ(Checked(item), markBefore);
  } else {  // a choice, checked, in a field of at most four bytes
    EXPECT_EQ(std::memcmp(&g_options, &after, sizeof after), 0);
    EXPECT_TRUE(changed.empty() || changed.back() - changed.front() < 4);
    EXPECT_EQ(mark, 1);
  }
  return !changed.empty();
}

TEST(CommandTable, EveryCommandOfTheResourcesHasItsEffect) {
  ShellSession session("");
  ASSERT_TRUE(session.Started());
  DialogScript dialogs;
  SetFileDialogHook([&dialogs](const FileDialogRequest& request) {
    const bool videos = request.multiSelect && !request.save && request.filter == kVideoFilter;
    dialogs.asked = request.title + std::string(videos ? ", several videos" : ", other");
    return dialogs.answer;
  });
  const std::vector<EffectRow> closed = ClosedRows(&dialogs);
  const std::vector<EffectRow> open = OpenRows();

  std::set<int> options = ResourceIds();
  for (int id : kElsewhereIds) options.erase(id);
  for (const auto* rows : {&closed, &open}) {
    for (const EffectRow& row : *rows) options.erase(row.id);
  }
  options.insert(std::begin(kAlsoOptions), std::end(kAlsoOptions));
  for (const EffectRow& row : closed) {
    SCOPED_TRACE(row.id);
    row.check(session);
  }

  ASSERT_TRUE(ClipExists(kLongClip) && ClipExists(kLargeClip));
  ASSERT_TRUE(OpenPaused(session, ClipPath(kLongClip) + "\r" + ClipPath(kLargeClip)));
  session.Command(IDM_NEXT_KEYFRAME);  // away from frame 0, where a reopen lands anyway
  ASSERT_GT(g_player->CurrentFrame(), 0);
  // Twice over, so that each choice is made from another one of its group.
  std::set<int> unchanged = options;
  for (int pass = 0; pass < 2; ++pass) {
    for (int id : options) {
      if (CheckOptionCommand(session, id)) unchanged.erase(id);
    }
  }
  EXPECT_TRUE(unchanged.empty()) << "an option command that never changed the record: " << *unchanged.begin();
  for (const EffectRow& row : open) {
    SCOPED_TRACE(row.id);
    row.check(session);
  }
  SetFileDialogHook(nullptr);
}

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
  MENUITEMINFOA item = {sizeof item, MIIM_FTYPE};
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
  // The context menu got its picture column in front of Play/Pause.
  ASSERT_NE(g_app.contextMenu, nullptr);
  MEASUREITEMSTRUCT measure = {ODT_MENU};
  SendMessageA(session.Window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
  EXPECT_EQ(std::make_tuple(GetMenuItemCount(g_app.contextMenu), GetMenuItemID(g_app.contextMenu, 1),
                            GetMenuState(g_app.contextMenu, 0, MF_BYPOSITION) & (MF_OWNERDRAW | MF_DISABLED),
                            measure.itemWidth, measure.itemHeight),
            std::make_tuple(13, UINT{IDM_PLAY_PAUSE}, UINT{MF_OWNERDRAW | MF_DISABLED}, 8u, 24u));
  // The strip's picture and both icons of the window class are loaded.
  EXPECT_NE(g_app.contextStripPicture, nullptr);
  EXPECT_TRUE(GetClassLongPtrA(session.Window(), GCLP_HICON) != 0 && GetClassLongPtrA(session.Window(), GCLP_HICONSM) != 0);
  // The message loop does not translate keys: the window procedure does.
  // Esc in a window stops.
  const std::pair<WPARAM, LPARAM> keys[] = {{VK_SPACE, 0x00390001}, {'2', 0x00030001}, {VK_ESCAPE, 0x00010001}};
  for (const auto& [key, flags] : keys) SendMessageA(session.Window(), WM_KEYDOWN, key, flags);
  for (int id : {IDM_PLAY_PAUSE, IDM_NORMAL_SIZE, IDM_KEY_ESCAPE, IDM_STOP}) EXPECT_EQ(session.CommandCount(id), 1) << id;
  // The cursor command calls ShowCursor on changes only.
  // ShowCursor keeps a count: a second hide must not push it further down.
  std::vector<int> shown = {g_app.cursorShown.load()};
  for (LPARAM show : {0, 0, 1}) {
    session.Command(IDM_CURSOR, show);
    shown.push_back(g_app.cursorShown.load());
  }
  EXPECT_EQ(shown, (std::vector<int>{1, 0, 0, 1}));
  CURSORINFO info = {sizeof info};
  EXPECT_TRUE(GetCursorInfo(&info) && (info.flags & CURSOR_SHOWING) != 0);

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
