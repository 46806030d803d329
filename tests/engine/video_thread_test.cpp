#include <gtest/gtest.h>

#include "engine/video_thread.h"
#include "engine_fakes.h"
#include "settings/present_mode.h"

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

namespace {

using Stamps = std::vector<int32_t>;

class VideoThreadTest : public PlaybackFixture {
 protected:
  // A video thread over the fixture's context, begun.
  VideoThread& Begin() {
    thread_.reset(new VideoThread(context));
    thread_->Begin();
    return *thread_;
  }
  void Passes(int count) {
    for (int i = 0; i < count; ++i) ASSERT_TRUE(thread_->Pass()) << "pass " << i;
  }
  // Presented stamps without the first entry, which is the set-up's drawing
  // of the first frame at the start of the thread.
  Stamps Shown() {
    const Stamps all = picture.presented.Items();
    return all.empty() ? all : Stamps(all.begin() + 1, all.end());
  }
  // Steps of a scenario: an action, passes, then what observe() gives
  // (entries of -1 are not compared).
  using Observed = std::vector<int64_t>;
  struct Step {
    const char* name;
    std::function<void()> act;
    int passes;
    Observed want;
  };
  void Run(const std::function<Observed()>& observe, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.name);
      if (step.act) step.act();
      Passes(step.passes);
      Observed seen = observe();
      for (size_t i = 0; i < seen.size() && i < step.want.size(); ++i) {
        if (step.want[i] == -1) seen[i] = -1;
      }
      EXPECT_EQ(seen, step.want);
    }
  }
  std::unique_ptr<VideoThread> thread_;
};

// Scenarios of a few playing passes: what is queued and set before the
// thread begins and after, then the frames shown after the set-up's drawing,
// where the picture is and what was dropped. Without sound the clock
// restarts every pass: each shown frame waits 40 ms. With the picture 10
// frames behind the clock, Skip Frames and Keep Fast Motion show one frame
// and drop the next five (the lag is capped at 6), never waiting; Jump
// Keyframes and Smooth Video show every frame. Skipped frames count as
// dropped, failed ones are not shown; while the window is inactive nothing
// is, but the frames pass all the same. (The lag below the cap, and doubled
// in skip mode: the pacing rules' test.)
TEST_F(VideoThreadTest, PlayingPassesShowDropOrWaitAsTheModeAndFramesSay) {
  using Step = std::function<void(VideoThreadTest&)>;
  const auto behind = [](uint32_t mode) {
    return Step([mode](VideoThreadTest& t) { t.SetMode(mode), t.Queue(0, 12); });
  };
  const Step tenBehind = [](VideoThreadTest& t) { t.record.targetFrame = 10; };
  const struct {
    const char* name;
    Step before, after;
    int passes;
    Stamps shown;
    int32_t current, dropped;
    int64_t slept;  // -1: not checked
  } rows[] = {
      {"no sound", [](VideoThreadTest& t) { t.Queue(0, 5); }, nullptr, 5, {0, 1, 2, 3, 4}, 5, 0, 5 * 40},
      {"skip frames", behind(kSkipFrames), tenBehind, 6, {0}, 6, 5, 0},
      {"keep fast motion", behind(kKeepFastMotion), tenBehind, 6, {0}, 6, 5, 0},
      {"jump keyframes", behind(kJumpKeyframes), tenBehind, 6, {0, 1, 2, 3, 4, 5}, 6, 0, -1},
      {"smooth video", behind(kSmoothVideo), tenBehind, 6, {0, 1, 2, 3, 4, 5}, 6, 0, -1},
      {"skipped and failed",
       [](VideoThreadTest& t) {
         t.Queue(0, 1), t.Queue(1, 1, kFrameSkipped), t.Queue(2, 1, kFrameFailed), t.Queue(3, 3);
       },
       nullptr, 4, {0, 3}, 4, 1, -1},
      {"inactive window", [](VideoThreadTest& t) { t.Queue(0, 6); },
       [](VideoThreadTest& t) { t.shell.windowActive = 0; }, 6, {}, 6, 0, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakePicture fresh;
    context.ports.picture = &fresh;
    record.frameRing.Clear();
    record.currentFrame = record.droppedFrames = 0;
    shell.windowActive = 1;
    g_effectLog.Reset();
    const int64_t slept = time.SleptMilliseconds();
    row.before(*this);
    Begin();
    if (row.after) row.after(*this);
    Passes(row.passes);
    const Stamps all = fresh.presented.Items();
    EXPECT_EQ(Stamps(all.begin() + (all.empty() ? 0 : 1), all.end()), row.shown);
    EXPECT_EQ(record.currentFrame, row.current);
    EXPECT_EQ(record.droppedFrames, row.dropped);
    if (row.slept >= 0) { EXPECT_EQ(time.SleptMilliseconds() - slept, row.slept); }
    EXPECT_EQ(fresh.setups.Size(), 1u);
    if (row.after == nullptr) { EXPECT_EQ(g_effectLog.filtered, static_cast<int32_t>(row.shown.size())); }
    thread_->SetStartVolume();
    EXPECT_EQ(sound.volumeCalls_, 0);  // no sound: no volume
  }
}

// At one frame a second, with sound, the first frame is on the screen before
// the clock is waited for (the presenter's set-up draws it), not a second
// later, also when the feeder decodes it only during the wait; it is shown
// again in its own pass, and the next frame a second on.
TEST_F(VideoThreadTest, TheFirstFrameIsShownAtOnceAtAnyFrameRate) {
  struct TimedPicture : FakePicture {
    explicit TimedPicture(ScriptedTime* t) : time(t) {}
    bool Present(const uint8_t* frame, const Options& options) override {
      at.push_back(time->SleptMilliseconds());
      return FakePicture::Present(frame, options);
    }
    ScriptedTime* time;
    std::vector<int64_t> at;
  };
  record.rate = 1;
  clock.Create(1, 1);
  WithSound();
  for (const int64_t decodedAt : {0, 30}) {
    SCOPED_TRACE(decodedAt);
    TimedPicture timed(&time);
    context.ports.picture = &timed;
    record.frameRing.Clear();
    record.currentFrame = 0;
    const int64_t start = time.SleptMilliseconds();
    time.onSleep_ = [&](uint32_t) {
      if (record.frameRing.Count() == 0 && time.SleptMilliseconds() - start >= decodedAt) Queue(0, 3);
    };
    if (decodedAt == 0) Queue(0, 3);
    Begin();
    Passes(2);
    EXPECT_EQ(timed.presented.Items(), (Stamps{0, 0, 1}));
    EXPECT_EQ(timed.at, (std::vector<int64_t>{start + decodedAt, start + 1000, start + 2000}));
  }
  time.onSleep_ = nullptr;
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
    const size_t before = picture.presented.Size();
    ASSERT_TRUE(thread.Pass());
    shown.push_back(picture.presented.Size() > before);
  }
  // Warm-up: the ring's capacity in shown frames, all of them shown.
  for (int pass = 1; pass < 19; ++pass) EXPECT_TRUE(shown[pass]) << pass;
  EXPECT_TRUE(thread.SkipMode());
  for (int pass = 20; pass < 26; ++pass) EXPECT_EQ(shown[pass], pass % 2 == 1) << pass;
}

TEST_F(VideoThreadTest, StatusIsRedrawnOnEveryTwentyFourthPlayingPassAtTwentyFiveFps) {
  Queue(0, 20);
  Begin();
  std::vector<int> drawnAt;
  for (int pass = 1; pass <= 79; ++pass) {
    if (pass == 50) shell.fullscreenRequested = 1;  // no status strip in fullscreen
    const size_t before = host.statusDrawn.Size();
    Passes(1);
    if (host.statusDrawn.Size() > before) drawnAt.push_back(pass);
    Queue(19 + pass, 1);
  }
  EXPECT_EQ(drawnAt, (std::vector<int>{1, 25, 49}));
  for (int32_t progress : host.statusDrawn.Items()) { EXPECT_EQ(progress, -1); }
}

// The first change of the sound counter seen (0 after -1) sets the target
// from the sound; later ones beyond the threshold do, an unchanged counter
// never pulls it. A positive displacement puts the picture ahead of the
// sound: +500 ms are 12 frames. (The resync threshold and the sound
// position's terms: the pacing rules' test.)
TEST_F(VideoThreadTest, TheTargetFollowsTheSoundCounterBeyondTheThreshold) {
  WithSound();
  Queue(0, 20);
  Begin();
  const struct {
    int32_t counter, displacement, setTarget, target;
  } steps[] = {{0, 0, -1, 1}, {10, 0, -1, 21}, {10, 0, 40, 40}, {12, 500, -1, 25 + 12}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.counter);
    sound.counter_ = s.counter;  // blocks of 80 ms, two frames each
    record.displacement = s.displacement;
    if (s.setTarget >= 0) record.targetFrame = s.setTarget;
    Passes(1);
    EXPECT_EQ(record.targetFrame, s.target);
    EXPECT_TRUE(sound.playing_);
  }
}

TEST_F(VideoThreadTest, AnEmptyRingAtTheStartDoesNotLetThePictureRunAhead) {
  // Playing from the start, the feeder's first frame takes a second to come:
  // the sound is not playing yet, so the clock must not run on.
  WithSound();
  VideoThread& thread = Begin();
  Passes(1);
  EXPECT_EQ(time.SleptMilliseconds(), 40 + 10);  // one frame of clock, then the empty ring
  EXPECT_TRUE(host.statusDrawn.Items().empty());
  while (time.SleptMilliseconds() < 1000) ASSERT_TRUE(thread.Pass());
  EXPECT_FALSE(sound.playing_);
  EXPECT_LE(record.targetFrame, 1);
  Queue(0, 10);
  Passes(10);
  EXPECT_TRUE(sound.playing_);
  EXPECT_EQ(record.droppedFrames, 0);
  EXPECT_EQ(Shown(), (Stamps{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(VideoThreadTest, PausingForAMinuteDoesNotMoveThePictureAhead) {
  Queue(0, 20);
  VideoThread& thread = Begin();
  Passes(3);
  record.state = kPaused;
  const int64_t pausedAt = time.SleptMilliseconds();
  while (time.SleptMilliseconds() - pausedAt < 60000) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(record.currentFrame, 3);
  EXPECT_LE(record.targetFrame, 4);
  record.state = kPlaying;
  const size_t shownBefore = picture.presented.Size();
  Passes(5);
  EXPECT_EQ(std::make_tuple(record.droppedFrames.load(), picture.presented.Size(), record.currentFrame.load()),
            std::make_tuple(0, shownBefore + 5, 8));
}

// Paused, frame steps show one frame each through a presenter refresh;
// playing, they are cleared, not taken. Without Fadeout Pause nothing fades.
TEST_F(VideoThreadTest, FiveFrameStepsWhilePausedShowFiveFramesAndPlayingClearsThem) {
  Queue(0, 10);
  record.state = kPaused;
  Begin();
  // current frame, steps left, presented, set-ups, fades
  Run([&] { return Observed{record.currentFrame, shell.frameSteps, int64_t(picture.presented.Size()),
                            int64_t(picture.setups.Size()), g_effectLog.fades}; },
      {{"paused", nullptr, 1, {0, 0, 1, 1, 0}},
       {"five steps", [&] { shell.frameSteps = 5; }, 10, {5, 0, 6, 6, 0}},
       {"no more steps", [&] { EXPECT_EQ(picture.presented.Items(), (Stamps{0, 1, 2, 3, 4, 5})); }, 5,
        {5, 0, 6, 6, 0}},
       {"playing", [&] { record.state = kPlaying, shell.frameSteps = 3; }, 1, {6, 0, -1, -1, 0}}});
}

// The picture darkens in 14 passes without sleeping (after one frame of
// clock at the start), then the loop rests 100 ms a pass; playing ends the
// fade, and the next pause fades again.
TEST_F(VideoThreadTest, FadeoutPauseDarkensInFourteenStepsAndAgainAfterEachPause) {
  g_options.fadeoutPause = 1;
  PublishOptions();
  Queue(0, 10);
  record.state = kPaused;
  VideoThread& thread = Begin();
  // fades, countdown, slept ms, presented
  Run([&] { return Observed{g_effectLog.fades, thread.FadeCountdown(), time.SleptMilliseconds(),
                            int64_t(picture.presented.Size())}; },
      {{"paused", nullptr, 20, {14, 1, 40 + 6 * 100, 1 + 14}},
       {"playing", [&] { record.state = kPlaying; }, 1, {14, 0, -1, -1}},
       {"paused again", [&] { record.state = kPaused; }, 20, {28, 1, -1, -1}}});
}

// Pending balance requests are dropped at the start and the volume applied
// only once the player lock is no longer held. A request then shows the bar
// for two seconds of frames (50, less this pass) over the paused frame drawn
// again from its copy, and sets the volume; a dialog holds the countdown; at
// 0 the bar goes and the frame is drawn once more without it. Without volume
// control a request shows the bar but sets no volume.
TEST_F(VideoThreadTest, TheLevelBarRequestShowsTheBarCountsDownAndHides) {
  WithSound();
  Queue(0, 10);
  record.state = kPaused;
  record.currentFrame = 7;
  record.targetFrame = 0;
  shell.balanceChanged = shell.balanceShown = 1;
  VideoThread& thread = Begin();
  EXPECT_EQ(record.targetFrame, 7);
  EXPECT_EQ(shell.balanceChanged + shell.balanceShown + sound.volumeCalls_, 0);
  thread.SetStartVolume();
  EXPECT_EQ(sound.lastVolume_, 80);
  // request pending, bar shown, countdown, volume calls, bars drawn and
  // pictures presented (since the mark)
  int64_t bars = 0, shown = 0;
  Run([&] { return Observed{shell.balanceChanged, shell.balanceShown, shell.cursorCountdown, sound.volumeCalls_,
                            g_effectLog.levelBars - bars, int64_t(picture.presented.Size()) - shown}; },
      {{"paused", nullptr, 1, {0, 0, 0, 1, 0, 1}},
       {"request", [&] { shell.balanceChanged = 1; }, 1, {0, 1, 49, 2, 1, 2}},
       {"dialog open", [&] { shell.modalOpen = 1; }, 1, {0, 1, 49, 2, -1, -1}},
       {"counted down", [&] { shell.modalOpen = 0; }, 49, {0, 1, 0, 2, -1, -1}},
       {"hidden", [&] { bars = g_effectLog.levelBars, shown = picture.presented.Size(); }, 1, {0, 0, 0, 2, 0, 1}},
       {"stays hidden", nullptr, 1, {0, 0, 0, 2, 0, 1}},
       {"no volume control", [&] { g_options.enableVolumeControl = 0, PublishOptions(), shell.balanceChanged = 1; },
        1, {0, 1, -1, 2, -1, -1}}});
}

// In fullscreen the cursor is hidden when the countdown runs out, once; a
// move of the mouse shows it again.
TEST_F(VideoThreadTest, InFullscreenTheCursorHidesWhenTheCountdownRunsOut) {
  Queue(0, 10);
  shell.fullscreenRequested = 1;
  shell.cursorCountdown = 2;
  Begin();
  const struct {
    std::function<void()> before;
    std::vector<LPARAM> posted;  // the show-cursor commands' arguments so far
  } steps[] = {{[] {}, {}}, {[] {}, {}}, {[] {}, {0}}, {[&] { shell.cursorShown = 0; }, {0}},
               {[&] { shell.cursorCountdown = 50; }, {0, 1}}};
  for (const auto& s : steps) {
    s.before();
    Passes(1);
    std::vector<LPARAM> posted;
    for (const PostedCommand& c : host.posted.Items()) {
      EXPECT_EQ(c.id, kCommandShowCursor);
      posted.push_back(c.lParam);
    }
    EXPECT_EQ(posted, s.posted);
  }
}

// The video ends with the data (here before the claimed frame count), once;
// leaving waits for the player to be ready. A stopped thread ends without
// posting.
TEST_F(VideoThreadTest, AtTheEndOfTheFileItPostsNextFileOnceUnlessStopped) {
  record.frameCount = 10;
  record.dataEnd = 3;
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
  time.onSleep_ = nullptr;
  EXPECT_EQ(time.SleptMilliseconds() - ended, 30);
  ASSERT_EQ(host.posted.Size(), 1u);
  EXPECT_EQ(host.posted.Items()[0].id, kCommandNextFile);
  EXPECT_EQ(host.posted.Items()[0].lParam, 0);
  EXPECT_FALSE(sound.playing_);

  host.posted.Clear();
  record.frameRing.Clear();
  Queue(0, 3);
  WorkerThread stopped;
  stopped.Stop();
  context.videoThread = &stopped;
  EXPECT_FALSE(Begin().Pass());
  thread_->Leave();
  EXPECT_EQ(host.posted.Size(), 0u);
}

// The presenter is set up with the options as they are at each redraw and
// the window's rectangle; a display change rebuilds everything. (Which flags
// the options allow: the present modes' test.)
TEST_F(VideoThreadTest, RedrawRequestsSetThePresenterUpWithTheOptionsAndRectangle) {
  Queue(0, 10);
  g_options.denyOverlays = 0;
  PublishOptions();
  shell.videoRect.Set(RECT{10, 20, 330, 260});
  Begin();
  // set-ups, the last with the options' flags, its rectangle's left and
  // bottom, releases, DrawDib reopens, display change pending, borders
  Run([&] {
        const SetupCall last = picture.setups.Items().back();
        return Observed{int64_t(picture.setups.Size()), last.allowFlags == PresenterAllowFlags(g_options),
                        last.videoRect.left, last.videoRect.bottom, picture.releases_, host.drawDibReopens_,
                        shell.displayChanged, host.borders_};
      },
      {{"start", nullptr, 2, {1, 1, 10, 260, 0, 0, 0, 1}},
       {"redraw", [&] { g_options.denyOverlays = 1, PublishOptions(), ++shell.redrawCounter; }, 1,
        {2, 1, 10, 260, 0, 0, 0, -1}},
       {"display change", [&] { shell.displayChanged = 1; }, 1, {3, 1, 10, 260, 1, 1, 0, -1}}});
  EXPECT_NE(picture.setups.Items()[0].allowFlags, picture.setups.Items()[1].allowFlags);
}

// A pass draws with one snapshot of the options: a change published while
// the filters run reaches the presenter only with the next frame.
TEST_F(VideoThreadTest, EachFrameIsFilteredAndPresentedWithTheSameOptions) {
  Queue(0, 4);
  g_options.highQualityConversion = 0;
  PublishOptions();
  g_effectLog.duringFilter = [] { g_options.highQualityConversion ^= 1, PublishOptions(); };
  Begin();
  Passes(4);
  const std::vector<uint8_t> filtered = g_effectLog.filteredQuality.Items();
  EXPECT_EQ(filtered, (std::vector<uint8_t>{0, 1, 0, 1}));
  const std::vector<uint8_t> presented = picture.presentedQuality.Items();
  EXPECT_EQ(std::vector<uint8_t>(presented.begin() + 1, presented.end()), filtered);
}

TEST_F(VideoThreadTest, KeepFastMotionPausesTheSoundUntilTheRingRefills) {
  SetMode(kKeepFastMotion);
  WithSound();
  Queue(0, 1);
  Begin();
  Passes(1);
  ASSERT_TRUE(sound.playing_);
  const size_t setups = picture.setups.Size();
  // The feeder brings 6 frames, one per 100 ms, then stalls.
  int32_t next = 1;
  time.onSleep_ = [&](uint32_t ms) {
    if (ms == 100 && next <= 6) Queue(next++, 1);
  };
  const int32_t transitions = sound.playTransitions_;
  Passes(1);
  time.onSleep_ = nullptr;
  EXPECT_EQ(sound.playTransitions_, transitions + 2);  // paused, then played again
  EXPECT_TRUE(sound.playing_);
  // The target is what it was before the pause (the sound's position, at most
  // one ahead of the picture), not moved on by the 700 ms of buffering.
  EXPECT_LE(record.targetFrame, record.currentFrame + 1);
  const std::vector<int32_t> fills = host.statusDrawn.Items();
  ASSERT_GE(fills.size(), 6u);
  EXPECT_EQ(fills[1], 0);  // the first drawing after the playing pass's status
  EXPECT_EQ(record.frameRing.Count(), 6);
  Passes(1);  // a presenter refresh shows the refilled ring
  EXPECT_EQ(picture.setups.Size(), setups + 1);
}

}  // namespace
