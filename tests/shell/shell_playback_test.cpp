// The real shell playing ffmpeg-made clips in this process under Wine: the
// window, the player, the decoder, the presenter and DirectSound (the
// PulseAudio null sink), driven by the commands a user gives.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/shell.h"
#include "audio/sound_output.h"
#include "engine/player.h"
#include "settings/shared_options.h"
#include "tests/common/test_paths.h"
#include "tests/shell/clip_reference.h"
#include "tests/shell/shell_session.h"
#include "video/point_filters.h"
#include "video/rgb24_to_yuy2.h"
#include "video/yuy2_frame.h"
#include "video/yuy2_to_rgb32.h"

#include <mmsystem.h>
#include <dsound.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

#define REQUIRE_CLIP(name)                                   \
  ASSERT_TRUE(ClipExists(name)) << "clip " << (name) << " not made"; \
  const ClipReference reference = LoadClipReference(name); \
  ASSERT_TRUE(reference.Loaded()) << "no ffmpeg reference for " << (name)

int32_t State() { return g_player->State(); }

bool WaitForState(ShellSession* session, int32_t state, int timeout) {
  return session->PumpUntil([state] { return State() == state; }, timeout);
}

// The system's screen saver switch, which the player turns off while a file
// is open and gives back at its close.
bool ScreenSaverActive() {
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  return active != FALSE;
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

bool SoundBufferPlays() {
  DWORD status = 0;
  g_soundOutput->Buffer()->GetStatus(&status);
  return (status & DSBSTATUS_PLAYING) != 0;
}

// The picture on the screen now, in cells.
CellPicture ShownCells() {
  const Capture capture = CaptureClientArea(g_mainWindow);
  return CaptureCells(capture.rgb, capture.width, g_app.videoRect.Get());
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

// Each clip plays through to Next File once, without a message, in a window
// that fits the video (its client area is the video plus the strip, unless
// that makes the window smaller than 320 x 240) and is titled with the file;
// at the end the window gets its size and title back, and the system its
// screen saver switch. (Cut-off copies: shell_truncation_test.cpp.)
TEST(ShellPlayback, EachClipPlaysToTheEndOnceAndGivesTheWindowBack) {
  // The clip, and the screen saver switch before it opens.
  for (const auto& c : {std::make_pair("cinepak_pcm16.avi", true), std::make_pair("msvc_silent.avi", false)}) {
    SCOPED_TRACE(c.first);
    REQUIRE_CLIP(c.first);
    ASSERT_NO_FATAL_FAILURE(SetScreenSaver(c.second));
    ShellSession session(ClipPath(c.first));
    ASSERT_TRUE(session.Started());
    ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
    EXPECT_FALSE(ScreenSaverActive());
    EXPECT_EQ(g_player->SoundPlays(), reference.toneHertz > 0);
    RECT fitted = {0, 0, reference.width, reference.height + 16};
    AdjustWindowRect(&fitted, WS_OVERLAPPEDWINDOW, TRUE);
    EXPECT_EQ(WindowSize(session.Window()), std::make_pair(std::max<LONG>(fitted.right - fitted.left, 320),
                                                           std::max<LONG>(fitted.bottom - fitted.top, 240)));
    EXPECT_EQ(WindowTitle(session.Window()), std::string(c.first, std::strlen(c.first) - 4) + " - Velmora Player");

    // One entry, "Repeat" off: playback ends after every frame went through
    // the video thread, with one request for the next file.
    ASSERT_TRUE(WaitForState(&session, kClosed, reference.frames * 40 + 15000))
        << "still at frame " << g_player->CurrentFrame();
    session.PumpUntil([] { return true; }, 0);  // closed: the threads are gone, only what they posted is left
    EXPECT_EQ(session.CommandCount(IDM_NEXT_FILE), 1);
    EXPECT_EQ(CurrentTally().framesShown + CurrentTally().framesDropped, reference.frames);
    EXPECT_EQ(WindowTitle(session.Window()), DefaultTitle());
    EXPECT_EQ(WindowSize(session.Window()), std::make_pair(512L, 420L));
    EXPECT_EQ(ScreenSaverActive(), c.second);
    EXPECT_EQ(CurrentTally().blocksWritten > 0, reference.toneHertz > 0);
    EXPECT_TRUE(session.Messages().empty());
  }
}

// Of the pixels of the shown picture where reference frames a and b differ
// clearly, the share nearer to a: what the cells cannot tell where only a few
// thin lines change. Each screen pixel is compared with the frame's pixel that
// the window's nearest resize takes for it: steps of (size - 1) / shown size,
// rows counted from the bottom.
double SharePixelsNearer(const ClipReference& reference, int a, int b) {
  const Capture shown = CaptureClientArea(g_mainWindow);
  const RECT r = g_app.videoRect.Get();
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int64_t stepX = (int64_t{reference.width} * 65536 - 65536) / w;
  const int64_t stepY = (int64_t{reference.height} * 65536 - 65536) / h;
  int differing = 0, nearer = 0;
  for (int i = 0; i < h; ++i) {
    const int64_t row = reference.height - 1 - ((i * stepY) >> 16);
    for (int j = 0; j < w; ++j) {
      const size_t at = static_cast<size_t>(row * reference.width + ((j * stepX) >> 16)) * 3;
      const uint8_t* pixel = shown.At(r.left + j, r.bottom - 1 - i);
      int toA = 0, toB = 0, apart = 0;
      for (int c = 0; c < 3; ++c) {
        toA += std::abs(pixel[c] - reference.Frame(a)[at + c]);
        toB += std::abs(pixel[c] - reference.Frame(b)[at + c]);
        apart += std::abs(reference.Frame(a)[at + c] - reference.Frame(b)[at + c]);
      }
      if (apart < 150) continue;
      ++differing;
      nearer += toA < toB ? 1 : 0;
    }
  }
  return differing > 20 ? static_cast<double>(nearer) / differing : 0;
}

// The first frame from `from` on after which the picture changes clearly
// (the test picture's counter), so that a step shows in the cells.
int FrameBeforeAChange(const ClipReference& reference, int from) {
  for (int k = from; k + 3 < reference.frames; ++k) {
    const CellPicture a = FrameCells(reference, k);
    if (ShareNearer(a, a, FrameCells(reference, k + 1)) > 0) {  // 0: no cell differs clearly
      return k;
    }
  }
  return -1;
}

// Reference frame n as the program shows it with "Negative": ffmpeg's
// picture through our YUY2 conversion, the filter routine and back to RGB.
CellPicture NegativeFrameCells(const ClipReference& reference, int frame) {
  const int w = reference.width, h = reference.height;
  std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0; i < bgr.size(); i += 3) {
    for (int c = 0; c < 3; ++c) bgr[i + c] = reference.Frame(frame)[i + 2 - c];
  }
  std::vector<uint8_t> yuy2(static_cast<size_t>(Yuy2RowStride(w)) * h);
  std::vector<uint32_t> rgb32(static_cast<size_t>(w) * h);
  Rgb555ToYuy2Table toYuy2;
  YuvLookup toRgb;
  ConvertRgb24ToYuy2(bgr.data(), yuy2.data(), w, -h, true, &toYuy2);
  Negative(yuy2.data(), w, h);
  ConvertYuy2ToRgb32(yuy2.data(), w, h, Yuy2RowStride(w), rgb32.data(), true, &toRgb);
  std::vector<uint8_t> rgb;
  for (uint32_t p : rgb32) rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
  return CaptureCells(rgb, w, RECT{0, 0, w, h});
}

// Pause holds the picture and the sound; paused on a frame, Next Frame shows
// the one after it as ffmpeg decodes it; with "Negative" switched on, the next
// step shows that frame as the filter routine turns it; Play goes on.
TEST(ShellPlayback, PauseStepAndFilterShowWhatFfmpegAndTheRoutineGive) {
  REQUIRE_CLIP("raw_mp3.avi");
  ShellSession session(ClipPath("raw_mp3.avi"));
  PlayAndPauseNear(&session, 3);
  ASSERT_NE(g_soundOutput->Buffer(), nullptr);
  const int32_t paused = g_player->CurrentFrame(), blocks = g_soundOutput->GetBlockCounter();
  ASSERT_TRUE(session.PumpForVideoPasses(8));  // each paused pass rests 100 ms
  EXPECT_EQ(g_player->CurrentFrame(), paused);
  EXPECT_EQ(g_soundOutput->GetBlockCounter(), blocks);
  EXPECT_FALSE(SoundBufferPlays());

  const int k = FrameBeforeAChange(reference, 5);
  ASSERT_GT(k, 0) << "the clip's picture never changes clearly";
  int32_t presented = g_player->PicturesPresented();
  ASSERT_TRUE(SeekPlayer(k));
  ASSERT_TRUE(session.PumpUntilPictureAfter(presented));
  ExpectShowsFrame(reference, ShownCells(), k);
  EXPECT_GT(SharePixelsNearer(reference, k, k + 1), 0.8);
  presented = g_player->PicturesPresented();
  session.Command(IDM_NEXT_FRAME);
  ASSERT_TRUE(session.PumpUntil([k] { return g_player->CurrentFrame() == k + 1; }, 3000));
  ASSERT_TRUE(session.PumpUntilPictureAfter(presented));
  const CellPicture stepped = ShownCells();
  ExpectShowsFrame(reference, stepped, k + 1);
  EXPECT_GT(SharePixelsNearer(reference, k + 1, k), 0.8);

  session.Command(IDM_NEGATIVE);
  presented = g_player->PicturesPresented();
  session.Command(IDM_NEXT_FRAME);
  ASSERT_TRUE(session.PumpUntil([k] { return g_player->CurrentFrame() == k + 2; }, 3000));
  ASSERT_TRUE(session.PumpUntilPictureAfter(presented));
  const CellPicture negative = ShownCells(), expected = NegativeFrameCells(reference, k + 2);
  EXPECT_LT(MedianCellDifference(negative, expected), 4.0);
  EXPECT_GT(ShareNearer(negative, expected, FrameCells(reference, k + 2)), 0.95);

  session.Command(IDM_PLAY_PAUSE);
  EXPECT_EQ(State(), kPlaying);
  const int32_t played = g_soundOutput->GetBlockCounter();
  EXPECT_TRUE(session.PumpUntil([k] { return g_player->CurrentFrame() > k + 6; }, 3000));
  EXPECT_GT(g_soundOutput->GetBlockCounter(), played);
  EXPECT_TRUE(SoundBufferPlays());
}

// A click on the seek bar seeks (it does not toggle Play/Pause) to the
// keyframe at or before the frame under the mouse, keeps the state, and the
// picture becomes that keyframe's.
TEST(ShellPlayback, ClickOnTheSeekBarLandsOnTheKeyframeAtOrBeforeAndShowsIt) {
  REQUIRE_CLIP("cinepak_pcm16.avi");
  ShellSession session(ClipPath("cinepak_pcm16.avi"));
  PlayAndPauseNear(&session, 3);
  const RECT bar = g_app.seekBarRect.Get();
  ASSERT_GT(bar.right - bar.left, 100) << "the status strip was not drawn";
  const int x = bar.left + (bar.right - bar.left) * 7 / 10;
  const int frame = static_cast<int>(static_cast<int64_t>(x - bar.left) * reference.frames /
                                     (bar.right - bar.left));
  int keyframe = 0;  // at or before the frame
  for (int k : reference.keyframes) keyframe = k <= frame ? k : keyframe;
  ASSERT_GT(keyframe, 0) << "the clip needs a keyframe before 70 %";
  const int toggles = session.CommandCount(IDM_PLAY_PAUSE);
  const int32_t presented = g_player->PicturesPresented();
  SendMessageA(session.Window(), WM_LBUTTONDOWN, MK_LBUTTON,
               MAKELPARAM(x, (bar.top + bar.bottom) / 2));
  EXPECT_EQ(g_player->CurrentFrame(), keyframe);
  EXPECT_EQ(State(), kPaused);
  ASSERT_TRUE(session.PumpUntilPictureAfter(presented));
  EXPECT_EQ(session.CommandCount(IDM_PLAY_PAUSE), toggles);
  ExpectShowsFrame(reference, ShownCells(), keyframe);
}

// At 120 and 240 frames a second a sound block holds two frames: the sound
// buffer of two seconds has 120 and 243 blocks, more than one wait takes
// notification events. The sound opens and plays all the same.
TEST(ShellPlayback, HighFrameRatesKeepTheirSound) {
  for (const char* clip : {"raw_120fps.avi", "raw_240fps.avi"}) {
    SCOPED_TRACE(clip);
    ASSERT_TRUE(ClipExists(clip));
    ShellSession session(ClipPath(clip));
    ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
    EXPECT_TRUE(g_player->SoundPlays());
    EXPECT_GT(g_soundOutput->BlockCount(), 62);
    EXPECT_TRUE(session.PumpUntil([] { return g_soundOutput->GetBlockCounter() > 60; }, 5000))
        << g_soundOutput->GetBlockCounter() << " blocks written";
    EXPECT_TRUE(session.Messages().empty());  // no "DirectSound troubles"
  }
}

// The mean of red, green and blue over the right half of the shown picture
// (the balance bar is drawn on the left).
double MeanOfRightHalf() {
  const Capture shown = CaptureClientArea(g_mainWindow);
  const RECT r = g_app.videoRect.Get();
  int64_t sum = 0, count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = (r.left + r.right) / 2; x < r.right; ++x, ++count) {
      sum += shown.At(x, y)[0] + shown.At(x, y)[1] + shown.At(x, y)[2];
    }
  }
  return count > 0 ? static_cast<double>(sum) / (3 * count) : 0;
}

// A click at the top of the balance bar's level column sets the named value
// to 100 for the playing threads at once: the picture brightens while it
// plays, with no other command after the click.
TEST(ShellPlayback, AClickOnTheLevelColumnReachesThePlayingPicture) {
  ASSERT_TRUE(ClipExists("raw_pcm16.avi"));
  ShellSession session(ClipPath("raw_pcm16.avi"));
  ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
  session.Command(IDM_BRIGHTNESS);  // the bar comes up on brightness
  ASSERT_TRUE(session.PumpUntil([] { return g_app.balanceShown.load() != 0; }, 3000));
  const double before = MeanOfRightHalf();
  const RECT r = g_app.videoRect.Get();
  SendMessageA(session.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 4, r.top + 1));
  EXPECT_EQ(PublishedOptions().colorBalance.brightness, 100);
  EXPECT_EQ(State(), kPlaying);  // the click is not Play/Pause
  EXPECT_TRUE(session.PumpUntil([before] { return MeanOfRightHalf() > before + 30; }, 3000))
      << "mean " << before << " before the click, " << MeanOfRightHalf() << " after";
}

}  // namespace
