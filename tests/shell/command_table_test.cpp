// Every command of the menus and the accelerator table, read from the real
// resources: each id is either checked for its effect here (the options
// record and what the playback threads see of it, the check mark, the play
// list, the player, the window) or listed as opening a dialog or as a
// subtitle command. An id in neither list fails, so no new menu item can be
// left without its effect.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/file_dialogs.h"
#include "app/resource.h"
#include "app/shell.h"
#include "decode/decoder_holder.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "settings/displacement_list.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "tests/common/test_paths.h"
#include "tests/shell/shell_session.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

#define FIELD(name) offsetof(Options, name)

// The commands that change one field of the options record.
struct OptionRow {
  int id;
  size_t offset;
  int width;       // 1: a flag that toggles (or a byte choice), 4: a 32-bit choice
  uint32_t value;  // the choice; unused for toggles
  bool toggle;
};

const OptionRow kOptionRows[] = {
    {IDM_AUTO_LEVEL, FIELD(videoFilters.autoLevel), 1, 0, true},
    {IDM_KEY_F1, FIELD(videoFilters.autoLevel), 1, 0, true},
    {IDM_INTERPOLATE_UV, FIELD(videoFilters.interpolateUV), 1, 0, true},
    {IDM_KEY_F2, FIELD(videoFilters.interpolateUV), 1, 0, true},
    {IDM_SOFTEN, FIELD(videoFilters.soften), 1, 0, true},
    {IDM_KEY_F3, FIELD(videoFilters.soften), 1, 0, true},
    {IDM_SHARPEN, FIELD(videoFilters.sharpen), 1, 0, true},
    {IDM_KEY_F4, FIELD(videoFilters.sharpen), 1, 0, true},
    {IDM_DOUBLE_CONTRAST, FIELD(videoFilters.doubleContrast), 1, 0, true},
    {IDM_DOUBLE_SATURATION, FIELD(videoFilters.doubleSaturation), 1, 0, true},
    {IDM_FLIP_VERTICAL, FIELD(videoFilters.flipVertical), 1, 0, true},
    {IDM_FLIP_HORIZONTAL, FIELD(videoFilters.flipHorizontal), 1, 0, true},
    {IDM_GRAYSCALE, FIELD(videoFilters.grayscale), 1, 0, true},
    {IDM_NEGATIVE, FIELD(videoFilters.negative), 1, 0, true},
    {IDM_HISTOGRAM, FIELD(videoFilters.histogram), 1, 0, true},
    {IDM_AUTO_VOLUME, FIELD(audioFilters.autoVolume), 1, 0, true},
    {IDM_KEY_ALT_F1, FIELD(audioFilters.autoVolume), 1, 0, true},
    {IDM_SWAP_CHANNELS, FIELD(audioFilters.swapChannels), 1, 0, true},
    {IDM_KEY_ALT_F2, FIELD(audioFilters.swapChannels), 1, 0, true},
    {IDM_VOICE_REMOVAL, FIELD(audioFilters.voiceRemoval), 1, 0, true},
    {IDM_KEY_ALT_F3, FIELD(audioFilters.voiceRemoval), 1, 0, true},
    {IDM_SKIP_FRAMES, FIELD(speedTroublesMode), 4, 0, false},
    {IDM_JUMP_KEYFRAMES, FIELD(speedTroublesMode), 4, 1, false},
    {IDM_KEEP_FAST_MOTION, FIELD(speedTroublesMode), 4, 2, false},
    {IDM_SMOOTH_VIDEO, FIELD(speedTroublesMode), 4, 3, false},
    {IDM_BUFFER_AUTO, FIELD(frameBufferSize), 4, 0, false},
    {IDM_BUFFER_10, FIELD(frameBufferSize), 4, 1, false},
    {IDM_BUFFER_20, FIELD(frameBufferSize), 4, 2, false},
    {IDM_BUFFER_30, FIELD(frameBufferSize), 4, 3, false},
    {IDM_BUFFER_50, FIELD(frameBufferSize), 4, 4, false},
    {IDM_SECONDARY_AUDIO, FIELD(useSecondaryAudioStream), 1, 0, true},
    {IDM_SAFE_VIDEO_BACKUP, FIELD(safeVideoBackupMode), 1, 0, true},
    {IDM_AUTO_AUDIO_SYNC, FIELD(allowAutoAudioSync), 1, 0, true},
    {IDM_SEEKING_INDEX, FIELD(allowSeekingIndex), 1, 0, true},
    {IDM_CACHE_1_0, FIELD(fileCacheSize), 4, 0, false},
    {IDM_CACHE_1_5, FIELD(fileCacheSize), 4, 1, false},
    {IDM_CACHE_2_0, FIELD(fileCacheSize), 4, 2, false},
    {IDM_CACHE_2_5, FIELD(fileCacheSize), 4, 3, false},
    {IDM_CACHE_3_0, FIELD(fileCacheSize), 4, 4, false},
    {IDM_FULL_CHAINS, FIELD(renderFullChains), 1, 0, true},
    {IDM_GRAPH_TO_ROT, FIELD(addGraphToRot), 1, 0, true},
    {IDM_ALLOW_OVERLAYS, FIELD(denyOverlays), 1, 0, true},
    {IDM_ALLOW_YV12, FIELD(allowYv12), 1, 0, true},
    {IDM_ALLOW_YUY2, FIELD(allowYuy2Uyvy), 1, 0, true},
    {IDM_ALLOW_RGB_HIGH, FIELD(allowRgbHighColor), 1, 0, true},
    {IDM_ALLOW_RGB_TRUE, FIELD(allowRgbTrueColor), 1, 0, true},
    {IDM_DOUBLE_BUFFERING, FIELD(allowDoubleBuffering), 1, 0, true},
    {IDM_LOW_QUALITY, FIELD(highQualityConversion), 1, 0, false},
    {IDM_HIGH_QUALITY, FIELD(highQualityConversion), 1, 1, false},
    {IDM_RESIZE_NEAREST, FIELD(nonOverlayResize), 4, 0, false},
    {IDM_RESIZE_BILINEAR, FIELD(nonOverlayResize), 4, 1, false},
    {IDM_HALF_SAMPLE_RATE, FIELD(halfSampleRate), 1, 0, true},
    {IDM_DENY_STEREO, FIELD(denyStereo), 1, 0, true},
    {IDM_USE_8_BIT, FIELD(use8BitDepth), 1, 0, true},
    {IDM_DISABLE_AUDIO, FIELD(disableAudio), 1, 0, true},
    {IDM_VOLUME_CONTROL, FIELD(enableVolumeControl), 1, 0, true},
    {IDM_REPEAT, FIELD(repeat), 1, 0, true},
    {IDM_FADEOUT_PAUSE, FIELD(fadeoutPause), 1, 0, true},
    {IDM_FULLSCREEN_AS_DEFAULT, FIELD(fullscreenAsDefault), 1, 0, true},
    {IDM_MULTI_WINDOW_MODE, FIELD(multiWindowMode), 1, 0, true},
    {IDM_ON_TOP, FIELD(onTop), 1, 0, true},
};

#undef FIELD

// Commands that open a dialog (the dialogs are not built yet) and the
// Subtitles menu's commands, which are checked with the subtitles.
const int kDialogIds[] = {IDM_FILE_PROPERTIES, IDM_STATISTICS, IDM_FULLSCREEN_MODE,
                          IDM_TIME_DISPLACEMENT, IDM_ABOUT, IDM_HELP_CONTENTS};
const int kSubtitleIds[] = {IDM_SUBTITLES_OPEN,     IDM_SUBTITLES_CLOSE,
                            IDM_SUBTITLES_AUTO_LOAD, IDM_SUBTITLES_TRANSPARENT,
                            IDM_SUBTITLES_SHADOW,   IDM_SUBTITLES_FONT,
                            IDM_SUBTITLES_COLOR};

// 160x120, 10 fps, 180 s, indexed; and 320x240 for the window sizes.
const char kLongClip[] = "msvc_ima_long.avi";
const char kLargeClip[] = "msvc_pcm8.avi";

uint32_t FieldOf(const Options& options, const OptionRow& row) {
  uint32_t value = 0;
  std::memcpy(&value, reinterpret_cast<const uint8_t*>(&options) + row.offset, row.width);
  return value;
}

void SetField(const OptionRow& row, uint32_t value) {
  std::memcpy(reinterpret_cast<uint8_t*>(&g_options) + row.offset, &value, row.width);
}

// The check mark, or -1 for an accelerator-only id.
int Checked(int id) {
  const UINT state = GetMenuState(g_app.mainMenu, id, MF_BYCOMMAND);
  return state == static_cast<UINT>(-1) ? -1 : (state & MF_CHECKED) != 0;
}

void CollectMenuIds(HMENU menu, std::set<int>* ids) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (HMENU sub = GetSubMenu(menu, i)) {
      CollectMenuIds(sub, ids);
    } else if (GetMenuItemID(menu, i) != static_cast<UINT>(-1) && GetMenuItemID(menu, i) != 0) {
      ids->insert(static_cast<int>(GetMenuItemID(menu, i)));
    }
  }
}

std::set<int> ResourceIds() {
  std::set<int> ids;
  const HINSTANCE module = GetModuleHandleA(nullptr);
  for (int menuId : {IDR_MAIN_MENU, IDR_CONTEXT_MENU}) {
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(menuId));
    CollectMenuIds(menu, &ids);
    DestroyMenu(menu);
  }
  HACCEL table = LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  std::vector<ACCEL> keys(CopyAcceleratorTableA(table, nullptr, 0));
  CopyAcceleratorTableA(table, keys.data(), static_cast<int>(keys.size()));
  for (const ACCEL& key : keys) ids.insert(key.cmd);
  return ids;
}

std::vector<std::string> Entries() { return g_playlist->Items(); }

void SetEntries(const std::string& text, int32_t current) {
  g_playlist->SetText(text);
  g_app.currentIndex = current;
}

SIZE ClientOf() { return ClientSize(g_mainWindow); }

bool Topmost() { return (GetWindowLongA(g_mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// A command checked in its own way: what to set up, the command, what to see.
struct EffectRow {
  int id;
  std::function<void(ShellSession&)> check;
};

// The command alone, then what it did.
EffectRow Row(int id, std::function<void()> expect) {
  return {id, [id, expect](ShellSession& s) {
            s.Command(id);
            expect();
          }};
}

// The answers the file dialogs give, and what they were asked.
struct DialogScript {
  std::string answer;
  std::vector<FileDialogRequest> asked;
};

void ExpectAsked(const DialogScript& dialogs, bool save, bool multi, const char* filter,
                 const char* title) {
  ASSERT_FALSE(dialogs.asked.empty());
  const FileDialogRequest& last = dialogs.asked.back();
  EXPECT_EQ(last.save, save);
  EXPECT_EQ(last.multiSelect, multi);
  EXPECT_EQ(last.filter, filter);
  EXPECT_STREQ(last.title, title);
}

// Without a file open: the play list, the balance, the keys that move
// through the list, Next Frame's request, and the refusals that need a file.
std::vector<EffectRow> ClosedRows(DialogScript* dialogs) {
  const std::string list = ScratchPath("commands");
  return {
      {IDM_PLAYLIST_SORT, [](ShellSession& s) {
         SetEntries("b.avi\rB.avi\ra.avi", 0);
         s.Command(IDM_PLAYLIST_SORT);
         EXPECT_EQ(Entries(), (std::vector<std::string>{"B.avi", "a.avi", "b.avi"}));
       }},
      Row(IDM_PLAYLIST_REVERSE, [] {
        EXPECT_EQ(Entries(), (std::vector<std::string>{"b.avi", "a.avi", "B.avi"}));
      }),
      Row(IDM_PLAYLIST_RANDOMIZE, [] {
        std::vector<std::string> shuffled = Entries();
        std::sort(shuffled.begin(), shuffled.end());
        EXPECT_EQ(shuffled, (std::vector<std::string>{"B.avi", "a.avi", "b.avi"}));
      }),
      {IDM_PLAYLIST_SAVE, [dialogs, list](ShellSession& s) {
         SetEntries("C:\\one.avi\rC:\\two.avi", 0);
         dialogs->answer = list;
         s.Command(IDM_PLAYLIST_SAVE);
         ExpectAsked(*dialogs, true, false, kPlaylistFilter, "Save PlayList");
         EXPECT_NE(GetFileAttributesA((list + ".mls").c_str()), INVALID_FILE_ATTRIBUTES);
       }},
      Row(IDM_PLAYLIST_NEW, [] { EXPECT_TRUE(g_playlist->IsEmpty()); }),
      {IDM_PLAYLIST_LOAD, [dialogs, list](ShellSession& s) {
         dialogs->answer.clear();  // a cancel changes nothing
         s.Command(IDM_PLAYLIST_LOAD);
         EXPECT_TRUE(g_playlist->IsEmpty());
         dialogs->answer = list + ".mls";
         s.Command(IDM_PLAYLIST_LOAD);
         ExpectAsked(*dialogs, false, false, kPlaylistFilter, "Open PlayList file");
         EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\one.avi", "C:\\two.avi"}));
         EXPECT_EQ(s.CommandCount(IDM_PLAY_PAUSE), 0);  // loading does not play
       }},
      {IDM_PLAYLIST_ADD, [dialogs](ShellSession& s) {
         dialogs->answer = "C:\\three.avi\rC:\\four.avi";  // two chosen at once
         s.Command(IDM_PLAYLIST_ADD);
         ExpectAsked(*dialogs, false, true, kVideoFilter, "Open Video file");
         EXPECT_EQ(g_playlist->Count(), 4);
         EXPECT_EQ(g_playlist->Item(3), "C:\\four.avi");
       }},
      {IDM_KEY_INSERT, [dialogs](ShellSession& s) {
         dialogs->answer = "C:\\five.avi";
         s.Command(IDM_KEY_INSERT);  // no file: Add File(s)
         EXPECT_EQ(g_playlist->Item(4), "C:\\five.avi");
       }},
      Row(IDM_KEY_END, [] { EXPECT_EQ(g_app.currentIndex, 4); }),
      Row(IDM_KEY_UP, [] { EXPECT_EQ(g_app.currentIndex, 3); }),
      {IDM_KEY_DOWN, [](ShellSession& s) {
         s.Command(IDM_KEY_DOWN);
         s.Command(IDM_KEY_DOWN);  // stays on the last entry
         EXPECT_EQ(g_app.currentIndex, 4);
       }},
      Row(IDM_KEY_PAGE_UP, [] { EXPECT_EQ(g_app.currentIndex, 0); }),
      Row(IDM_KEY_PAGE_DOWN, [] { EXPECT_EQ(g_app.currentIndex, 4); }),
      Row(IDM_KEY_HOME, [] { EXPECT_EQ(g_app.currentIndex, 0); }),
      {IDM_PLAYLIST_DELETE, [](ShellSession& s) {
         g_app.currentIndex = 1;
         s.Command(IDM_PLAYLIST_DELETE);
         EXPECT_EQ(Entries(), (std::vector<std::string>{"C:\\one.avi", "C:\\three.avi",
                                                         "C:\\four.avi", "C:\\five.avi"}));
       }},
      {IDM_KEY_DELETE, [](ShellSession& s) {
         g_app.currentIndex = 3;
         s.Command(IDM_KEY_DELETE);  // no file: Delete File
         EXPECT_EQ(g_playlist->Count(), 3);
         EXPECT_EQ(g_app.currentIndex, 2);
       }},
      Row(IDM_BRIGHTNESS, [] {
        EXPECT_EQ(g_app.balanceTarget.load(), 1);
        EXPECT_EQ(g_app.balanceChanged.exchange(0), 1);
      }),
      Row(IDM_CONTRAST, [] { EXPECT_EQ(g_app.balanceTarget.load(), 3); }),
      Row(IDM_SATURATION, [] { EXPECT_EQ(g_app.balanceTarget.load(), 2); }),
      {IDM_DEFAULT_COLORS, [](ShellSession& s) {
         g_options.colorBalance = ColorBalance{10, 90, 0};
         s.Command(IDM_DEFAULT_COLORS);
         EXPECT_EQ(PublishedOptions().colorBalance.brightness, 50);
         EXPECT_EQ(PublishedOptions().colorBalance.contrast, 50);
         EXPECT_EQ(PublishedOptions().colorBalance.saturation, 50);
       }},
      {IDM_INCREASE_VOLUME, [](ShellSession& s) {
         g_options.volume = 97;
         s.Command(IDM_INCREASE_VOLUME);
         EXPECT_EQ(PublishedOptions().volume, 100u);  // held at 100
       }},
      Row(IDM_DECREASE_VOLUME, [] { EXPECT_EQ(PublishedOptions().volume, 95u); }),
      {IDM_NEXT_FRAME, [](ShellSession& s) {
         for (int i = 0; i < 7; ++i) s.Command(IDM_NEXT_FRAME);
         EXPECT_EQ(g_app.frameSteps.exchange(0), 5);  // at most five pending
       }},
      {IDM_VIDEO_FILTERS_OFF, [](ShellSession& s) {
         std::memset(&g_options.videoFilters, 1, sizeof g_options.videoFilters);
         s.Command(IDM_VIDEO_FILTERS_OFF);
         const VideoFilterFlags off = {};
         EXPECT_EQ(std::memcmp(&g_options.videoFilters, &off, sizeof off), 0);
         EXPECT_EQ(Checked(IDM_HISTOGRAM), 0);
       }},
      {IDM_AUDIO_FILTERS_OFF, [](ShellSession& s) {
         std::memset(&g_options.audioFilters, 1, sizeof g_options.audioFilters);
         s.Command(IDM_AUDIO_FILTERS_OFF);
         EXPECT_EQ(PublishedOptions().audioFilters.swapChannels, 0);
         EXPECT_EQ(PublishedOptions().audioFilters.voiceRemoval, 0);
       }},
      {IDM_LOAD_DEFAULTS, [](ShellSession& s) {
         g_options.volume = 3;
         g_options.speedTroublesMode = 3;
         g_displacementList.Remember("C:\\one.avi", 200);
         s.Command(IDM_LOAD_DEFAULTS);
         EXPECT_EQ(PublishedOptions().volume, 100u);
         EXPECT_EQ(Checked(IDM_JUMP_KEYFRAMES), 1);
         EXPECT_TRUE(g_displacementList.IsEmpty());
       }},
      {IDM_FULLSCREEN, [](ShellSession& s) {
         s.Command(IDM_FULLSCREEN);  // needs an open file
         EXPECT_EQ(g_app.fullscreenRequested.load(), 0);
       }},
      {IDM_FILE_OPEN, [dialogs](ShellSession& s) {
         const std::string before = g_playlist->Text();
         dialogs->answer.clear();
         s.Command(IDM_FILE_OPEN);
         EXPECT_EQ(g_playlist->Text(), before);  // cancelled
         dialogs->answer = "Z:\\missing\\x.avi\rZ:\\missing\\y.avi";
         g_app.currentIndex = 1;
         s.Command(IDM_FILE_OPEN);
         ExpectAsked(*dialogs, false, true, kVideoFilter, "Open Video file");
         EXPECT_EQ(g_playlist->Count(), 2);
         EXPECT_EQ(g_app.currentIndex, 0);
         s.PumpFor(300);  // the posted Play/Pause tries the first file
         EXPECT_EQ(s.CommandCount(IDM_PLAY_PAUSE), 1);
         ASSERT_FALSE(s.Messages().empty());
         EXPECT_EQ(s.Messages().back().caption, "Opening troubles");
         EXPECT_EQ(g_player->State(), kClosed);
         EXPECT_EQ(g_playlist->Count(), 2);
       }},
      {IDM_KEY_ENTER, [](ShellSession& s) {
         s.Command(IDM_KEY_ENTER);  // no file: Play/Pause
         EXPECT_EQ(s.CommandCount(IDM_PLAY_PAUSE), 2);
         s.PumpFor(200);
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

// A file open, paused unless said otherwise.
std::vector<EffectRow> OpenRows() {
  return {
      {IDM_PLAY_PAUSE, [](ShellSession& s) {
         s.Command(IDM_PLAY_PAUSE);
         EXPECT_EQ(g_player->State(), kPlaying);
         s.PumpFor(500);
         s.Command(IDM_PLAY_PAUSE);
         EXPECT_EQ(g_player->State(), kPaused);
       }},
      {IDM_ON_TOP, [](ShellSession& s) {
         g_options.onTop = 0;
         s.Command(IDM_ON_TOP);
         EXPECT_FALSE(Topmost());  // on top only while playing
         s.Command(IDM_PLAY_PAUSE);
         EXPECT_TRUE(Topmost());
         s.Command(IDM_ON_TOP);
         EXPECT_FALSE(Topmost());
         s.Command(IDM_PLAY_PAUSE);
       }},
      {IDM_NEXT_FRAME, [](ShellSession& s) {
         s.PumpFor(300);
         const int32_t before = Frame();
         s.Command(IDM_NEXT_FRAME);
         EXPECT_TRUE(s.PumpUntil([before] { return Frame() == before + 1; }, 3000)) << Frame();
       }},
      {IDM_REWIND, [](ShellSession& s) { s.Command(IDM_REWIND); EXPECT_EQ(Frame(), 0); }},
      {IDM_NEXT_KEYFRAME, [](ShellSession& s) {
         const int32_t keyframe = g_decoderHolder->NextKeyframe(1);
         ASSERT_GT(keyframe, 0);
         s.Command(IDM_NEXT_KEYFRAME);
         EXPECT_EQ(Frame(), keyframe);
       }},
      {IDM_KEY_RIGHT, [](ShellSession& s) {
         const int32_t from = Frame();
         const int32_t keyframe = g_decoderHolder->NextKeyframe(from + 50);  // 5 s at 10 fps
         ASSERT_GE(keyframe, from + 50);
         s.Command(IDM_KEY_RIGHT);
         EXPECT_EQ(Frame(), keyframe);
       }},
      {IDM_PREVIOUS_KEYFRAME, [](ShellSession& s) {
         const int32_t from = Frame();
         const int32_t keyframe = g_decoderHolder->PreviousKeyframe(from - 1);
         ASSERT_LT(keyframe, from);
         s.Command(IDM_PREVIOUS_KEYFRAME);
         EXPECT_EQ(Frame(), keyframe);
       }},
      {IDM_KEY_LEFT, [](ShellSession& s) {
         const int32_t from = Frame();
         const int32_t keyframe = g_decoderHolder->PreviousKeyframe(from - 50);
         ASSERT_LT(keyframe, from);
         s.Command(IDM_KEY_LEFT);
         EXPECT_EQ(Frame(), keyframe);
       }},
      {IDM_KEY_HOME, [](ShellSession& s) {
         g_options.colorBalance.brightness = 50;
         s.Command(IDM_KEY_HOME);  // a file: brightness up
         EXPECT_EQ(PublishedOptions().colorBalance.brightness, 55);
         EXPECT_EQ(g_app.currentIndex, 0);
       }},
      {IDM_KEY_PAGE_DOWN, [](ShellSession& s) {
         g_options.colorBalance.saturation = 50;
         s.Command(IDM_KEY_PAGE_DOWN);
         EXPECT_EQ(PublishedOptions().colorBalance.saturation, 45);
       }},
      {IDM_KEY_DOWN, [](ShellSession& s) {
         g_options.volume = 50;
         s.Command(IDM_KEY_DOWN);  // a file: the volume
         EXPECT_EQ(PublishedOptions().volume, 45u);
         EXPECT_EQ(g_app.currentIndex, 0);
       }},
      {IDM_SEEKING_INDEX, [](ShellSession& s) {
         const uint8_t before = g_options.allowSeekingIndex;
         s.Command(IDM_SEEKING_INDEX);
         EXPECT_EQ(g_options.allowSeekingIndex, before);
         ASSERT_FALSE(s.Messages().empty());
         EXPECT_EQ(s.Messages().back().text, "Can't change option(s) while playing");
         EXPECT_EQ(s.Messages().back().caption, "Restriction");
       }},
      {IDM_LOAD_DEFAULTS, [](ShellSession& s) {
         const size_t shown = s.Messages().size();
         g_options.volume = 45;
         s.Command(IDM_LOAD_DEFAULTS);
         EXPECT_EQ(g_options.volume, 45u);
         EXPECT_EQ(s.Messages().size(), shown + 1);
       }},
      Row(IDM_PLAYLIST_DELETE, [] { EXPECT_EQ(g_playlist->Count(), 2); }),
      {IDM_BUFFER_20, [](ShellSession& s) {
         s.Command(IDM_NEXT_KEYFRAME);
         const int32_t at = Frame();
         ASSERT_GT(at, 0);
         s.Command(IDM_BUFFER_20);  // closed and opened again at the same frame, paused
         EXPECT_EQ(g_options.frameBufferSize, 2u);
         EXPECT_EQ(g_player->State(), kPaused);
         EXPECT_EQ(Frame(), at);
       }},
      {IDM_FULLSCREEN, [](ShellSession& s) {
         s.Command(IDM_FULLSCREEN);
         EXPECT_EQ(GetWindowLongA(g_mainWindow, GWL_STYLE) & WS_CAPTION, 0);
         s.Command(IDM_FULLSCREEN);
         EXPECT_EQ(GetWindowLongA(g_mainWindow, GWL_STYLE) & WS_CAPTION, WS_CAPTION);
       }},
      {IDM_KEY_ENTER, [](ShellSession& s) {
         s.Command(IDM_KEY_ENTER);  // a file: fullscreen
         EXPECT_EQ(g_app.fullscreenRequested.load(), 1);
       }},
      {IDM_KEY_ESCAPE, [](ShellSession& s) {
         s.Command(IDM_KEY_ESCAPE);  // in fullscreen it only leaves it
         EXPECT_EQ(g_app.fullscreenRequested.load(), 0);
         EXPECT_EQ(g_player->State(), kPaused);
       }},
      {IDM_NEXT_FILE, [](ShellSession& s) {
         s.Command(IDM_NEXT_FILE);
         EXPECT_EQ(g_app.currentIndex, 1);
         EXPECT_TRUE(s.PumpUntil([] { return g_player->State() == kPlaying; }, 20000));
         s.Command(IDM_PLAY_PAUSE);  // held while its size changes
       }},
      {IDM_NORMAL_SIZE, [](ShellSession& s) {
         s.Command(IDM_NORMAL_SIZE);  // the second file: 320 x 240
         EXPECT_EQ(ClientOf().cx, 320);
       }},
      Row(IDM_DOUBLE_SIZE, [] { EXPECT_EQ(ClientOf().cx, 640); EXPECT_EQ(ClientOf().cy, 496); }),
      {IDM_HALF_SIZE, [](ShellSession& s) {
         s.Command(IDM_HALF_SIZE);  // 160 x 136 asked, the window's minimum wins
         EXPECT_EQ(WindowSize(g_mainWindow).cx, 320);
         EXPECT_EQ(WindowSize(g_mainWindow).cy, 240);
       }},
      {IDM_PREVIOUS_FILE, [](ShellSession& s) {
         s.Command(IDM_PREVIOUS_FILE);
         EXPECT_EQ(g_app.currentIndex, 0);
         EXPECT_TRUE(s.PumpUntil([] { return g_player->State() == kPlaying; }, 20000));
       }},
      Row(IDM_STOP, [] {
        EXPECT_EQ(g_player->State(), kClosed);
        EXPECT_EQ(g_playlist->Count(), 2);
      }),
      {IDM_EXIT, [](ShellSession& s) {
         EXPECT_EQ(s.Finish(), 0);
         EXPECT_EQ(g_mainWindow, nullptr);
         EXPECT_EQ(g_app.windowActive.load(), 0);
       }},
  };
}

// Toggles twice (back to where it was) or chooses, with the check mark, the
// copy the playback threads read, and the record saved.
void CheckOptionRow(ShellSession& session, const OptionRow& row) {
  const uint32_t before = FieldOf(g_options, row);
  if (!row.toggle) SetField(row, row.value == 0 ? 1 : 0);
  session.Command(row.id);
  const uint32_t expected = row.toggle ? (before == 0 ? 1 : 0) : row.value;
  EXPECT_EQ(FieldOf(g_options, row), expected) << "command " << row.id;
  EXPECT_EQ(FieldOf(PublishedOptions(), row), expected) << "command " << row.id;
  const int mark = Checked(row.id);
  const bool inverted = row.id == IDM_ALLOW_OVERLAYS;  // checked when overlays are not denied
  const bool checked = row.toggle ? (expected != 0) != inverted : true;  // a choice: its item
  if (mark >= 0) {
    EXPECT_EQ(mark, checked) << "command " << row.id;
  }
  if (row.toggle) session.Command(row.id);
}

TEST(CommandTable, EveryCommandOfTheResourcesHasItsEffect) {
  ShellSession session("");
  ASSERT_TRUE(session.Started());
  DialogScript dialogs;
  SetFileDialogHook([&dialogs](const FileDialogRequest& request) {
    dialogs.asked.push_back(request);
    return dialogs.answer;
  });
  const std::vector<EffectRow> closed = ClosedRows(&dialogs);
  const std::vector<EffectRow> open = OpenRows();

  std::set<int> covered(std::begin(kDialogIds), std::end(kDialogIds));
  covered.insert(std::begin(kSubtitleIds), std::end(kSubtitleIds));
  for (const OptionRow& row : kOptionRows) covered.insert(row.id);
  for (const EffectRow& row : closed) covered.insert(row.id);
  for (const EffectRow& row : open) covered.insert(row.id);
  for (int id : ResourceIds()) EXPECT_TRUE(covered.count(id)) << "command " << id << " unchecked";

  for (const OptionRow& row : kOptionRows) CheckOptionRow(session, row);
  for (const EffectRow& row : closed) {
    SCOPED_TRACE(row.id);
    row.check(session);
  }

  if (!ClipExists(kLongClip) || !ClipExists(kLargeClip)) {
    SetFileDialogHook(nullptr);
    GTEST_SKIP() << "clips " << kLongClip << ", " << kLargeClip << " not made";
  }
  g_playlist->SetText(ClipPath(kLongClip) + "\r" + ClipPath(kLargeClip));
  g_app.currentIndex = 0;
  session.Command(IDM_PLAY_PAUSE);
  session.Command(IDM_PLAY_PAUSE);
  ASSERT_EQ(g_player->State(), kPaused);
  for (const EffectRow& row : open) {
    SCOPED_TRACE(row.id);
    row.check(session);
  }
  SetFileDialogHook(nullptr);
}

}  // namespace
