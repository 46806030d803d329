// The real shell playing ffmpeg-made clips in this process under Wine: the
// window, the player, the decoder, the presenter and DirectSound (the
// PulseAudio null sink), driven by the commands a user gives; subtitles burnt
// into the picture.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/file_dialogs.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/panel_layout.h"
#include "app/shell.h"
#include "app/window_geometry.h"
#include "engine/player.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "subtitles/subtitle_track.h"
#include "tests/common/test_paths.h"
#include "tests/shell/shell_session.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <tuple>

namespace {

// What ffmpeg says about a clip, written beside the clips by
// make_references.sh: every frame decoded to RGB, and the keyframes.
struct ClipReference {
  int width = 0, height = 0, frames = 0;
  double toneHertz = 0;       // the sound's strongest frequency (0: no sound)
  std::vector<int> keyframes;
  std::vector<uint8_t> rgb;   // frames x height x width x 3, top row first

  bool Loaded() const { return frames > 0; }
  const uint8_t* Frame(int n) const { return rgb.data() + size_t{3} * n * width * height; }
};

ClipReference LoadClipReference(const std::string& clip) {
  ClipReference reference;
  // "width height frames tone" on the first line, then one keyframe per line.
  std::ifstream info(ClipPath(clip + ".info"));
  int frames = 0;
  info >> reference.width >> reference.height >> frames >> reference.toneHertz;
  for (int k; info >> k;) reference.keyframes.push_back(k);
  reference.rgb = ReadFileBytes(ClipPath(clip + ".rgb"));
  const size_t frameBytes = static_cast<size_t>(reference.width) * reference.height * 3;
  if (frameBytes > 0 && reference.rgb.size() >= frameBytes * frames) reference.frames = frames;
  return reference;
}

// Pictures compared by the mean colours of a grid of cells, which makes the
// comparison blind to how the picture was scaled and to chroma subsampling,
// but not to what it shows. Cells that a hard edge crosses differ by a pixel
// of rounding, so whole pictures are compared by the median cell.
constexpr int kCellsAcross = 16;
constexpr int kCellsDown = 12;

// The cells' mean colours, cell by cell, top row first: red, green, blue.
using CellPicture = std::vector<double>;

// Mean colours of the cells of a picture of w x h pixels, leaving out a
// pixel at each cell edge.
CellPicture Cells(const uint8_t* pixels, size_t stride, int w, int h) {
  CellPicture cells;
  if (w < kCellsAcross * 3 || h < kCellsDown * 3) return cells;
  for (int cy = 0; cy < kCellsDown; ++cy) {
    for (int cx = 0; cx < kCellsAcross; ++cx) {
      const int x0 = cx * w / kCellsAcross + 1, x1 = (cx + 1) * w / kCellsAcross - 1;
      const int y0 = cy * h / kCellsDown + 1, y1 = (cy + 1) * h / kCellsDown - 1;
      double sum[3] = {0, 0, 0};
      for (int y = y0; y < y1; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = x0; x < x1; ++x) {
          for (int c = 0; c < 3; ++c) sum[c] += row[3 * x + c];
        }
      }
      const double count = static_cast<double>(x1 - x0) * (y1 - y0);
      for (int c = 0; c < 3; ++c) cells.push_back(sum[c] / count);
    }
  }
  return cells;
}

std::vector<double> CellDifferences(const CellPicture& a, const CellPicture& b) {
  std::vector<double> differences;
  if (a.size() != b.size()) return differences;
  for (size_t i = 0; i < a.size(); i += 3) {
    double d = 0;
    for (int c = 0; c < 3; ++c) d += std::fabs(a[i + c] - b[i + c]);
    differences.push_back(d / 3);
  }
  return differences;
}

CellPicture FrameCells(const ClipReference& reference, int frame) {
  if (frame < 0 || frame >= reference.frames) return CellPicture();
  return Cells(reference.Frame(frame), static_cast<size_t>(reference.width) * 3, reference.width,
               reference.height);
}

double MedianCellDifference(const CellPicture& a, const CellPicture& b) {
  std::vector<double> d = CellDifferences(a, b);
  if (d.empty()) return 1e9;
  std::nth_element(d.begin(), d.begin() + d.size() / 2, d.end());
  return d[d.size() / 2];
}

double ShareNearer(const CellPicture& picture, const CellPicture& a, const CellPicture& b) {
  const std::vector<double> apart = CellDifferences(a, b);
  const std::vector<double> toA = CellDifferences(picture, a);
  const std::vector<double> toB = CellDifferences(picture, b);
  if (apart.empty() || toA.size() != apart.size() || toB.size() != apart.size()) return 0;
  int cells = 0, nearer = 0;
  for (size_t i = 0; i < apart.size(); ++i) {
    if (apart[i] < 20) continue;  // the frames agree here
    ++cells;
    nearer += toA[i] < toB[i] ? 1 : 0;
  }
  return cells > 0 ? static_cast<double>(nearer) / cells : 0;
}

#define REQUIRE_CLIP(name)                                        \
  ASSERT_TRUE(ClipExists(name)) << "clip " << (name) << " not made"; \
  const ClipReference reference = LoadClipReference(name);      \
  ASSERT_TRUE(reference.Loaded()) << "no ffmpeg reference for " << (name)

int32_t State() { return g_player->State(); }

bool WaitForState(ShellSession* session, int32_t state, int timeout) {
  return session->PumpUntil([state] { return State() == state; }, timeout);
}

// The system's screen saver switch, which the player turns off while a file
// is open and gives back at its close.
bool ScreenSaverActive() {
  BOOL active = FALSE;
  return SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) && active != FALSE;
}

void SetScreenSaver(bool active) {
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, nullptr, 0);
  ASSERT_EQ(ScreenSaverActive(), active);
}

// Plays, then pauses at about the given frame (the picture stays on it).
void PlayAndPauseNear(ShellSession* session, int frame) {
  ASSERT_TRUE(WaitForState(session, kPlaying, 10000));
  session->PumpUntil([frame] { return g_player->CurrentFrame() >= frame; }, 20000);
  session->Command(IDM_PLAY_PAUSE);
  ASSERT_EQ(State(), kPaused);
  ASSERT_TRUE(session->PumpForVideoPasses(2));  // the video thread settles on the paused frame
}

// The video rectangle of a capture of the window, in cells.
CellPicture Cells(const Capture& capture) {
  const RECT r = g_app.videoRect.Get();
  if (r.left < 0 || r.top < 0 || r.right > capture.width || r.bottom > capture.height) return {};
  return Cells(capture.At(r.left, r.top), size_t{3} * capture.width, r.right - r.left, r.bottom - r.top);
}

// The screen once the action (a seek or a step, paused) has led to the frame
// and the video thread has shown it.
Capture ShownAfter(ShellSession* session, const std::function<void()>& act, int32_t frame) {
  const int32_t presented = g_player->PicturesPresented();
  act();
  EXPECT_TRUE(session->PumpUntil([frame] { return g_player->CurrentFrame() == frame; }, 3000));
  EXPECT_TRUE(session->PumpUntilPictureAfter(presented));
  return CaptureClientArea(g_mainWindow);
}

// The shown picture is decoded frame n: it matches frame n, and where frame
// n and frames farther off differ, it is nearer to n.
void ExpectShowsFrame(const ClipReference& reference, const CellPicture& shown, int frame) {
  EXPECT_LT(MedianCellDifference(shown, FrameCells(reference, frame)), 4.0) << "frame " << frame;
  for (int other : {frame - 6, frame + 6}) {
    if (other < 0 || other >= reference.frames) continue;
    EXPECT_GT(ShareNearer(shown, FrameCells(reference, frame), FrameCells(reference, other)), 0.8)
        << "frame " << frame << " against " << other;
  }
}

// Whether the status strip's time box shows the text as GDI draws it in the
// strip's colours and font, pixel for pixel.
bool StripShows(const std::string& text) {
  const Capture shown = CaptureClientArea(g_mainWindow);
  const int w = kTimeAreaWidth, h = kStatusStripHeight;
  const HDC dc = CreateCompatibleDC(nullptr), screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  SetBkColor(dc, RGB(0, 0, 0)), SetTextColor(dc, 0xFFC040), SetTextAlign(dc, TA_CENTER);
  const RECT box = {0, 0, w, h};
  ExtTextOutA(dc, w / 2, 0, ETO_OPAQUE, &box, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  const Capture drawn = CaptureDc(dc, 0, 0, w, h);
  SelectObject(dc, old), DeleteObject(bitmap), DeleteDC(dc), ReleaseDC(nullptr, screen);
  int differing = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) differing += std::memcmp(shown.At(shown.width - w + x, shown.height - h + y), drawn.At(x, y), 3) != 0;
  }
  return differing == 0;
}

// "mm:ss" of the frame at the open clip's rate.
std::string TimeAt(int frame) {
  const int64_t seconds = int64_t{frame} * g_player->VideoScale() / g_player->VideoRate();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
  return text;
}

// The clip opens playing in a window that fits the video (its client area is
// the video plus the strip, unless that makes the window smaller than 320 x
// 240), titled with the file, the screen saver off. A click on the seek bar
// seeks (it does not toggle Play/Pause) to the keyframe at or before the
// frame under the mouse, keeps the state and shows that keyframe; Stop closes
// it and gives the system the screen saver switch it had at the open (on,
// then off), without a message.
TEST(ShellPlayback, TheClipOpensFittedSeeksOnTheBarAndGivesTheScreenSaverBack) {
  REQUIRE_CLIP("cinepak_pcm16.avi");
  ASSERT_NO_FATAL_FAILURE(SetScreenSaver(true));
  ShellSession session(ClipPath("cinepak_pcm16.avi"));
  ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
  EXPECT_EQ(std::make_pair(ScreenSaverActive(), g_player->SoundPlays()), std::make_pair(false, true));
  RECT fitted = {0, 0, reference.width, reference.height + 16};
  AdjustWindowRect(&fitted, WS_OVERLAPPEDWINDOW, TRUE);
  EXPECT_EQ(WindowSize(session.Window()),
            std::make_pair(std::max<LONG>(fitted.right - fitted.left, 320),
                           std::max<LONG>(fitted.bottom - fitted.top, 240)));
  EXPECT_EQ(WindowTitle(session.Window()), "cinepak_pcm16 - Velmora Player");
  PlayAndPauseNear(&session, 3);
  const RECT bar = g_app.seekBarRect.Get();
  ASSERT_GT(bar.right - bar.left, 100) << "the status strip was not drawn";
  const int x = bar.left + (bar.right - bar.left) * 7 / 10;
  const int frame = static_cast<int>(int64_t{x - bar.left} * reference.frames / (bar.right - bar.left));
  int keyframe = 0;  // at or before the frame
  for (int k : reference.keyframes) keyframe = k <= frame ? k : keyframe;
  ASSERT_GT(keyframe, 0) << "the clip needs a keyframe before 70 %";
  const int toggles = session.CommandCount(IDM_PLAY_PAUSE);
  const int32_t presented = g_player->PicturesPresented();
  SendMessageA(session.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, (bar.top + bar.bottom) / 2));
  EXPECT_EQ(std::make_tuple(g_player->CurrentFrame(), State()), std::make_tuple(keyframe, int32_t{kPaused}));
  ASSERT_TRUE(session.PumpUntilPictureAfter(presented));
  EXPECT_EQ(session.CommandCount(IDM_PLAY_PAUSE), toggles);
  ExpectShowsFrame(reference, Cells(CaptureClientArea(g_mainWindow)), keyframe);
  EXPECT_TRUE(StripShows(TimeAt(keyframe) + "/" + TimeAt(reference.frames))) << "the strip's time";
  session.Command(IDM_STOP);  // (the window's size and title back: the command table's Stop row)
  EXPECT_TRUE(ScreenSaverActive());
  ASSERT_NO_FATAL_FAILURE(SetScreenSaver(false));
  session.Command(IDM_PLAY_PAUSE);
  ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
  session.Command(IDM_STOP);
  EXPECT_FALSE(ScreenSaverActive());
  EXPECT_GT(CurrentTally().blocksWritten, 0);
  EXPECT_TRUE(session.Messages().empty());
}

constexpr char kSubtitledClip[] = "raw_pcm16.avi";  // 160 x 120, 15 frames a second, 45 frames
constexpr int32_t kFirst = 15, kEnd = 30;           // 00:00:01,000 --> 00:00:02,000

// A .srt beside the clip is loaded at open. The picture paused inside the
// subtitle's time has the subtitle in the band at the bottom and nowhere
// else (against the same frame with the subtitles closed); opened again from
// the menu, the same subtitle is back. Closing the file unloads them. (Which
// frames are drawn into, and where in the band: the subtitle renderer's test;
// the .srt's times at the clip's rate: the player's auto-load test.)
TEST(ShellSubtitles, SrtBesideTheClipShowsInItsFramesAtTheBottom) {
  ASSERT_TRUE(ClipExists(kSubtitledClip)) << "clip " << kSubtitledClip << " not made";
  WriteWholeFile(ScratchPath("subtitled.srt"), "1\n00:00:01,000 --> 00:00:02,000\nVelmora|subtitles\n\n");
  ShellSession session(WriteWholeFile(ScratchPath("subtitled.avi"), ReadFileBytes(ClipPath(kSubtitledClip))));
  PlayAndPauseNear(&session, 21);
  const int32_t frame = g_player->CurrentFrame();
  ASSERT_TRUE(frame > kFirst && frame < kEnd) << frame;
  const auto seek = [frame] { EXPECT_TRUE(SeekPlayer(frame)); };
  const Capture with = ShownAfter(&session, seek, frame);
  session.Command(IDM_SUBTITLES_CLOSE);
  const Capture without = ShownAfter(&session, seek, frame);
  ASSERT_EQ(with.rgb.size(), without.rgb.size());
  const RECT video = g_app.videoRect.Get();
  const int32_t band = g_subtitleTrack->BandHeight();
  ASSERT_GT(band, 0) << "the subtitle was never drawn";
  const int32_t bandTop = video.bottom - (video.bottom - video.top) * band / g_player->VideoHeight();
  int64_t changedAbove = 0, changedInside = 0;
  for (int32_t y = video.top; y < video.bottom; ++y) {
    for (int32_t x = video.left; x < video.right; ++x) {
      (y < bandTop - 2 ? changedAbove : changedInside) += std::memcmp(with.At(x, y), without.At(x, y), 3) != 0;
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
  EXPECT_TRUE(ShownAfter(&session, seek, frame).rgb == with.rgb);
  session.Command(IDM_STOP);
  EXPECT_FALSE(g_subtitleTrack->IsLoaded()) << "closing the file unloads its subtitles";
}

}  // namespace

// The system's choosers, answered by a thread of the test as a user would:
// the colour chooser's red, green and blue boxes, the font chooser's size.
// A chooser may still be filling its boxes when it shows: they are typed in
// once the dialog's thread has handled what was posted to it before (an icon
// posted to the dialog is in place), and again until they read back.
TEST(ShellSubtitles, TheChoosersSetTheColourAndTheFont) {
  ShellSession session("");
  g_options.subtitleColor = RGB(1, 2, 3);
  const auto settled = [](const std::function<void(HWND)>& fill, const std::function<bool(HWND)>& filled) {
    return [=](HWND dialog) {
      const LPARAM marker = reinterpret_cast<LPARAM>(LoadIconA(nullptr, MAKEINTRESOURCEA(32514)));  // IDI_QUESTION
      PostMessageA(dialog, WM_SETICON, ICON_SMALL, marker);
      EXPECT_TRUE(PollUntil([&] { return SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0) == marker; }, 5000));
      EXPECT_TRUE(PollUntil([&] { return fill(dialog), filled(dialog); }, 5000));
    };
  };
  EXPECT_TRUE(RunDialog(session, IDM_SUBTITLES_COLOR, nullptr, "", settled([](HWND dialog) {
    for (int box : {706, 707, 708}) SetDlgItemInt(dialog, box, (box - 705) * 10, FALSE);  // red, green, blue
  }, [](HWND dialog) { return GetDlgItemInt(dialog, 708, nullptr, FALSE) == 30; }), IDOK));
  EXPECT_EQ(std::make_pair(g_options.subtitleColor, PublishedOptions().subtitleColor),
            std::make_pair(uint32_t{RGB(10, 20, 30)}, uint32_t{RGB(10, 20, 30)}));

  const LONG before = g_options.subtitleFont.lfHeight;
  EXPECT_TRUE(RunDialog(session, IDM_SUBTITLES_FONT, nullptr, "", settled([](HWND dialog) {
    SetDlgItemTextA(dialog, 0x472, "36");  // the size box
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x472, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 0x472)));
  }, [](HWND dialog) { return GetDlgItemInt(dialog, 0x472, nullptr, FALSE) == 36; }), IDOK));
  const LONG after = g_options.subtitleFont.lfHeight;
  EXPECT_TRUE(after != before && after < -40) << after;  // 36 points at 96 dpi: -48
}
