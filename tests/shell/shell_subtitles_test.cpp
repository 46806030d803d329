// Subtitles in the real shell: a .srt beside a clip is loaded at open and
// burnt into exactly the frames of its time, at the bottom of the picture.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/application_ports.h"
#include "app/file_dialogs.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "engine/player.h"
#include "subtitles/subtitle_track.h"
#include "tests/common/test_paths.h"
#include "tests/shell/shell_session.h"
#include "video/yuy2_frame.h"

#include <cstring>
#include <fstream>
#include <thread>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr char kClip[] = "raw_pcm16.avi";  // 160 x 120, 15 frames a second, 45 frames
constexpr int32_t kFirst = 15, kEnd = 30;  // 00:00:01,000 --> 00:00:02,000

// Each frame as decoded and as the filter chain left it, by frame number.
struct Recorded {
  std::vector<uint8_t> decoded, filtered;
};
std::mutex g_recordLock;
std::map<int32_t, Recorded> g_recorded;
int32_t g_width = 0, g_height = 0;

void RecordingFilters(uint8_t* frame, int32_t width, int32_t height, int32_t frameNumber) {
  const size_t bytes = static_cast<size_t>(Yuy2RowStride(width)) * height;
  Recorded r;
  r.decoded.assign(frame, frame + bytes);
  ProgramEffects().applyVideoFilters(frame, width, height, frameNumber);
  r.filtered.assign(frame, frame + bytes);
  std::lock_guard<std::mutex> hold(g_recordLock);
  g_recorded[frameNumber] = std::move(r);
  g_width = width;
  g_height = height;
}

// The clip copied to the scratch directory with a .srt beside it.
std::string SubtitledClip() {
  const std::string video = ScratchPath("subtitled.avi");
  std::ifstream in(ClipPath(kClip), std::ios::binary);
  std::ofstream(video, std::ios::binary) << in.rdbuf();
  std::ofstream(ScratchPath("subtitled.srt")) << "1\n00:00:01,000 --> 00:00:02,000\nVelmora|subtitles\n\n";
  return video;
}

SessionSettings Recording() {
  SessionSettings settings;
  settings.makePlayer = [] {
    PlaybackPorts ports = ApplicationPorts();
    ports.effects.applyVideoFilters = RecordingFilters;
    return new Player(ports);
  };
  return settings;
}

// The first row at which two frames differ, and the last (-1 when equal).
std::pair<int32_t, int32_t> ChangedRows(const Recorded& r, int32_t stride) {
  int32_t first = -1, last = -1;
  for (int32_t y = 0; y * stride < static_cast<int32_t>(r.decoded.size()); ++y) {
    if (std::memcmp(&r.decoded[y * stride], &r.filtered[y * stride], stride) == 0) continue;
    if (first < 0) first = y;
    last = y;
  }
  return {first, last};
}

// The picture paused inside the subtitle's time has the subtitle in the band
// at the bottom and nowhere else (against the same frame with the subtitles
// closed); opened again from the menu, the same subtitle is back. Played to
// the end, exactly the frames of its time were drawn into, in the band only.
TEST(ShellSubtitles, SrtBesideTheClipShowsInItsFramesAtTheBottom) {
  if (!ClipExists(kClip)) GTEST_SKIP() << "clip " << kClip << " not made";
  {
    std::lock_guard<std::mutex> hold(g_recordLock);
    g_recorded.clear();
  }
  ShellSession session(SubtitledClip(), Recording());
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
    return ScratchPath("subtitled.srt");
  });
  session.Command(IDM_SUBTITLES_OPEN);
  SetFileDialogHook(previous);
  EXPECT_TRUE(g_subtitleTrack->IsLoaded());
  ASSERT_TRUE(SeekPlayer(frame));
  session.PumpFor(600);
  EXPECT_TRUE(CaptureClientArea(session.Window()).rgb == with.rgb);

  session.Command(IDM_PLAY_PAUSE);
  ASSERT_TRUE(session.PumpUntil([] { return g_player->State() == kClosed; }, 20000));
  std::lock_guard<std::mutex> hold(g_recordLock);
  ASSERT_GT(band, 0) << "the subtitle was never drawn";
  const int32_t stride = Yuy2RowStride(g_width);
  int32_t inside = 0, outside = 0;
  for (const auto& entry : g_recorded) {
    const auto rows = ChangedRows(entry.second, stride);
    if (entry.first >= kFirst && entry.first < kEnd) {
      ++inside;
      EXPECT_GE(rows.first, g_height - band) << "frame " << entry.first << ": changed above the band";
      EXPECT_GE(rows.second, 0) << "frame " << entry.first << ": no subtitle";
    } else {
      ++outside;
      EXPECT_EQ(rows.first, -1) << "frame " << entry.first << ": touched outside the subtitle's time";
    }
  }
  EXPECT_GT(inside, 10);
  EXPECT_GT(outside, 20);
  EXPECT_FALSE(g_subtitleTrack->IsLoaded()) << "closing the file unloads its subtitles";
}

}  // namespace

// The system's choosers, answered by a thread of the test as a user would:
// the colour chooser's red, green and blue boxes, the font chooser's size.
namespace {

// Waits for the chooser this process opens, fills it in and presses OK.
void AnswerChooser(const std::function<void(HWND)>& fill, bool* answered) {
  for (int i = 0; i < 500 && !*answered; ++i) {
    HWND dialog = FindWindowA("#32770", nullptr);
    DWORD process = 0;
    if (dialog != nullptr) GetWindowThreadProcessId(dialog, &process);
    if (dialog != nullptr && process == GetCurrentProcessId() && IsWindowVisible(dialog)) {
      // The chooser may still be filling its boxes: type in twice, a moment apart.
      Sleep(300);
      fill(dialog);
      Sleep(200);
      fill(dialog);
      Sleep(100);
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      *answered = true;
    }
    Sleep(10);
  }
}

}  // namespace

TEST(ShellSubtitles, TheChoosersSetTheColourAndTheFont) {
  ShellSession session("");
  g_options.subtitleColor = RGB(1, 2, 3);
  bool answered = false;
  std::thread colour(AnswerChooser, [](HWND dialog) {
    SetDlgItemInt(dialog, 706, 10, FALSE);  // red, green and blue of the full chooser
    SetDlgItemInt(dialog, 707, 20, FALSE);
    SetDlgItemInt(dialog, 708, 30, FALSE);
  }, &answered);
  session.Command(IDM_SUBTITLES_COLOR);
  colour.join();
  EXPECT_TRUE(answered);
  EXPECT_EQ(g_options.subtitleColor, static_cast<uint32_t>(RGB(10, 20, 30)));
  EXPECT_EQ(PublishedOptions().subtitleColor, static_cast<uint32_t>(RGB(10, 20, 30)));

  const LONG before = g_options.subtitleFont.lfHeight;
  answered = false;
  std::thread font(AnswerChooser, [](HWND dialog) {
    SetDlgItemTextA(dialog, 0x472, "36");  // the size box
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x472, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 0x472)));
  }, &answered);
  session.Command(IDM_SUBTITLES_FONT);
  font.join();
  EXPECT_TRUE(answered);
  EXPECT_NE(g_options.subtitleFont.lfHeight, before);
  EXPECT_LT(g_options.subtitleFont.lfHeight, -40);  // 36 points at 96 dpi: -48
}
