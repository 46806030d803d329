// The player with the program's own outputs under Wine: the real sound
// output (PulseAudio's null sink), the presenter, the shell's window services
// and the system settings; only the decoder is a fake.
#include <gtest/gtest.h>

#include "app/application.h"
#include "settings/options.h"
#include "settings/shared_options.h"
#include "app/application_ports.h"
#include "app/sound_output_port.h"
#include "app/shell.h"
#include "platform/show_message.h"
#include "audio/sound_output.h"
#include "decode/decoder_holder.h"
#include "engine/player.h"
#include "engine/video_thread.h"
#include "engine_fakes.h"
#include "playlist/playlist.h"
#include "video/video_presenter.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

FakeDecoder* g_nextDecoder = nullptr;

Decoder* OpenNextDecoder(const char*, std::string*, bool* opened) {
  Decoder* decoder = g_nextDecoder;
  g_nextDecoder = nullptr;
  *opened = decoder != nullptr;
  return decoder;
}

std::vector<WPARAM> g_commands;  // WM_COMMAND ids the test window received

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    g_commands.push_back(LOWORD(wParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Runs the window's messages until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(5);
  }
}

int Count(WPARAM id) {
  int n = 0;
  for (WPARAM c : g_commands) n += c == id ? 1 : 0;
  return n;
}

std::string WindowTitle() {
  char text[256] = "";
  GetWindowTextA(g_mainWindow, text, sizeof text);
  return text;
}

bool ScreenSaverActive() {
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  return active != FALSE;
}

class PlayerOnWindowsTest : public ::testing::Test {
 protected:
  // One main window for the suite (visible windows are slow to make under
  // Wine and Xvfb); each test starts it at 512 x 420 with the default title.
  static void SetUpTestSuite() {
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VelmoraPlayerTest";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "VelmoraPlayerTest", DefaultTitle(),
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 512, 420, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  }
  static void TearDownTestSuite() { DestroyWindow(window_); }

  void SetUp() override {
    ASSERT_NE(window_, nullptr);
    MoveWindow(window_, 20, 20, 512, 420, TRUE);
    SetWindowTextA(window_, DefaultTitle());
    g_commands.clear();
    savedWindow_ = g_mainWindow;
    g_mainWindow = window_;
    savedOptions_ = g_options;
    g_options.disableAudio = 0;
    g_options.frameBufferSize = 1;
    g_options.speedTroublesMode = kSkipFrames;
    g_options.subtitlesAutoLoad = 0;
    PublishOptions();
    // The shell's signals as a freshly opened window has them.
    g_app.windowActive = 1;
    g_app.fullscreenRequested = 0;
    g_app.frameSteps = 0;
    g_app.balanceChanged = 0;
    g_app.resumePosition = 0;
    playlist.SetText("Z:\\clips\\moving picture.avi");
    savedPlaylist_ = g_playlist;
    g_playlist = &playlist;
    g_app.currentIndex = 0;
    savedHolder_ = g_decoderHolder;
    g_decoderHolder = &holder;
    savedOpen_ = DecoderHolder::SetOpenFunction(OpenNextDecoder);
    savedSink_ = SetMessageSink([this](const ShownMessage& m) {
      messages.push_back(m);
      return 1;
    });
    ports.sound = &soundPort;
    ports.picture = &presenter;
    ports.host = WindowsHost();
    ports.time = SystemTime();
    ports.decoders = &holder;
    ports.effects = ProgramEffects();
    ports.shell = &g_app;
    player.reset(new Player(ports));
    savedPlayer_ = g_player;
    g_player = player.get();
    decoder = new FakeDecoder;
    decoder->width_ = 160;
    decoder->height_ = 120;
    decoder->frameCount_ = 25;
  }

  void TearDown() override {
    player.reset();
    g_player = savedPlayer_;
    delete g_nextDecoder;
    g_nextDecoder = nullptr;
    SetMessageSink(savedSink_);
    DecoderHolder::SetOpenFunction(savedOpen_);
    g_decoderHolder = savedHolder_;
    g_playlist = savedPlaylist_;
    g_options = savedOptions_;
    g_mainWindow = savedWindow_;
  }

  bool Open() {
    g_nextDecoder = decoder;
    return player->OpenWithSubtitles();
  }

  EngineGlobalsGuard globals;
  SoundOutput sound;
  SoundOutputPort soundPort{&sound};
  VideoPresenter presenter;
  DecoderHolder holder;
  Playlist playlist;
  PlaybackPorts ports;
  std::unique_ptr<Player> player;
  FakeDecoder* decoder = nullptr;
  std::vector<ShownMessage> messages;

 private:
  static HWND window_;
  HWND savedWindow_ = nullptr;
  Options savedOptions_;
  Playlist* savedPlaylist_ = nullptr;
  DecoderHolder* savedHolder_ = nullptr;
  DecoderHolder::OpenFunction savedOpen_ = nullptr;
  MessageSink savedSink_;
  Player* savedPlayer_ = nullptr;
};

HWND PlayerOnWindowsTest::window_ = nullptr;

TEST_F(PlayerOnWindowsTest, OpeningTitlesTheWindowAndPausesOnTheFirstFrame) {
  ASSERT_TRUE(Open());
  EXPECT_EQ(WindowTitle(), "moving picture - Velmora Player");
  EXPECT_EQ(player->State(), kPaused);
  ASSERT_TRUE(PumpUntil([&] { return presenter.Mode() == kPresentNonOverlay; }, 3000));
  Sleep(200);
  EXPECT_EQ(player->CurrentFrame(), 0);
  player->Close();
  EXPECT_EQ(WindowTitle(), DefaultTitle());
  EXPECT_EQ(presenter.Mode(), kPresentDisabled);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PlayerOnWindowsTest, AFileThatCannotBeOpenedKeepsTheDefaultTitle) {
  // No decoder is offered: the holder's open fails.
  EXPECT_FALSE(player->OpenWithSubtitles());
  EXPECT_EQ(player->State(), kClosed);
  EXPECT_EQ(WindowTitle(), DefaultTitle());
}

TEST_F(PlayerOnWindowsTest, TheWindowFitsTheVideoAndGetsItsSizeBackAtClose) {
  RECT before;
  GetWindowRect(g_mainWindow, &before);
  ASSERT_TRUE(Open());
  RECT client;
  GetClientRect(g_mainWindow, &client);
  // The minimum size (320 x 240) holds the 160 x 120 video and its strip.
  EXPECT_GE(client.right, 160);
  EXPECT_GE(client.bottom, 120 + 16);
  RECT during;
  GetWindowRect(g_mainWindow, &during);
  EXPECT_NE(during.bottom - during.top, before.bottom - before.top);
  player->Close();
  RECT after;
  GetWindowRect(g_mainWindow, &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

TEST_F(PlayerOnWindowsTest, TheScreenSaverIsOffWhileOpenAndRestoredAfter) {
  for (BOOL initially : {TRUE, FALSE}) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, initially, nullptr, 0);
    ASSERT_EQ(ScreenSaverActive(), initially != FALSE);
    ASSERT_TRUE(Open());
    EXPECT_FALSE(ScreenSaverActive());
    player->Close();
    EXPECT_EQ(ScreenSaverActive(), initially != FALSE);
    decoder = new FakeDecoder;
  }
}

TEST_F(PlayerOnWindowsTest, ItPlaysWithSoundToTheEndAndPostsNextFileOnce) {
  decoder->hasAudio_ = true;
  decoder->sampleRate_ = 8000;
  decoder->samplesPerBlock_ = 640;  // 80 ms: two frames at 25 fps
  decoder->frameCount_ = 40;        // 1.6 s
  ASSERT_TRUE(Open());
  ASSERT_TRUE(player->SoundPlays());
  EXPECT_EQ(sound.BlockCount(), 25);
  player->Play();
  ASSERT_TRUE(PumpUntil([&] { return Count(32818) > 0; }, 10000));
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(Count(32818), 1);
  EXPECT_EQ(player->CurrentFrame(), 40);
  // The sound ran: blocks were written after the prefill, about one per
  // 80 ms of the 1.6 s (the counter is the audio clock).
  EXPECT_GE(sound.GetBlockCounter(), 8);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PlayerOnWindowsTest, WhenDirectSoundFailsTheFilePlaysSilentlyAfterTheMessage) {
  decoder->hasAudio_ = true;
  decoder->samplesPerBlock_ = 0;  // a block of no bytes: no sound buffer can be made
  ASSERT_TRUE(Open());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Can't init DirectSound for playing audio.");
  EXPECT_EQ(messages[0].caption, "DirectSound troubles");
  EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_ICONHAND));
  EXPECT_FALSE(player->SoundPlays());
  EXPECT_FALSE(sound.IsOpen());
  EXPECT_FALSE(holder.IsAudioOpen());
  player->Play();
  ASSERT_TRUE(PumpUntil([&] { return Count(32818) > 0; }, 10000));
  EXPECT_EQ(player->CurrentFrame(), 25);
}

TEST_F(PlayerOnWindowsTest, SeekingFollowsTheIndex) {
  decoder->frameCount_ = 1000;
  decoder->keyframes_ = {0, 250, 750};
  ASSERT_TRUE(Open());
  EXPECT_TRUE(player->Seek(500));
  EXPECT_EQ(player->CurrentFrame(), 250);
  player->Close();
  decoder = new FakeDecoder;
  decoder->frameCount_ = 1000;
  decoder->hasIndex_ = false;
  ASSERT_TRUE(Open());
  EXPECT_FALSE(player->Seek(10));
  EXPECT_TRUE(player->Seek(0));
  EXPECT_EQ(player->CurrentFrame(), 0);
}

}  // namespace
