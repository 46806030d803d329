// The player over fake outputs and a fake decoder, with its real threads.

#include "decode/decoder_holder.h"
#include "engine/player.h"
#include "engine_fakes.h"
#include "platform/show_message.h"
#include "playlist/playlist.h"
#include "subtitles/subtitle_track.h"
#include "tests/common/test_paths.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace {

// The decoder the next open hands to the holder (which then owns it); none:
// the file cannot be opened.
FakeDecoder* g_nextDecoder = nullptr;

Decoder* OpenNextDecoder(const char*, std::string*, bool* opened) {
  *opened = g_nextDecoder != nullptr;
  return std::exchange(g_nextDecoder, nullptr);
}

bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class PlayerTest : public ::testing::Test, public FakePorts {
 protected:
  void SetUp() override {
    g_options.frameBufferSize = 4;  // half of the fake's 64 KB
    g_options.speedTroublesMode = kSkipFrames;  // each open publishes the options
    g_options.fadeoutPause = g_options.disableAudio = g_options.subtitlesAutoLoad = 0;
    previousOpen_ = DecoderHolder::SetOpenFunction(OpenNextDecoder);
    previousPlaylist_ = g_playlist;
    g_playlist = &playlist;
    playlist.SetText("C:\\clips\\first.avi");
    shell.currentIndex = 0;
    previousSink_ = SetMessageSink([this](const ShownMessage& m) { return messages.push_back(m), 1; });
    ports = Ports(SystemTime());
    ports.decoders = &holder;
    Fresh()->frameCount_ = 30;
    decoder->rate_ = 100;  // 10 ms a frame
  }

  void TearDown() override {
    player.reset();
    delete std::exchange(g_nextDecoder, nullptr);
    DecoderHolder::SetOpenFunction(previousOpen_);
    g_playlist = previousPlaylist_;
    SetMessageSink(previousSink_);
  }

  // Opens the play list's current item on the prepared fake decoder.
  bool Open() {
    g_nextDecoder = decoder;
    player.reset(new Player(ports));
    return player->OpenWithSubtitles();
  }
  // A new decoder for the next open (the holder owns and frees the one before).
  FakeDecoder* Fresh() { return decoder = new FakeDecoder; }

  DecoderHolder holder;
  Playlist playlist;
  PlaybackPorts ports;
  FakeDecoder* decoder = nullptr;  // owned by the holder once opened
  std::unique_ptr<Player> player;
  std::vector<ShownMessage> messages;
  DecoderHolder::OpenFunction previousOpen_ = nullptr;
  Playlist* previousPlaylist_ = nullptr;
  MessageSink previousSink_;
};

// Opening shows the resume position's frame (0 without one: the shell's
// play-through), clears it and stays there. (Playing to the end: the video
// thread's test posts Next File once, the shell's play-through counts every
// frame of real clips, titles the window with the file and fits it to the
// video.) The frame ring takes the chosen share of free memory: 20 % of
// 1,000 MiB holds 341 VGA frames of 614,400 bytes. Closing leaves
// fullscreen first and gives back every system setting (the window size,
// title and screen saver: the shell's play-through), twice: the second is
// harmless. Seeks land on the keyframe at or before (shown with a real clip
// in the shell); out of range, and anything but 0 without an index, they are
// refused. A file whose threads cannot be created is closed again at once,
// rather than left open with nothing playing it.
TEST_F(PlayerTest, OpeningPausesAtTheResumePositionSeeksAreCheckedAndClosingUndoesIt) {
  shell.resumePosition = 20;
  host.system_ = SystemSettings{1, 0, 1};
  host.availableMemory_ = 1048576000ull;
  g_options.frameBufferSize = 2;  // 20 %
  decoder->width_ = 640;
  decoder->height_ = 480;
  decoder->frameCount_ = 1000;
  decoder->keyframes_ = {0, 250, 750};
  ASSERT_TRUE(Open());
  EXPECT_EQ(std::make_tuple(player->State(), shell.resumePosition, player->FrameCount(), player->FrameRing().Capacity(),
                            player->FrameRing().ElementSize()),
            std::make_tuple(kPaused, 0, 1000, 341, size_t{614400}));
  ASSERT_TRUE(WaitFor([&] { return picture.presented.Size() != 0; }));
  EXPECT_EQ(picture.presented.Items()[0], 20);
  const int32_t passes = player->VideoPasses();  // three paused passes on, still there
  ASSERT_TRUE(WaitFor([&] { return player->VideoPasses() >= passes + 3; }));
  EXPECT_EQ(std::make_tuple(player->CurrentFrame(), host.system_.powerOff, messages.size()),
            std::make_tuple(20, 0, size_t{0}));
  EXPECT_TRUE(player->Seek(500));
  EXPECT_EQ(std::make_tuple(player->CurrentFrame(), player->State()), std::make_tuple(250, kPaused));
  EXPECT_FALSE(player->Seek(1000) || player->Seek(-1));
  EXPECT_EQ(player->CurrentFrame(), 250);
  shell.fullscreenRequested = 1;
  for (int i = 0; i < 2; ++i) {
    player->Close();
    EXPECT_EQ(std::make_tuple(host.fullscreenLeaves_.load(), player->State(), host.system_.powerOff,
                              host.system_.lowPower, picture.shutdowns_.load(), player->FrameRing().Capacity()),
              std::make_tuple(1, kClosed, 1, 0, 1, 0));
    EXPECT_EQ(holder.Current(), nullptr);
  }
  Fresh()->hasIndex_ = false;
  ASSERT_TRUE(Open());
  EXPECT_FALSE(player->IsSeekable() || player->Seek(10));
  player->Play();
  ASSERT_TRUE(WaitFor([&] { return player->CurrentFrame() >= 5; }));
  player->Pause();
  EXPECT_TRUE(player->Seek(0));
  EXPECT_EQ(player->CurrentFrame(), 0);
#ifndef _WIN32
  for (const bool sound : {false, true}) {  // natively the kernel32 stand-in can refuse threads
    Fresh()->hasAudio_ = sound;
    RefuseThreadCreation(true);
    const bool opened = Open();
    RefuseThreadCreation(false);
    EXPECT_EQ(std::make_tuple(opened, player->State(), host.titles.Items().back(), holder.Current()),
              std::make_tuple(false, kClosed, std::string("default"), static_cast<Decoder*>(nullptr))) << sound;
  }
#endif
}

// 25 blocks of 80 samples make 2 s at 1,000 Hz: the buffer is opened with
// them and prefilled with the first decoded blocks (8-bit silence where the
// decoder gives none), each through the audio filters. A sound output that
// fails to open (its message and the silent playing are shown in the shell)
// or disabled audio: the decoder's sound is dropped or never opened, and no
// block ring is kept.
TEST_F(PlayerTest, SoundIsOpenedWithTwoSecondsOfBlocksAndPrefilledOrNotKept) {
  const struct { const char* name; bool decodes, fails, disabled; } rows[] = {
      {"decoded", true, false, false}, {"silence", false, false, false},
      {"the output fails", true, true, false}, {"audio disabled", true, false, true}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    player.reset();
    g_effectLog.Reset();
    if (&r != rows) Fresh();
    decoder->hasAudio_ = true;
    decoder->failAllBlocks_ = !r.decodes;
    sound.failOpen_ = r.fails;
    g_options.disableAudio = r.disabled ? 1 : 0;
    messages.clear();
    const size_t first = sound.written.Size();
    ASSERT_TRUE(Open());
    const bool plays = !r.fails && !r.disabled;
    EXPECT_EQ(std::make_tuple(player->SoundPlays(), sound.open_.load(), decoder->audioDrops_.load(), messages.size()),
              std::make_tuple(plays, plays, r.fails ? 1 : 0, r.fails ? size_t{1} : size_t{0}));
    if (r.fails && !messages.empty()) { EXPECT_EQ(messages[0].type & MB_ICONHAND, static_cast<UINT>(MB_ICONHAND)); }
    EXPECT_EQ(player->BlockRing().Capacity() >= 30, plays);
    if (!plays) continue;
    EXPECT_EQ(std::make_tuple(sound.openedBlocks_, sound.counter_.load()), std::make_tuple(25, 0));  // uncounted
    const std::vector<std::vector<uint8_t>> written = sound.written.Items();
    ASSERT_GE(written.size(), first + 25);
    for (size_t b = 0; b < 25; ++b)
      EXPECT_EQ(written[first + b], std::vector<uint8_t>(80, r.decodes ? static_cast<uint8_t>(b) : 128)) << b;
    if (r.decodes) { EXPECT_EQ(g_effectLog.soundBlocks, 25); }
  }
}

}  // namespace

// The window's thread (here the test's) works every signal while the four
// threads play with sound: under ThreadSanitizer this shows the handover
// clean, and no request made meanwhile is lost. (Next Frame while paused,
// with the real threads: the shell's pause and step test.)
TEST_F(PlayerTest, TheWindowsSignalsReachThePlayingThreads) {
  decoder->hasAudio_ = true, decoder->sampleRate_ = 1000, decoder->samplesPerBlock_ = 20;
  decoder->frameCount_ = 3000;  // still playing when the checks run
  ASSERT_TRUE(Open());
  const size_t prefilled = sound.written.Size();
  sound.freeBlocks_ = 100;  // the sound, and the picture with it, stays 200 frames in
  player->Play();
  // The video thread starts the buffer at its first playing pass.
  ASSERT_TRUE(WaitFor([&] { return sound.playing_.load(); }));
  for (int32_t i = 0; i < 60 && player->State() == kPlaying; ++i) {
    g_options.videoFilters.negative = static_cast<uint8_t>(i & 1), g_options.volume = static_cast<uint32_t>(i);
    g_options.speedTroublesMode = (i & 2) != 0 ? kKeepFastMotion : kSkipFrames;
    PublishOptions();
    shell.videoRect.Set(RECT{i, i, 320 + i, 240 + i});
    shell.redrawCounter.fetch_add(1), shell.frameSteps.fetch_add(1);  // the steps taken back while playing
    shell.balanceChanged.store(1), shell.displayChanged.store(1), shell.cursorCountdown.store(3);
    shell.fullscreenRequested.store(static_cast<uint8_t>(i & 1));
    const int32_t passes = player->VideoPasses();  // one pass sees each round
    ASSERT_TRUE(WaitFor([&] { return player->VideoPasses() > passes || player->State() != kPlaying; }));
  }
  EXPECT_TRUE(WaitFor([&] { return shell.balanceShown.load() != 0 && shell.displayChanged.load() == 0; }));
  EXPECT_GT(host.drawDibReopens_.load(), 0);
  // The writer filled the free blocks, and only those, going on after the
  // prefill.
  EXPECT_TRUE(WaitFor([&] { return sound.counter_ == 100; }));
  ASSERT_EQ(sound.written.Size(), prefilled + 100);
  EXPECT_EQ(sound.written.Items()[prefilled], std::vector<uint8_t>(20, static_cast<uint8_t>(prefilled)));

  player->Close();
}

TEST_F(PlayerTest, AutoLoadTriesSubThenSrtThenAssThenSsaBesideTheVideo) {
  const char* const files[][2] = {{".sub", "{100}{200}from sub\n"},
                                  {".srt", "1\n00:00:01,000 --> 00:00:02,000\nfrom srt\n"},
                                  {".ass", "[Events]\nDialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,from ass\n"},
                                  {".ssa", "[Events]\nDialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,from ssa\n"}};
  // which of the four files exist ("1" for each), the text at frame 150 (null: nothing loads)
  const struct { bool autoLoad; const char* present; const char* shown; } cases[] = {
      {true, "1111", "from sub"}, {true, "0111", "from srt"}, {true, "0011", "from ass"},
      {true, "0001", "from ssa"}, {false, "1111", nullptr},   {true, "0000", nullptr}};
  for (const auto& c : cases) {
    const std::string stem = ScratchPath(std::string("movie") + c.present + (c.autoLoad ? "" : "-off"));
    for (int i = 0; i < 4; ++i) if (c.present[i] == '1') std::ofstream(stem + files[i][0]) << files[i][1];
    g_options.subtitlesAutoLoad = c.autoLoad ? 1 : 0;
    playlist.SetText((stem + ".avi").c_str());
    SubtitleTrack track;
    ports.subtitles = &track;
    if (&c != cases) Fresh()->rate_ = 100;  // the times: frames 100 to 199
    ASSERT_TRUE(Open());
    char text[SubtitleList::kTextBufferSize] = "";
    EXPECT_EQ(track.FindSubtitle(text, 150), c.shown != nullptr) << stem;
    if (c.shown != nullptr) { EXPECT_STREQ(text, c.shown); }
    player.reset();
  }
}
