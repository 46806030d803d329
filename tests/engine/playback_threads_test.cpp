#include "engine/audio_threads.h"
#include "engine/video_feeder.h"
#include "engine/video_thread.h"
#include "engine_fakes.h"
#include "settings/present_mode.h"

#include <memory>
#include <tuple>

namespace {

using Stamps = std::vector<int32_t>;

class VideoThreadTest : public PlaybackFixture {
 protected:
  // A video thread over the fixture's context, begun with frames 0 ..
  // queued - 1 in the ring and the player in the given state.
  VideoThread& Begin(int32_t queued = 0, int32_t state = kPlaying) {
    Queue(0, queued);
    record.state = state;
    thread_.reset(new VideoThread(context));
    thread_->Begin();
    return *thread_;
  }
  void Passes(int count) {
    for (int i = 0; i < count; ++i) ASSERT_TRUE(thread_->Pass()) << "pass " << i;
  }
  // Presented stamps without the first entry, which is the set-up's drawing
  // of the first frame at the start of the thread.
  Stamps Shown(FakePicture* shown = nullptr) {
    const Stamps all = (shown != nullptr ? shown : &picture)->presented.Items();
    return all.empty() ? all : Stamps(all.begin() + 1, all.end());
  }
  // Steps of a scenario: an action, passes, then what observe() gives
  // (entries of -1 are not compared).
  using Observed = std::vector<int64_t>;
  struct Step { const char* name; std::function<void()> act; int passes; Observed want; };
  void Run(const std::function<Observed()>& observe, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.name);
      if (step.act) step.act();
      Passes(step.passes);
      Observed seen = observe();
      for (size_t i = 0; i < seen.size() && i < step.want.size(); ++i)
        if (step.want[i] == -1) seen[i] = -1;
      EXPECT_EQ(seen, step.want);
    }
  }
  std::unique_ptr<VideoThread> thread_;
};

// Scenarios of a few playing passes: what is queued and set before the
// thread begins and after, then the frames shown after the set-up's drawing,
// where the picture is and what was dropped. Without sound the clock
// restarts every pass: each shown frame waits 40 ms. With the picture 10
// frames behind the clock, Skip Frames shows one frame and drops the next
// five (the lag is capped at 6), never waiting; Jump Keyframes shows every
// frame. (Keep Fast Motion and Smooth Video reach the thread only through
// the lag they give: the pacing rules' test.) Skipped frames count as
// dropped, failed ones are not shown; while the window is inactive nothing
// is, but the frames pass all the same. (The lag below the cap, and doubled
// in skip mode: the pacing rules' test.)
TEST_F(VideoThreadTest, PlayingPassesShowDropOrWaitAsTheModeAndFramesSay) {
  // queued frames: decoded, skipped or failed; target after the start (-1: none)
  const struct { const char* name; uint32_t mode; const char* queued; int32_t target; bool inactive; int passes;
                 Stamps shown; int32_t current, dropped; int64_t slept; } rows[] = {
      {"no sound", kSkipFrames, "ddddd", -1, false, 5, {0, 1, 2, 3, 4}, 5, 0, 5 * 40},
      {"skip frames", kSkipFrames, "dddddddddddd", 10, false, 6, {0}, 6, 5, 0},
      {"jump keyframes", kJumpKeyframes, "dddddddddddd", 10, false, 6, {0, 1, 2, 3, 4, 5}, 6, 0, -1},
      {"skipped and failed", kSkipFrames, "dsfddd", -1, false, 4, {0, 3}, 4, 1, -1},
      {"inactive window", kSkipFrames, "dddddd", -1, true, 6, {}, 6, 0, -1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakePicture fresh;
    context.ports.picture = &fresh;
    record.frameRing.Clear();
    record.currentFrame = record.droppedFrames = 0;
    g_effectLog.Reset();
    SetMode(row.mode);
    const int64_t slept = time.SleptMilliseconds();
    for (int32_t n = 0; row.queued[n] != 0; ++n)
      Queue(n, 1, row.queued[n] == 's' ? kFrameSkipped : row.queued[n] == 'f' ? kFrameFailed : kFrameDecoded);
    Begin();
    if (row.target >= 0) record.targetFrame = row.target;
    shell.windowActive = row.inactive ? 0 : 1;
    Passes(row.passes);
    EXPECT_EQ(Shown(&fresh), row.shown);
    EXPECT_EQ(std::make_tuple(record.currentFrame.load(), record.droppedFrames.load(), fresh.setups.Size()),
              std::make_tuple(row.current, row.dropped, size_t{1}));
    if (row.slept >= 0) { EXPECT_EQ(time.SleptMilliseconds() - slept, row.slept); }
    if (!row.inactive) { EXPECT_EQ(g_effectLog.filtered, static_cast<int32_t>(row.shown.size())); }
  }
  thread_->SetStartVolume();
  EXPECT_EQ(sound.volumeCalls_, 0);  // no sound: no volume
}

// At one frame a second, with sound, the first frame is on the screen before
// the clock is waited for (the presenter's set-up draws it), not a second
// later, also when the feeder decodes it only during the wait; it is shown
// again in its own pass, and the next frame a second on.
TEST_F(VideoThreadTest, TheFirstFrameIsShownAtOnceAtAnyFrameRate) {
  record.rate = 1;
  clock.Create(1, 1);
  WithSound();
  picture.time = &time;
  for (const int64_t decodedAt : {0, 30}) {
    SCOPED_TRACE(decodedAt);
    picture.presented.Clear();
    picture.presentedAt.Clear();
    record.frameRing.Clear();
    record.currentFrame = 0;
    const int64_t start = time.SleptMilliseconds();
    time.onSleep_ = [&](uint32_t) {
      if (record.frameRing.Count() == 0 && time.SleptMilliseconds() - start >= decodedAt) Queue(0, 3);
    };
    if (decodedAt == 0) Queue(0, 3);
    Begin();
    Passes(2);
    EXPECT_EQ(picture.presented.Items(), (Stamps{0, 0, 1}));
    EXPECT_EQ(picture.presentedAt.Items(), (std::vector<int64_t>{start + decodedAt, start + 1000, start + 2000}));
  }
  time.onSleep_ = nullptr;
}

// (Where skip mode ends, by ring fill, mode and the end of the video: the
// pacing rules' test.) The status is drawn on every twenty-fourth playing
// pass at 25 fps, not in fullscreen (from pass 30 here).
TEST_F(VideoThreadTest, SkipModeDropsEverySecondFrameOnALowRingAfterTheWarmUpAndTheStatusIsRedrawn) {
  // The feeder keeps only two frames queued (10 % of 20); the picture is one
  // frame late at every pass.
  VideoThread& thread = Begin();
  int32_t next = 0;
  std::vector<bool> shown;
  std::vector<int> drawnAt;
  for (int pass = 0; pass < 50; ++pass) {
    while (record.frameRing.Count() < 2) Queue(next++, 1);
    record.targetFrame = record.currentFrame + 1;
    shell.fullscreenRequested = pass >= 30 ? 1 : 0;
    const size_t before = picture.presented.Size(), drawn = host.statusDrawn.Size();
    ASSERT_TRUE(thread.Pass());
    shown.push_back(picture.presented.Size() > before);
    if (host.statusDrawn.Size() > drawn) drawnAt.push_back(pass);
    if (pass == 25) { EXPECT_TRUE(thread.SkipMode()); }
  }
  // Warm-up: the ring's capacity in shown frames, all of them shown.
  for (int pass = 1; pass < 19; ++pass) EXPECT_TRUE(shown[pass]) << pass;
  for (int pass = 20; pass < 26; ++pass) EXPECT_EQ(shown[pass], pass % 2 == 1) << pass;
  EXPECT_EQ(drawnAt, (std::vector<int>{0, 24}));
  for (int32_t progress : host.statusDrawn.Items()) { EXPECT_EQ(progress, -1); }
}

// The first change of the sound counter seen (0 after -1) sets the target
// from the sound; later ones beyond the threshold do, an unchanged counter
// never pulls it. A positive displacement puts the picture ahead of the
// sound: +500 ms are 12 frames. (The resync threshold and the sound
// position's terms: the pacing rules' test.)
TEST_F(VideoThreadTest, TheTargetFollowsTheSoundCounterBeyondTheThreshold) {
  WithSound();
  Begin(20);
  // the target, the sound playing; the counter in blocks of 80 ms, two frames each
  Run([&] { return Observed{record.targetFrame, sound.playing_}; },
      {{"first change", nullptr, 1, {1, 1}},
       {"beyond", [&] { sound.counter_ = 10; }, 1, {21, 1}},
       {"unchanged", [&] { record.targetFrame = 40; }, 1, {40, 1}},
       {"displaced", [&] { record.displacement = 500, sound.counter_ = 12; }, 1, {25 + 12, 1}}});
}

// Playing from the start, the feeder's first frame takes a second to come:
// the sound is not playing yet, so the clock must not run on. The video ends
// with the data (here before the frame count), once; leaving waits for the
// player to be ready and stops the sound. A stopped thread ends without
// posting.
TEST_F(VideoThreadTest, AnEmptyRingAtTheStartDoesNotLetThePictureRunAheadAndTheEndPostsNextFileOnce) {
  record.dataEnd = 10;
  WithSound();
  VideoThread& thread = Begin();
  Passes(1);
  EXPECT_EQ(time.SleptMilliseconds(), 40 + 10);  // one frame of clock, then the empty ring
  EXPECT_EQ(host.statusDrawn.Size(), 0u);
  while (time.SleptMilliseconds() < 1000) ASSERT_TRUE(thread.Pass());
  EXPECT_EQ(std::make_tuple(sound.playing_.load(), record.targetFrame <= 1), std::make_tuple(false, true));
  Queue(0, 10);
  Passes(10);
  EXPECT_EQ(std::make_tuple(sound.playing_.load(), record.droppedFrames.load()), std::make_tuple(true, 0));
  EXPECT_EQ(Shown(), (Stamps{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_FALSE(thread.Pass());
  record.ready = 0;
  const int64_t ended = time.SleptMilliseconds();
  time.onSleep_ = [&](uint32_t) { record.ready = time.SleptMilliseconds() - ended >= 30 ? 1 : 0; };
  thread.Leave();
  ASSERT_EQ(host.posted.Size(), 1u);
  EXPECT_EQ(std::make_tuple(time.SleptMilliseconds() - ended, host.posted.Items()[0].id, host.posted.Items()[0].lParam,
                            sound.playing_.load()),
            std::make_tuple(int64_t{30}, kCommandNextFile, LPARAM{0}, false));
  host.posted.Clear();
  record.currentFrame = 0;  // not at the end
  Queue(0, 3);
  WorkerThread stopped;
  stopped.Stop();
  context.videoThread = &stopped;
  EXPECT_FALSE(Begin().Pass());
  thread_->Leave();
  EXPECT_EQ(host.posted.Size(), 0u);
}

// Paused, frame steps show one frame each through a presenter refresh;
// playing, they are cleared, not taken. Paused for a minute, the picture and
// the clock stay: playing again drops nothing. Without Fadeout Pause nothing
// fades; with it the picture darkens in 14 passes without sleeping (after
// one frame of clock), then the loop rests 100 ms a pass; playing ends the fade, and the next pause fades
// again.
TEST_F(VideoThreadTest, StepsShowOneFrameEachPlayingClearsThemAPauseHoldsTheClockAndFades) {
  VideoThread& thread = Begin(20, kPaused);
  const auto pauseAMinute = [&] {
    record.state = kPaused;
    const int64_t pausedAt = time.SleptMilliseconds();
    while (time.SleptMilliseconds() - pausedAt < 60000) ASSERT_TRUE(thread.Pass());
  };
  int64_t mark = 0;
  // current frame, steps left, presented, set-ups, dropped, fades, the target
  // at most one ahead, the fade's countdown, ms slept since the mark
  Run([&] { return Observed{record.currentFrame, shell.frameSteps, int64_t(picture.presented.Size()),
                            int64_t(picture.setups.Size()), record.droppedFrames, g_effectLog.fades,
                            record.targetFrame <= record.currentFrame + 1, thread.FadeCountdown(),
                            time.SleptMilliseconds() - mark}; },
      {{"paused", nullptr, 1, {0, 0, 1, 1, 0, 0, 1, -1, -1}},
       {"five steps", [&] { shell.frameSteps = 5; }, 10, {5, 0, 6, 6, 0, 0, 1, -1, -1}},
       {"no more steps", [&] { EXPECT_EQ(Shown(), (Stamps{1, 2, 3, 4, 5})); }, 5, {5, 0, 6, 6, 0, 0, 1, -1, -1}},
       {"playing", [&] { record.state = kPlaying, shell.frameSteps = 3; }, 3, {8, 0, 9, -1, 0, 0, 1, -1, -1}},
       {"a minute paused", pauseAMinute, 0, {8, 0, 9, -1, 0, 0, 1, -1, -1}},
       {"playing again", [&] { record.state = kPlaying; }, 5, {13, 0, 14, -1, 0, 0, 1, -1, -1}},
       {"fading", [&] {
          g_options.fadeoutPause = 1, PublishOptions(), record.state = kPaused;
          mark = time.SleptMilliseconds();
        }, 20, {13, 0, 14 + 14, -1, 0, 14, 1, 1, 40 + 6 * 100}},
       {"playing ends the fade", [&] { record.state = kPlaying; }, 1, {14, 0, -1, -1, 0, 14, 1, 0, -1}},
       {"paused again", [&] { record.state = kPaused; }, 20, {14, 0, -1, -1, 0, 28, 1, 1, -1}}});
}

// Pending balance requests are dropped at the start and the volume applied
// only once the player lock is no longer held. A request then shows the bar
// for two seconds of frames (50, less this pass) over the paused frame drawn
// again from its copy, and sets the volume; a dialog holds the countdown; at
// 0 the bar goes and the frame is drawn once more without it. Without volume
// control a request shows the bar but sets no volume.
TEST_F(VideoThreadTest, TheLevelBarRequestShowsTheBarCountsDownAndHides) {
  WithSound();
  record.currentFrame = 7;
  record.targetFrame = 0;
  shell.balanceChanged = shell.balanceShown = 1;
  Begin(10, kPaused);
  EXPECT_EQ(std::make_tuple(record.targetFrame.load(), shell.balanceChanged + shell.balanceShown,
                            sound.volumeCalls_.load()), std::make_tuple(7, 0, 0));
  thread_->SetStartVolume();
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

// The presenter is set up with the options as they are at each redraw and
// the window's rectangle; a display change rebuilds everything. A pass
// draws with one snapshot of the options: a change published while the
// filters run reaches the presenter only with the next frame. (Which flags
// the options allow: the present modes' test.) In fullscreen the cursor is
// hidden when the countdown runs out, once; a move of the mouse shows it
// again.
TEST_F(VideoThreadTest, RedrawRequestsSetThePresenterUpWithTheOptionsAndRectangle) {
  g_options.denyOverlays = g_options.highQualityConversion = 0;
  PublishOptions();
  g_effectLog.duringFilter = [] { g_options.highQualityConversion ^= 1, PublishOptions(); };
  shell.videoRect.Set(RECT{10, 20, 330, 260});
  shell.fullscreenRequested = 1;
  shell.cursorCountdown = 2;
  Begin(10);
  // set-ups, the last with the options' flags, its rectangle's left and
  // bottom, releases, DrawDib reopens, display change pending, borders;
  // show-cursor commands posted, the last one's argument (-2: none)
  Run([&] {
        const SetupCall last = picture.setups.Items().back();
        const std::vector<PostedCommand> posted = host.posted.Items();
        for (const PostedCommand& c : posted) EXPECT_EQ(c.id, kCommandShowCursor);
        return Observed{int64_t(picture.setups.Size()), last.allowFlags == PresenterAllowFlags(g_options),
                        last.videoRect.left, last.videoRect.bottom, picture.releases_, host.drawDibReopens_,
                        shell.displayChanged, host.borders_, int64_t(posted.size()),
                        posted.empty() ? -2 : int64_t{posted.back().lParam}};
      },
      {{"start", nullptr, 2, {1, 1, 10, 260, 0, 0, 0, 1, 0, -2}},
       {"redraw, the cursor hidden", [&] { g_options.denyOverlays = 1, PublishOptions(), ++shell.redrawCounter; }, 1,
        {2, 1, 10, 260, 0, 0, 0, -1, 1, 0}},
       {"display change", [&] { shell.displayChanged = 1, shell.cursorShown = 0; }, 1,
        {3, 1, 10, 260, 1, 1, 0, -1, 1, 0}},
       {"the mouse moved", [&] { shell.cursorCountdown = 50; }, 1, {3, 1, 10, 260, 1, 1, 0, -1, 2, 1}}});
  EXPECT_NE(picture.setups.Items()[0].allowFlags, picture.setups.Items()[1].allowFlags);
  const std::vector<uint8_t> presented = picture.presentedQuality.Items();  // the start's two passes
  EXPECT_EQ(std::vector<uint8_t>(presented.begin() + 1, presented.begin() + 3), (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(g_effectLog.filteredQuality.Items(), (std::vector<uint8_t>{0, 1, 0, 1, 0}));
}

TEST_F(VideoThreadTest, KeepFastMotionPausesTheSoundUntilTheRingRefills) {
  SetMode(kKeepFastMotion);
  WithSound();
  Begin(1);
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
  // Paused, then played again; the target is what it was before the pause
  // (the sound's position, at most one ahead of the picture), not moved on by
  // the 700 ms of buffering.
  EXPECT_EQ(std::make_tuple(sound.playTransitions_ - transitions, sound.playing_.load(),
                            record.targetFrame <= record.currentFrame + 1, record.frameRing.Count()),
            std::make_tuple(2, true, true, 6));
  ASSERT_GE(host.statusDrawn.Size(), 6u);
  EXPECT_EQ(host.statusDrawn.Items()[1], 0);  // the first drawing after the playing pass's status
  Passes(1);  // a presenter refresh shows the refilled ring
  EXPECT_EQ(picture.setups.Size(), setups + 1);
}

// The feeders and the sound output thread, pass by pass.
using VideoFeederTest = PlaybackFixture;

// Reads the ring out: the stamps (-1 where not decoded) and flags in order.
struct Queued { std::vector<int32_t> stamps; std::vector<uint8_t> flags; };

Queued Drain(SampleRing* ring) {
  Queued out;
  uint8_t flag = 0;
  while (uint8_t* element = ring->ReadSlot(&flag)) {
    out.stamps.push_back(flag == kFrameDecoded ? FrameStamp(element) : -1);
    out.flags.push_back(flag);
    ring->Release();
  }
  return out;
}

// From the current frame plus the offset, a failure marked, without waiting;
// a full ring and the end of the video make it wait 100 ms; a closed player
// stops the feeding. (A file whose data ends before its frame count: the
// shell's truncation test plays every prefix to its last readable frame.)
TEST_F(VideoFeederTest, DecodesFromTheCurrentFramePlusTheOffsetAndWaitsWhenFullOrAtTheEnd) {
  record.frameCount = 35;
  record.currentFrame = 10;
  record.feederOffset = 2;
  decoder.failingFrames_ = {13};
  VideoFeeder feeder(context);
  for (int i = 0; i < 21; ++i) feeder.Pass();
  EXPECT_EQ(std::make_tuple(record.frameRing.Count(), time.SleptMilliseconds(), feeder.NextFrame()),
            std::make_tuple(20, int64_t{100}, 32));
  const Queued queued = Drain(&record.frameRing);
  EXPECT_EQ(std::make_tuple(queued.stamps[0], queued.flags[1], queued.stamps[2]),
            std::make_tuple(12, uint8_t{kFrameFailed}, 14));
  record.state = kClosed;
  feeder.Pass();
  EXPECT_EQ(std::make_tuple(record.frameRing.Count(), record.endOfVideo.load()), std::make_tuple(0, 1));
  record.state = kPlaying;
  record.endOfVideo = 0;
  for (int i = 0; i < 3; ++i) feeder.Pass();
  EXPECT_EQ(record.endOfVideo, 0);
  feeder.Pass();  // frame 35 does not exist
  EXPECT_EQ(std::make_tuple(record.endOfVideo.load(), time.SleptMilliseconds(), record.frameRing.Count()),
            std::make_tuple(1, int64_t{300}, 3));
}

// A file whose data ends before its frame count (cut off, or a header that
// claims more): the failed frame past the data is not queued and the video
// ends there; a bad frame inside the data is queued as failed.
TEST_F(VideoFeederTest, TheEndOfTheDataIsTheEndOfTheVideo) {
  record.frameCount = 25;
  decoder.failingFrames_ = {5};
  decoder.dataEnd_ = 8;
  VideoFeeder feeder(context);
  for (int i = 0; i < 12; ++i) feeder.Pass();
  EXPECT_EQ(Drain(&record.frameRing).stamps, (std::vector<int32_t>{0, 1, 2, 3, 4, -1, 6, 7}));
  EXPECT_EQ(std::make_tuple(record.dataEnd.load(), record.LastFrameEnd(), record.endOfVideo.load()),
            std::make_tuple(8, 8, 1));
  EXPECT_EQ(decoder.decodedFrames.Items().back(), 8) << "no frame past the data was asked for again";
}

// With the feeder at frame 0 and the clock at the target, the frames the
// first passes queue: 0 for a frame passed over undecoded, 1 for a decoded
// one. Skip Frames and Jump Keyframes jump to a keyframe far enough ahead
// (5 to 1,000 frames, measured from the frame the feeder is at: a keyframe
// 1,001 ahead is not taken from frame 0, but from frame 1); the other modes
// never jump.
TEST_F(VideoFeederTest, EachModeJumpsToAKeyframeAheadOrNot) {
  const struct { uint32_t mode; int32_t target; std::set<int32_t> keyframes; std::vector<uint8_t> flags;
                 std::vector<int32_t> decoded; } cases[] = {
      {kJumpKeyframes, 4, {0, 4}, {1, 1, 1}, {0, 1, 2}},
      {kJumpKeyframes, 7, {0, 5, 10}, {0, 0, 0, 0, 0, 1, 1}, {5, 6}},
      {kJumpKeyframes, 1500, {0, 1001}, {1, 0}, {0}},
      {kSkipFrames, 9, {0, 8}, std::vector<uint8_t>(8, 0), {}},
      {kKeepFastMotion, 9, {0, 8}, std::vector<uint8_t>(8, 1), {0, 1, 2, 3, 4, 5, 6, 7}},
      {kSmoothVideo, 9, {0, 8}, std::vector<uint8_t>(8, 1), {0, 1, 2, 3, 4, 5, 6, 7}}};
  record.frameCount = 5000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    SetMode(c.mode);
    decoder.keyframes_ = c.keyframes;
    decoder.decodedFrames.Clear();
    record.currentFrame = 0;
    record.targetFrame = c.target;
    VideoFeeder feeder(context);
    for (size_t i = 0; i < c.flags.size(); ++i) feeder.Pass();
    const Queued queued = Drain(&record.frameRing);
    EXPECT_EQ(queued.flags, c.flags);
    EXPECT_EQ(decoder.decodedFrames.Items(), c.decoded);
    for (size_t i = 0; i < c.flags.size(); ++i)
      if (c.flags[i] == kFrameDecoded) { EXPECT_EQ(queued.stamps[i], static_cast<int32_t>(i)); }
  }
}

using AudioThreadsTest = PlaybackFixture;

// The feeder decodes while the ring holds no more than the sound buffer's 4
// blocks, a failed block queued as no sound; then what the queued frames
// need: 20 frames (0.8 s) need 10 blocks of 80 ms. The output writes only
// into a free block it could lock, counted, through the audio filter; a
// failed lock keeps the block for the next attempt. Each pass that writes
// nothing rests 100 ms. A block without sound plays as silence of its
// sample type: zeros for 16 bits (128 for 8 bits: the player's prefill).
TEST_F(AudioThreadsTest, TheFeederFillsWhatIsNeededAndTheOutputWritesOnlyIntoFreeBlocksItCouldLock) {
  WithSound();
  record.soundBufferBlocks = 4;
  record.startBlock = 30;
  record.sixteenBit = 1;
  decoder.failingBlock_ = 31;
  sound.bytesPerBlock_ = 80;
  ASSERT_TRUE(record.blockRing.Allocate(80, 40));
  AudioFeeder feeder(context);
  for (int i = 0; i < 10; ++i) feeder.Pass();
  EXPECT_EQ(decoder.decodedBlocks.Items(), (std::vector<int32_t>{30, 31, 32, 33, 34}));
  EXPECT_EQ(std::make_tuple(record.blockRing.Count(), time.SleptMilliseconds()), std::make_tuple(5, int64_t{500}));
  AudioOutputThread output(context);
  // blocks written, their first bytes, counter, queued, filtered, slept ms
  const auto seen = [&] {
    std::vector<int> firsts;
    for (const std::vector<uint8_t>& block : sound.written.Items()) {
      EXPECT_EQ(block, std::vector<uint8_t>(80, block[0]));
      firsts.push_back(block[0]);
    }
    return std::make_tuple(firsts, sound.counter_.load(), record.blockRing.Count(), g_effectLog.soundBlocks.load(),
                           time.SleptMilliseconds());
  };
  const struct { int32_t freeBlocks; bool failLock; int passes; std::vector<int> firsts; int32_t counter, queued;
                 int64_t slept; } steps[] = {
      {0, false, 1, {}, 0, 5, 600},            // no free block in the sound buffer
      {2, false, 3, {30, 0}, 2, 3, 700},
      {1, true, 1, {30, 0}, 2, 3, 800},        // the lock fails
      {3, false, 3, {30, 0, 32, 33, 34}, 5, 0, 800}};
  for (const auto& s : steps) {
    sound.freeBlocks_ = s.freeBlocks;
    sound.failLock_ = s.failLock;
    for (int i = 0; i < s.passes; ++i) output.Pass();
    EXPECT_EQ(seen(), std::make_tuple(s.firsts, s.counter, s.queued, s.counter, s.slept)) << s.slept;
  }
  Queue(0, 20);
  for (int i = 0; i < 20; ++i) feeder.Pass();
  EXPECT_EQ(std::make_tuple(record.blockRing.Count(), feeder.NextBlock()), std::make_tuple(11, 30 + 5 + 11));
}

}  // namespace
