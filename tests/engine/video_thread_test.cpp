#include <gtest/gtest.h>

#include "engine/video_thread.h"
#include "settings/present_mode.h"
#include "engine_test_fixture.h"
#include "settings/shared_options.h"

#include <memory>
#include <vector>

namespace {

class VideoThreadTest : public PlaybackFixture {
 protected:
  // A video thread over the fixture's context, begun.
  VideoThread& Begin() {
    thread_.reset(new VideoThread(context));
    thread_->Begin();
    return *thread_;
  }
  std::unique_ptr<VideoThread> thread_;
};

// Presented stamps without the first entry, which is the set-up's drawing of
// the first frame at the start of the thread.
template <typename T>
std::vector<T> AfterSetup(const std::vector<T>& presented) {
  return presented.empty() ? presented : std::vector<T>(presented.begin() + 1, presented.end());
}

// Pending balance requests are dropped at the start, and the volume applied
// only once the player lock is no longer held. (The rate's thresholds show in
// the level bar's countdown and the sound counter's resync.)
TEST_F(VideoThreadTest, BeginDropsBalanceRequestsAndLeavesTheVolumeForLater) {
  record.currentFrame = 7;
  record.targetFrame = 0;
  shell.balanceChanged = 1;
  shell.balanceShown = 1;
  WithSound();
  VideoThread& thread = Begin();
  EXPECT_EQ(record.targetFrame, 7);
  EXPECT_EQ(shell.balanceChanged, 0);
  EXPECT_EQ(shell.balanceShown, 0);
  EXPECT_EQ(sound.volumeCalls_, 0);
  thread.SetStartVolume();
  EXPECT_EQ(sound.lastVolume_, 80);
}

TEST_F(VideoThreadTest, WithoutSoundEachFrameWaitsOneFrameOfClock) {
  Queue(0, 5);
  VideoThread& thread = Begin();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(AfterSetup(picture.presented.Items()), (std::vector<int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(picture.setups.Items().size(), 1u);
  EXPECT_EQ(record.currentFrame, 5);
  EXPECT_EQ(record.droppedFrames, 0);
  // The clock restarts every pass until the sound moves: 40 ms per frame.
  EXPECT_EQ(time.SleptMilliseconds(), 5 * 40);
  EXPECT_EQ(g_effectLog.filtered, 5);  // each frame filtered once, though frame 0 showed twice
  thread.SetStartVolume();
  EXPECT_EQ(sound.volumeCalls_, 0);  // no sound: no volume
}

// With the picture 10 frames behind the clock, Skip Frames and Keep Fast
// Motion show one frame and drop the next five (the lag is capped at 6),
// never waiting; Jump Keyframes and Smooth Video show every frame. (The lag
// below the cap, and doubled in skip mode: the pacing rules' test.)
TEST_F(VideoThreadTest, TenFramesBehindEachModeDropsOrShows) {
  struct Case {
    uint32_t mode;
    std::vector<int32_t> shown;
    int32_t dropped;
  };
  const Case cases[] = {{kSkipFrames, {0}, 5},
                        {kKeepFastMotion, {0}, 5},
                        {kJumpKeyframes, {0, 1, 2, 3, 4, 5}, 0},
                        {kSmoothVideo, {0, 1, 2, 3, 4, 5}, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    g_options.speedTroublesMode = c.mode;
    PublishOptions();
    record.frameRing.Clear();
    record.currentFrame = 0;
    record.droppedFrames = 0;
    Queue(0, 12);
    FakePicture fresh;
    context.ports.picture = &fresh;
    VideoThread thread(context);
    thread.Begin();
    record.targetFrame = 10;
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(thread.Pass());
    EXPECT_EQ(AfterSetup(fresh.presented.Items()), c.shown);
    EXPECT_EQ(record.droppedFrames, c.dropped);
    if (c.mode != kSkipFrames) continue;
    EXPECT_EQ(record.currentFrame, 6);
    EXPECT_EQ(time.SleptMilliseconds(), 0);  // never waited: the picture was late
  }
}

// (Where skip mode ends, by ring fill, mode and the end of the video: the
// pacing rules' test.)
TEST_F(VideoThreadTest, SkipModeDropsEverySecondFrameOnALowRingAfterTheWarmUp) {
  // The feeder keeps only two frames queued (10 % of 20); the picture is one
  // frame late at every pass.
  VideoThread& thread = Begin();
  int32_t next = 0;
  std::vector<bool> shown;
  for (int pass = 0; pass < 26; ++pass) {
    while (record.frameRing.Count() < 2) Queue(next++, 1);
    record.targetFrame = record.currentFrame + 1;
    const size_t before = picture.presented.Items().size();
    ASSERT_TRUE(thread.Pass());
    shown.push_back(picture.presented.Items().size() > before);
  }
  // Warm-up: the ring's capacity in shown frames, all of them shown.
  for (int pass = 1; pass < 19; ++pass) EXPECT_TRUE(shown[pass]) << pass;
  EXPECT_TRUE(thread.SkipMode());
  for (int pass = 20; pass < 26; ++pass) EXPECT_EQ(shown[pass], pass % 2 == 1) << pass;
}

TEST_F(VideoThreadTest, StatusIsRedrawnOnEveryTwentyFourthPlayingPassAtTwentyFiveFps) {
  Queue(0, 20);
  VideoThread& thread = Begin();
  std::vector<int> drawnAt;
  int32_t next = 20;
  for (int pass = 1; pass <= 49; ++pass) {
    const size_t before = host.statusDrawn.Items().size();
    ASSERT_TRUE(thread.Pass());
    if (host.statusDrawn.Items().size() > before) drawnAt.push_back(pass);
    Queue(next++, 1);
  }
  EXPECT_EQ(drawnAt, (std::vector<int>{1, 25, 49}));
  for (int32_t progress : host.statusDrawn.Items()) EXPECT_EQ(progress, -1);

  shell.fullscreenRequested = 1;  // no status strip in fullscreen
  const size_t before = host.statusDrawn.Items().size();
  for (int pass = 0; pass < 30; ++pass) {
    ASSERT_TRUE(thread.Pass());
    Queue(next++, 1);
  }
  EXPECT_EQ(host.statusDrawn.Items().size(), before);
}

// (The resync threshold and the sound position's terms: the pacing rules'
// test.)
TEST_F(VideoThreadTest, TheTargetFollowsTheSoundCounterBeyondTheThreshold) {
  WithSound();
  Queue(0, 20);
  VideoThread& thread = Begin();
  ASSERT_TRUE(thread.Pass());
  // The first change seen (0 after -1) sets the target from the sound.
  EXPECT_EQ(record.targetFrame, 1);
  EXPECT_TRUE(sound.playing_);

  sound.counter_ = 10;  // 10 blocks of 80 ms = 20 frames
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(record.targetFrame, 21);

  // An unchanged counter never pulls the target.
  record.targetFrame = 40;
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(record.targetFrame, 40);

  // A positive displacement puts the picture ahead of the sound: +500 ms are
  // 12 frames.
  record.displacement = 500;
  sound.counter_ = 12;  // 25
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(record.targetFrame, 25 + 12);
}

TEST_F(VideoThreadTest, AnEmptyRingAtTheStartDoesNotLetThePictureRunAhead) {
  // Playing from the start, the feeder's first frame takes a second to come:
  // the sound is not playing yet, so the clock must not run on.
  WithSound();
  VideoThread& thread = Begin();
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(time.SleptMilliseconds(), 40 + 10);  // one frame of clock, then the empty ring
  EXPECT_TRUE(host.statusDrawn.Items().empty());
  while (time.SleptMilliseconds() < 1000) ASSERT_TRUE(thread.Pass());
  EXPECT_FALSE(sound.playing_);
  EXPECT_LE(record.targetFrame, 1);
  Queue(0, 10);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_TRUE(sound.playing_);
  EXPECT_EQ(record.droppedFrames, 0);
  EXPECT_EQ(AfterSetup(picture.presented.Items()), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(VideoThreadTest, PausingForAMinuteDoesNotMoveThePictureAhead) {
  Queue(0, 20);
  VideoThread& thread = Begin();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(thread.Pass());
  record.state = kPaused;
  const int64_t pausedAt = time.SleptMilliseconds();
  while (time.SleptMilliseconds() - pausedAt < 60000) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(record.currentFrame, 3);
  EXPECT_LE(record.targetFrame, 4);

  record.state = kPlaying;
  const size_t shownBefore = picture.presented.Items().size();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(record.droppedFrames, 0);
  EXPECT_EQ(picture.presented.Items().size(), shownBefore + 5);
  EXPECT_EQ(record.currentFrame, 8);
}

TEST_F(VideoThreadTest, FiveFrameStepsWhilePausedShowFiveFramesAndPlayingClearsThem) {
  Queue(0, 10);
  record.state = kPaused;
  VideoThread& thread = Begin();
  ASSERT_TRUE(thread.Pass());  // shows frame 0
  EXPECT_EQ(picture.presented.Items(), (std::vector<int32_t>{0}));
  shell.frameSteps = 5;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(record.currentFrame, 5);
  EXPECT_EQ(shell.frameSteps, 0);
  EXPECT_EQ(picture.presented.Items(), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(picture.setups.Items().size(), 6u);  // each step draws through a presenter refresh
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(record.currentFrame, 5);  // no more steps: it stays
  EXPECT_EQ(g_effectLog.fades, 0);  // without Fadeout Pause nothing fades
  // Playing, steps are cleared, not taken.
  record.state = kPlaying;
  shell.frameSteps = 3;
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(shell.frameSteps, 0);
  EXPECT_EQ(record.currentFrame, 6);
}

TEST_F(VideoThreadTest, FadeoutPauseDarkensInFourteenStepsAndAgainAfterEachPause) {
  g_options.fadeoutPause = 1;
  PublishOptions();
  Queue(0, 10);
  record.state = kPaused;
  VideoThread& thread = Begin();
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(g_effectLog.fades, 14);
  EXPECT_EQ(thread.FadeCountdown(), 1);
  // One frame of clock at the start, 14 fading passes without sleeping, then
  // the loop rests 100 ms a pass.
  EXPECT_EQ(time.SleptMilliseconds(), 40 + 6 * 100);
  EXPECT_EQ(picture.presented.Items().size(), 1u + 14u);

  record.state = kPlaying;
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(thread.FadeCountdown(), 0);
  record.state = kPaused;
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(g_effectLog.fades, 28);
}

TEST_F(VideoThreadTest, TheLevelBarRequestShowsTheBarCountsDownAndHides) {
  WithSound();
  Queue(0, 10);
  record.state = kPaused;
  VideoThread& thread = Begin();
  ASSERT_TRUE(thread.Pass());
  const int32_t volumeCalls = sound.volumeCalls_;
  shell.balanceChanged = 1;
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(shell.balanceChanged, 0);
  EXPECT_EQ(shell.balanceShown, 1);
  EXPECT_EQ(shell.cursorCountdown, 49);  // 50, less this pass
  EXPECT_EQ(sound.volumeCalls_, volumeCalls + 1);
  // The paused frame is drawn again from its copy, with the bar over it.
  EXPECT_EQ(g_effectLog.levelBars, 1);
  EXPECT_EQ(picture.presented.Items().size(), 2u);

  shell.modalOpen = 1;  // a dialog holds the countdown
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(shell.cursorCountdown, 49);
  shell.modalOpen = 0;
  for (int i = 0; i < 49; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(shell.cursorCountdown, 0);
  EXPECT_EQ(shell.balanceShown, 1);
  const size_t shown = picture.presented.Items().size();
  const int32_t bars = g_effectLog.levelBars;
  // The countdown is seen at 0: the bar goes, and the frame is drawn once
  // more without it.
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(shell.balanceShown, 0);
  EXPECT_EQ(picture.presented.Items().size(), shown + 1);
  EXPECT_EQ(g_effectLog.levelBars, bars);
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(picture.presented.Items().size(), shown + 1);

  // Without volume control a request shows the bar but sets no volume.
  g_options.enableVolumeControl = 0;
  PublishOptions();
  shell.balanceChanged = 1;
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(shell.balanceShown, 1);
  EXPECT_EQ(sound.volumeCalls_, volumeCalls + 1);
}

TEST_F(VideoThreadTest, InFullscreenTheCursorHidesWhenTheCountdownRunsOut) {
  Queue(0, 10);
  shell.fullscreenRequested = 1;
  shell.cursorCountdown = 2;
  VideoThread& thread = Begin();
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_TRUE(host.posted.Items().empty());
  ASSERT_TRUE(thread.Pass());  // countdown 0 in fullscreen: hide
  ASSERT_EQ(host.posted.Items().size(), 1u);
  EXPECT_EQ(host.posted.Items()[0].id, kCommandShowCursor);
  EXPECT_EQ(host.posted.Items()[0].lParam, 0);

  shell.cursorShown = 0;  // the shell hid it
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(host.posted.Items().size(), 1u);
  shell.cursorCountdown = 50;  // the mouse moved
  ASSERT_TRUE(thread.Pass());
  ASSERT_EQ(host.posted.Items().size(), 2u);
  EXPECT_EQ(host.posted.Items()[1].lParam, 1);
}

// The video ends with the data (here before the claimed frame count), once;
// leaving waits for the player to be ready.
TEST_F(VideoThreadTest, AtTheEndOfTheFileItPostsNextFileOnce) {
  record.frameCount = 10;
  record.dataEnd = 3;  // the data ends before the claimed frame count
  WithSound();
  Queue(0, 3);
  VideoThread& thread = Begin();
  int passes = 0;
  while (thread.Pass()) ++passes;
  EXPECT_EQ(passes, 3);
  record.ready = 0;
  const int64_t ended = time.SleptMilliseconds();
  time.onSleep_ = [&](uint32_t) { record.ready = time.SleptMilliseconds() - ended >= 30 ? 1 : 0; };
  thread.Leave();
  EXPECT_EQ(time.SleptMilliseconds() - ended, 30);
  ASSERT_EQ(host.posted.Items().size(), 1u);
  EXPECT_EQ(host.posted.Items()[0].id, kCommandNextFile);
  EXPECT_EQ(host.posted.Items()[0].lParam, 0);
  EXPECT_FALSE(sound.playing_);
}

TEST_F(VideoThreadTest, AStoppedThreadEndsWithoutPostingNextFile) {
  Queue(0, 3);
  WorkerThread stopped;
  stopped.Stop();
  context.videoThread = &stopped;
  VideoThread& thread = Begin();
  EXPECT_FALSE(thread.Pass());
  thread.Leave();
  EXPECT_TRUE(host.posted.Items().empty());
}

// Skipped frames count as dropped and failed frames are not shown; while the
// window is inactive nothing is, but the frames pass all the same.
TEST_F(VideoThreadTest, SkippedFailedAndHiddenFramesAreNotShown) {
  Queue(0, 1);
  Queue(1, 1, kFrameSkipped);
  Queue(2, 1, kFrameFailed);
  Queue(3, 3);
  VideoThread& thread = Begin();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(AfterSetup(picture.presented.Items()), (std::vector<int32_t>{0, 3}));
  EXPECT_EQ(record.droppedFrames, 1);
  shell.windowActive = 0;
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(picture.presented.Items().size(), 3u);
  EXPECT_EQ(record.currentFrame, 6);
}

// (Which flags the options allow: the present modes' test.)
TEST_F(VideoThreadTest, RedrawRequestsSetThePresenterUpWithTheOptionsAndRectangle) {
  Queue(0, 10);
  g_options.denyOverlays = 0;
  PublishOptions();
  shell.videoRect.Set(RECT{10, 20, 330, 260});
  VideoThread& thread = Begin();
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(thread.Pass());
  ASSERT_EQ(picture.setups.Items().size(), 1u);
  const SetupCall first = picture.setups.Items()[0];
  EXPECT_EQ(first.allowFlags, PresenterAllowFlags(g_options));
  EXPECT_EQ(first.videoRect.left, 10);
  EXPECT_EQ(first.videoRect.bottom, 260);
  EXPECT_EQ(host.borders_, 1);

  g_options.denyOverlays = 1;  // the options as they are at the redraw
  PublishOptions();
  ++shell.redrawCounter;
  ASSERT_TRUE(thread.Pass());
  ASSERT_EQ(picture.setups.Items().size(), 2u);
  EXPECT_EQ(picture.setups.Items()[1].allowFlags, PresenterAllowFlags(g_options));
  EXPECT_NE(picture.setups.Items()[1].allowFlags, first.allowFlags);
  EXPECT_EQ(picture.releases_, 0);

  shell.displayChanged = 1;  // a display change rebuilds everything
  ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(picture.setups.Items().size(), 3u);
  EXPECT_EQ(picture.releases_, 1);
  EXPECT_EQ(host.drawDibReopens_, 1);
  EXPECT_EQ(shell.displayChanged, 0);
}

// A pass draws with one snapshot of the options: a change published while
// the filters run reaches the presenter only with the next frame.
TEST_F(VideoThreadTest, EachFrameIsFilteredAndPresentedWithTheSameOptions) {
  Queue(0, 4);
  g_options.highQualityConversion = 0;
  PublishOptions();
  g_effectLog.duringFilter = [] {
    g_options.highQualityConversion ^= 1;
    PublishOptions();
  };
  VideoThread& thread = Begin();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(thread.Pass());
  const std::vector<uint8_t> filtered = g_effectLog.filteredQuality.Items();
  EXPECT_EQ(filtered, (std::vector<uint8_t>{0, 1, 0, 1}));
  EXPECT_EQ(AfterSetup(picture.presentedQuality.Items()), filtered);
}

TEST_F(VideoThreadTest, KeepFastMotionPausesTheSoundUntilTheRingRefills) {
  g_options.speedTroublesMode = kKeepFastMotion;
  PublishOptions();
  WithSound();
  Queue(0, 1);
  VideoThread& thread = Begin();
  ASSERT_TRUE(thread.Pass());
  ASSERT_TRUE(sound.playing_);
  const size_t setups = picture.setups.Items().size();

  // The feeder brings 6 frames, one per 100 ms, then stalls.
  int32_t next = 1;
  time.onSleep_ = [&](uint32_t ms) {
    if (ms == 100 && next <= 6) Queue(next++, 1);
  };
  int32_t transitions = sound.playTransitions_;
  ASSERT_TRUE(thread.Pass());
  time.onSleep_ = nullptr;
  EXPECT_EQ(sound.playTransitions_, transitions + 2);  // paused, then played again
  EXPECT_TRUE(sound.playing_);
  // The target is what it was before the pause (the sound's position, at most
  // one ahead of the picture), not moved on by the 700 ms of buffering.
  EXPECT_LE(record.targetFrame, record.currentFrame + 1);
  std::vector<int32_t> fills = host.statusDrawn.Items();
  ASSERT_GE(fills.size(), 6u);
  EXPECT_EQ(fills[1], 0);  // the first drawing after the playing pass's status
  EXPECT_EQ(record.frameRing.Count(), 6);

  ASSERT_TRUE(thread.Pass());  // a presenter refresh shows the refilled ring
  EXPECT_EQ(picture.setups.Items().size(), setups + 1);
}

}  // namespace
