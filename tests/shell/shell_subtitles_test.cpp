// Subtitles in the real shell: a .srt beside a clip is loaded at open and
// burnt into the picture shown, at the bottom. (Which frames are drawn into,
// and where in the band: the subtitle renderer's test; the .srt's times at
// the clip's rate: the player's auto-load test.)
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/file_dialogs.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "engine/player.h"
#include "subtitles/subtitle_track.h"
#include "tests/common/test_paths.h"
#include "tests/shell/clip_reference.h"
#include "tests/shell/shell_session.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr char kClip[] = "raw_pcm16.avi";  // 160 x 120, 15 frames a second, 45 frames
constexpr int32_t kFirst = 15, kEnd = 30;  // 00:00:01,000 --> 00:00:02,000

// The clip copied to the scratch directory with a .srt beside it.
std::string SubtitledClip() {
  const std::vector<uint8_t> clip = ReadFileBytes(ClipPath(kClip));
  WriteWholeFile(ScratchPath("subtitled.srt"), "1\n00:00:01,000 --> 00:00:02,000\nVelmora|subtitles\n\n");
  return WriteWholeFile(ScratchPath("subtitled.avi"), std::string(clip.begin(), clip.end()));
}

// The picture paused inside the subtitle's time has the subtitle in the band
// at the bottom and nowhere else (against the same frame with the subtitles
// closed); opened again from the menu, the same subtitle is back. Closing the
// file unloads them.
TEST(ShellSubtitles, SrtBesideTheClipShowsInItsFramesAtTheBottom) {
  if (!ClipExists(kClip)) GTEST_SKIP() << "clip " << kClip << " not made";
  ShellSession session(SubtitledClip());
  ASSERT_TRUE(session.PumpUntil([] { return g_player->State() == kPlaying; }, 10000));
  session.PumpUntil([] { return g_player->CurrentFrame() >= 21; }, 10000);
  session.Command(IDM_PLAY_PAUSE);
  session.PumpFor(400);
  const int32_t frame = g_player->CurrentFrame();
  ASSERT_GT(frame, kFirst);
  ASSERT_LT(frame, kEnd);
  const Capture with = CaptureClientArea(session.Window());
  session.Command(IDM_SUBTITLES_CLOSE);
  ASSERT_TRUE(SeekPlayer(frame));
  session.PumpFor(600);
  const Capture without = CaptureClientArea(session.Window());
  ASSERT_EQ(with.rgb.size(), without.rgb.size());
  const RECT video = g_app.videoRect.Get();
  const int32_t band = g_subtitleTrack->BandHeight();
  ASSERT_GT(band, 0) << "the subtitle was never drawn";
  const int32_t bandTop = video.bottom - (video.bottom - video.top) * band / g_player->VideoHeight();
  int64_t changedAbove = 0, changedInside = 0;
  for (int32_t y = video.top; y < video.bottom; ++y) {
    for (int32_t x = video.left; x < video.right; ++x) {
      const bool changed = std::memcmp(with.At(x, y), without.At(x, y), 3) != 0;
      (y < bandTop - 2 ? changedAbove : changedInside) += changed ? 1 : 0;
    }
  }
  EXPECT_EQ(changedAbove, 0);
  EXPECT_GT(changedInside, 200);

  const FileDialogHook previous = SetFileDialogHook([](const FileDialogRequest& request) {
    EXPECT_STREQ(request.title, "Open Subtitle file");
    std::vector<std::string> pairs;  // description, pattern, ... up to the empty pair
    for (const char* p = request.filter; *p != 0; p += std::strlen(p) + 1) pairs.push_back(p);
    EXPECT_EQ(pairs, (std::vector<std::string>{"All supported files", "*.sub;*.srt;*.ssa;*.ass", "SUB Files (*.sub)",
                                               "*.sub", "SRT Files (*.srt)", "*.srt", "SSA/ASS Files (*.ssa;*.ass)",
                                               "*.ssa;*.ass", "All files", "*.*"}));
    return ScratchPath("subtitled.srt");
  });
  session.Command(IDM_SUBTITLES_OPEN);
  SetFileDialogHook(previous);
  EXPECT_TRUE(g_subtitleTrack->IsLoaded());
  ASSERT_TRUE(SeekPlayer(frame));
  session.PumpFor(600);
  EXPECT_TRUE(CaptureClientArea(session.Window()).rgb == with.rgb);
  session.Command(IDM_STOP);
  EXPECT_FALSE(g_subtitleTrack->IsLoaded()) << "closing the file unloads its subtitles";
}

}  // namespace

// The system's choosers, answered by a thread of the test as a user would:
// the colour chooser's red, green and blue boxes, the font chooser's size.
// A chooser may still be filling its boxes when it shows: they are typed in
// twice, a moment apart.
TEST(ShellSubtitles, TheChoosersSetTheColourAndTheFont) {
  ShellSession session("");
  g_options.subtitleColor = RGB(1, 2, 3);
  const auto twice = [](const std::function<void(HWND)>& fill) {
    return [fill](HWND dialog) {
      fill(dialog);
      Sleep(200);
      fill(dialog);
      Sleep(100);
    };
  };
  EXPECT_TRUE(RunDialog(session, IDM_SUBTITLES_COLOR, nullptr, "", twice([](HWND dialog) {
    SetDlgItemInt(dialog, 706, 10, FALSE);  // red, green and blue of the full chooser
    SetDlgItemInt(dialog, 707, 20, FALSE);
    SetDlgItemInt(dialog, 708, 30, FALSE);
  }), IDOK));
  EXPECT_EQ(g_options.subtitleColor, static_cast<uint32_t>(RGB(10, 20, 30)));
  EXPECT_EQ(PublishedOptions().subtitleColor, static_cast<uint32_t>(RGB(10, 20, 30)));

  const LONG before = g_options.subtitleFont.lfHeight;
  EXPECT_TRUE(RunDialog(session, IDM_SUBTITLES_FONT, nullptr, "", twice([](HWND dialog) {
    SetDlgItemTextA(dialog, 0x472, "36");  // the size box
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x472, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 0x472)));
  }), IDOK));
  EXPECT_NE(g_options.subtitleFont.lfHeight, before);
  EXPECT_LT(g_options.subtitleFont.lfHeight, -40);  // 36 points at 96 dpi: -48
}
