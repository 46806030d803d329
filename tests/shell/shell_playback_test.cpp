// The real shell playing ffmpeg-made clips in this process under Wine: the
// window, the player, the decoder, the presenter and DirectSound (the
// PulseAudio null sink), driven by the commands a user gives.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/application_ports.h"
#include "app/playback_tally.h"
#include "app/resource.h"
#include "app/shell.h"
#include "app/single_instance.h"
#include "audio/sound_output.h"
#include "engine/player.h"
#include "playlist/playlist.h"
#include "tests/common/test_paths.h"
#include "tests/shell/clip_reference.h"
#include "tests/shell/shell_session.h"

#include <mmsystem.h>
#include <dsound.h>

#include <cstdio>
#include <string>

namespace {

constexpr SIZE kStartSize = {512, 420};

#define REQUIRE_CLIP(name)                                                   \
  if (!ClipExists(name)) GTEST_SKIP() << "clip " << (name) << " not made"; \
  const ClipReference reference = LoadClipReference(name);                 \
  ASSERT_TRUE(reference.Loaded()) << "no ffmpeg reference for " << (name)

int32_t State() { return g_player->State(); }

bool WaitForState(ShellSession* session, int32_t state, int timeout) {
  return session->PumpUntil([state] { return State() == state; }, timeout);
}

std::string Title(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
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
  session->PumpFor(400);  // the video thread settles on the paused frame
}

// The picture on the screen now, in cells.
CellPicture ShownCells() {
  const Capture capture = CaptureClientArea(g_mainWindow);
  return CaptureCells(capture.rgb, capture.width, g_app.videoRect.Get());
}

// The reference frame nearest the current one that the shown picture
// matches best.
int BestMatchingFrame(const ClipReference& reference, const CellPicture& shown) {
  const int current = g_player->CurrentFrame();
  int best = -1;
  double smallest = 1e9;
  for (int frame = current - 4; frame <= current + 1; ++frame) {
    const double d = MeanCellDifference(shown, FrameCells(reference, frame));
    if (d < smallest) {
      smallest = d;
      best = frame;
    }
  }
  return best;
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

// Waits for the file to play to its end, then checks that the video thread
// went through every frame and asked for the next file once.
void ExpectPlayedThrough(ShellSession* session, const ClipReference& reference) {
  ASSERT_TRUE(WaitForState(session, kClosed, reference.frames * 40 + 15000))
      << "still at frame " << g_player->CurrentFrame();
  session->PumpFor(300);
  EXPECT_EQ(session->CommandCount(IDM_NEXT_FILE), 1);
  const PlaybackTally tally = CurrentTally();
  EXPECT_EQ(tally.framesShown + tally.framesDropped, reference.frames);
}

// Each clip plays through to Next File once, without a message, in a window
// that fits the video (its client area is the video plus the strip, unless
// that makes the window smaller than 320 x 240) and is titled with the file;
// at the end the window gets its size and title back, and the system its
// screen saver switch. (Cut-off copies: shell_truncation_test.cpp.)
struct PlayThroughCase {
  const char* name;
  const char* clip;
  bool screenSaver;   // the switch before the file opens
};

class ShellPlayThrough : public ::testing::TestWithParam<PlayThroughCase> {};

TEST_P(ShellPlayThrough, PlaysToTheEndOnceAndGivesTheWindowBack) {
  const PlayThroughCase c = GetParam();
  REQUIRE_CLIP(c.clip);
  const std::string path = ClipPath(c.clip);
  ASSERT_NO_FATAL_FAILURE(SetScreenSaver(c.screenSaver));
  ShellSession session(path);
  ASSERT_TRUE(session.Started());
  ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
  EXPECT_FALSE(ScreenSaverActive());
  EXPECT_EQ(g_player->SoundPlays(), reference.toneHertz > 0);
  RECT fitted = {0, 0, reference.width, reference.height + 16};
  AdjustWindowRect(&fitted, WS_OVERLAPPEDWINDOW, TRUE);
  const SIZE size = WindowSize(session.Window());
  EXPECT_EQ(size.cx, std::max<LONG>(fitted.right - fitted.left, 320));
  EXPECT_EQ(size.cy, std::max<LONG>(fitted.bottom - fitted.top, 240));
  std::string stem = path.substr(path.find_last_of("/\\") + 1);
  stem = stem.substr(0, stem.rfind('.'));
  EXPECT_EQ(Title(session.Window()), stem + " - Velmora Player");

  ASSERT_NO_FATAL_FAILURE(ExpectPlayedThrough(&session, reference));
  EXPECT_EQ(State(), kClosed);  // one entry, "Repeat" off: playback ends
  EXPECT_EQ(Title(session.Window()), DefaultTitle());
  const SIZE restored = WindowSize(session.Window());
  EXPECT_EQ(restored.cx, kStartSize.cx);
  EXPECT_EQ(restored.cy, kStartSize.cy);
  EXPECT_EQ(ScreenSaverActive(), c.screenSaver);
  EXPECT_EQ(CurrentTally().blocksWritten > 0, reference.toneHertz > 0);
  EXPECT_TRUE(session.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Clips, ShellPlayThrough,
    ::testing::Values(PlayThroughCase{"CinepakWithSound", kCinepakPcmClip, true},
                      PlayThroughCase{"VideoWithoutSound", kMsVideoSilentClip, false}),
    [](const ::testing::TestParamInfo<PlayThroughCase>& info) { return std::string(info.param.name); });

TEST(ShellPlayback, PausedPictureIsTheDecodedFrame) {
  REQUIRE_CLIP(kRawMp3Clip);
  ShellSession session(ClipPath(kRawMp3Clip));
  PlayAndPauseNear(&session, 12);
  const CellPicture shown = ShownCells();
  const int frame = BestMatchingFrame(reference, shown);
  // The frame shown last is the one before the next to be shown.
  EXPECT_GE(frame, g_player->CurrentFrame() - 2);
  EXPECT_LE(frame, g_player->CurrentFrame());
  ExpectShowsFrame(reference, shown, frame);
}

// A click on the seek bar seeks (it does not toggle Play/Pause) to the
// keyframe at or before the frame under the mouse, keeps the state, and the
// picture becomes that keyframe's.
TEST(ShellPlayback, ClickOnTheSeekBarLandsOnTheKeyframeAtOrBeforeAndShowsIt) {
  REQUIRE_CLIP(kCinepakPcmClip);
  ShellSession session(ClipPath(kCinepakPcmClip));
  PlayAndPauseNear(&session, 3);
  const RECT bar = g_app.seekBarRect.Get();
  ASSERT_GT(bar.right - bar.left, 100) << "the status strip was not drawn";
  const int x = bar.left + (bar.right - bar.left) * 7 / 10;
  const int frame = static_cast<int>(static_cast<int64_t>(x - bar.left) * reference.frames /
                                     (bar.right - bar.left));
  const int keyframe = reference.KeyframeAtOrBefore(frame);
  ASSERT_GT(keyframe, 0) << "the clip needs a keyframe before 70 %";
  const int toggles = session.CommandCount(IDM_PLAY_PAUSE);
  SendMessageA(session.Window(), WM_LBUTTONDOWN, MK_LBUTTON,
               MAKELPARAM(x, (bar.top + bar.bottom) / 2));
  EXPECT_EQ(g_player->CurrentFrame(), keyframe);
  EXPECT_EQ(State(), kPaused);
  session.PumpFor(600);
  EXPECT_EQ(session.CommandCount(IDM_PLAY_PAUSE), toggles);
  ExpectShowsFrame(reference, ShownCells(), keyframe);
}

TEST(ShellPlayback, PauseHoldsPictureAndSoundAndPlayGoesOn) {
  REQUIRE_CLIP(kCinepakPcmClip);
  ShellSession session(ClipPath(kCinepakPcmClip));
  PlayAndPauseNear(&session, 20);
  ASSERT_NE(g_soundOutput->Buffer(), nullptr);
  const int32_t frame = g_player->CurrentFrame();
  const int32_t blocks = g_soundOutput->GetBlockCounter();
  session.PumpFor(800);
  EXPECT_EQ(g_player->CurrentFrame(), frame);
  EXPECT_EQ(g_soundOutput->GetBlockCounter(), blocks);
  DWORD status = 0;
  g_soundOutput->Buffer()->GetStatus(&status);
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);

  session.Command(IDM_PLAY_PAUSE);
  EXPECT_EQ(State(), kPlaying);
  session.PumpFor(800);
  EXPECT_GT(g_player->CurrentFrame(), frame + 10);
  EXPECT_GT(g_soundOutput->GetBlockCounter(), blocks);
  g_soundOutput->Buffer()->GetStatus(&status);
  EXPECT_NE(status & DSBSTATUS_PLAYING, 0u);
}

// A sound output that cannot be opened, as on a machine without a sound
// device.
class NoSoundDevice : public SoundPort {
 public:
  bool Open(HWND, int32_t, bool, bool, int32_t, int32_t) override { return false; }
  void Close() override {}
  bool IsOpen() override { return false; }
  void SetPlaying(bool) override {}
  void SetVolume(int32_t) override {}
  bool CanWriteBlock() override { return false; }
  bool LockNextBlock(uint8_t**, int32_t*) override { return false; }
  bool UnlockBlock() override { return false; }
  void ResyncWriteIndex() override {}
  void SetBlockCounter(int32_t) override {}
  void CountBlock() override {}
  int32_t GetBlockCounter() override { return 0; }
  void Lock() override {}
  void Unlock() override {}
};

TEST(ShellPlayback, SoundThatCannotBeOpenedPlaysSilentlyAfterTheMessage) {
  REQUIRE_CLIP(kCinepakPcmClip);
  static NoSoundDevice noSound;
  SessionSettings settings;
  settings.makePlayer = [] {
    PlaybackPorts ports = ApplicationPorts();
    ports.sound = &noSound;
    return new Player(ports);
  };
  ShellSession session(ClipPath(kCinepakPcmClip), settings);
  ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
  ASSERT_EQ(session.Messages().size(), 1u);
  EXPECT_EQ(session.Messages()[0].caption, "DirectSound troubles");
  EXPECT_EQ(session.Messages()[0].text, "Can't init DirectSound for playing audio.");
  EXPECT_FALSE(g_player->SoundPlays());
  ASSERT_NO_FATAL_FAILURE(ExpectPlayedThrough(&session, reference));
}

TEST(ShellHandOver, SecondStartPlaysItsFileInTheFirstWindow) {
  REQUIRE_CLIP(kCinepakPcmClip);
  ASSERT_TRUE(ClipExists(kRawMp3Clip));
  ShellSession session(ClipPath(kCinepakPcmClip));
  ASSERT_TRUE(WaitForState(&session, kPlaying, 10000));
  // What a second start does before it ends (its own process under Wine is
  // covered by the end-to-end script).
  HandOverToRunningInstance(session.Window(), ClipPath(kRawMp3Clip).c_str());
  ASSERT_TRUE(session.PumpUntil(
      [&] { return Title(session.Window()).find("raw_mp3") != std::string::npos; }, 10000));
  EXPECT_EQ(State(), kPlaying);
  EXPECT_EQ(g_playlist->Count(), 1);
  EXPECT_EQ(g_playlist->Item(0), ClipPath(kRawMp3Clip));
  // The value was taken: a hand-over without a command line only raises the
  // window.
  std::string left;
  EXPECT_FALSE(TakeHandedOverCommandLine(&left));
  HandOverToRunningInstance(session.Window(), "");
  session.PumpFor(200);
  EXPECT_NE(Title(session.Window()).find("raw_mp3"), std::string::npos);
  EXPECT_EQ(session.CommandCount(IDM_HAND_OVER), 2);
}

}  // namespace
