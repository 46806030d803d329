// The sound output on Wine's DirectSound, which plays into the PulseAudio
// null sink in real time.
#include <gtest/gtest.h>

#include "settings/options.h"
#include "audio/sound_output.h"

#include <mmsystem.h>
#include <dsound.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <thread>
#include <vector>

namespace {

// A plain window for SetCooperativeLevel.
class TestWindow {
 public:
  TestWindow() {
    window_ = CreateWindowExA(0, "STATIC", "sound test", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  }
  ~TestWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  HWND Get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Fills every block of the buffer (the write index comes round to 0).
void FillAllBlocks(SoundOutput* output, uint8_t value) {
  for (int32_t i = 0; i < output->BlockCount(); ++i) {
    uint8_t* block = nullptr;
    int32_t frames = 0;
    ASSERT_TRUE(output->LockNextBlock(&block, &frames));
    std::memset(block, value, static_cast<size_t>(output->BlockSize()));
    ASSERT_TRUE(output->UnlockBlock());
  }
}

class SoundOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_options;
    g_options.enableVolumeControl = 1;
    ASSERT_NE(window.Get(), nullptr);
  }
  void TearDown() override {
    output.Close();
    g_options = saved_;
  }

  TestWindow window;
  SoundOutput output;

 private:
  Options saved_;
};

TEST_F(SoundOutputTest, OpensALoopingBufferOfBlocksAndClosesAgain) {
  ASSERT_TRUE(output.Open(window.Get(), 44100, true, true, 4410, 4));
  EXPECT_TRUE(output.IsOpen());
  EXPECT_EQ(output.BlockCount(), 4);
  EXPECT_EQ(output.BlockSize(), 4410 * 4);
  DSBCAPS caps;
  std::memset(&caps, 0, sizeof caps);
  caps.dwSize = sizeof caps;
  ASSERT_EQ(output.Buffer()->GetCaps(&caps), DS_OK);
  EXPECT_EQ(caps.dwBufferBytes, 4u * 4410u * 4u);
  EXPECT_NE(caps.dwFlags & DSBCAPS_CTRLPOSITIONNOTIFY, 0u);
  EXPECT_NE(caps.dwFlags & DSBCAPS_CTRLVOLUME, 0u);
  WAVEFORMATEX format;
  ASSERT_EQ(output.Buffer()->GetFormat(&format, sizeof format, nullptr), DS_OK);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.wBitsPerSample, 16);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.nBlockAlign, 4);
  uint8_t* block = nullptr;
  int32_t frames = 0;
  ASSERT_TRUE(output.LockNextBlock(&block, &frames));
  EXPECT_EQ(frames, 4410);  // sample frames, not bytes
  ASSERT_TRUE(output.UnlockBlock());
  output.Close();
  EXPECT_FALSE(output.IsOpen());
  output.Close();  // safe when closed
  ASSERT_TRUE(output.Open(window.Get(), 22050, false, false, 1000, 3));
  EXPECT_EQ(output.BlockSize(), 1000);
}

TEST_F(SoundOutputTest, ABlockCountBelowTwoIsRaisedToTwo) {
  for (const int32_t blocks : {0, 1}) {
    ASSERT_TRUE(output.Open(window.Get(), 8000, false, false, 800, blocks));
    EXPECT_EQ(output.BlockCount(), 2);
  }
}

TEST_F(SoundOutputTest, TheNotifiedIndexFollowsThePlayCursorBlockByBlock) {
  // Four blocks of 50 ms.
  ASSERT_TRUE(output.Open(window.Get(), 8000, false, false, 400, 4));
  FillAllBlocks(&output, 128);
  EXPECT_FALSE(output.CanWriteBlock());  // the writer has come round to the playing block
  output.SetPlaying(true);
  std::vector<int32_t> seen = {output.NotifiedIndex()};
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (seen.size() < 7 && std::chrono::steady_clock::now() < end) {
    const int32_t index = output.NotifiedIndex();
    if (index != seen.back()) seen.push_back(index);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  output.SetPlaying(false);
  ASSERT_EQ(seen.size(), 7u);
  for (size_t i = 1; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i], (seen[i - 1] + 1) % 4) << "step " << i;
  }
}

TEST_F(SoundOutputTest, TheWriterFillsOnlyTheBlockThatJustPlayed) {
  ASSERT_TRUE(output.Open(window.Get(), 8000, false, false, 400, 4));
  FillAllBlocks(&output, 128);
  EXPECT_EQ(output.WriteIndex(), 0);
  output.SetPlaying(true);
  // Keep writing for a while, as the audio output thread does.
  int32_t written = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
  while (std::chrono::steady_clock::now() < end) {
    if (output.CanWriteBlock()) {
      const int32_t playing = output.NotifiedIndex();
      EXPECT_NE(output.WriteIndex(), playing);
      uint8_t* block = nullptr;
      int32_t frames = 0;
      ASSERT_TRUE(output.LockNextBlock(&block, &frames));
      EXPECT_EQ(frames, 400);
      std::memset(block, 128, 400);
      ASSERT_TRUE(output.UnlockBlock());
      output.CountBlock();
      ++written;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  output.SetPlaying(false);
  // 700 ms of 50 ms blocks: about 14 written (timing varies; not fewer than half).
  EXPECT_GE(written, 7);
  EXPECT_LE(written, 18);
  EXPECT_EQ(output.GetBlockCounter(), written);
}

TEST_F(SoundOutputTest, ResyncPutsTheWriteIndexOnTheNotifiedBlock) {
  ASSERT_TRUE(output.Open(window.Get(), 8000, false, false, 400, 4));
  uint8_t* block = nullptr;
  int32_t frames = 0;
  ASSERT_TRUE(output.LockNextBlock(&block, &frames));
  ASSERT_TRUE(output.UnlockBlock());
  EXPECT_EQ(output.WriteIndex(), 1);
  EXPECT_TRUE(output.CanWriteBlock());
  output.ResyncWriteIndex();
  EXPECT_EQ(output.WriteIndex(), output.NotifiedIndex());
  EXPECT_FALSE(output.CanWriteBlock());
}

// The curve itself has its own test; here it reaches the buffer.
TEST_F(SoundOutputTest, VolumeReachesTheBufferWhenVolumeControlIsOn) {
  ASSERT_TRUE(output.Open(window.Get(), 8000, false, false, 800, 2));
  output.SetVolume(50);
  LONG volume = 1;
  ASSERT_EQ(output.Buffer()->GetVolume(&volume), DS_OK);
  EXPECT_EQ(volume, VolumeForPercent(50));
}

TEST_F(SoundOutputTest, WithoutVolumeControlTheBufferHasNoVolume) {
  g_options.enableVolumeControl = 0;
  ASSERT_TRUE(output.Open(window.Get(), 8000, false, false, 800, 2));
  output.SetVolume(10);  // ignored by the buffer, harmless
  LONG volume = 0;
  EXPECT_NE(output.Buffer()->GetVolume(&volume), DS_OK);
}

TEST_F(SoundOutputTest, PlayingSwitchesOnlyOnChange) {
  ASSERT_TRUE(output.Open(window.Get(), 8000, false, false, 800, 2));
  DWORD status = 0;
  output.SetPlaying(true);
  output.SetPlaying(true);
  ASSERT_EQ(output.Buffer()->GetStatus(&status), DS_OK);
  EXPECT_NE(status & DSBSTATUS_PLAYING, 0u);
  EXPECT_NE(status & DSBSTATUS_LOOPING, 0u);
  output.SetPlaying(false);
  ASSERT_EQ(output.Buffer()->GetStatus(&status), DS_OK);
  EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
}

TEST_F(SoundOutputTest, AFailedOpenLeavesNothingOpenAndAnotherOpenWorks) {
  EXPECT_FALSE(output.Open(window.Get(), 8000, false, false, 0, 2));  // no bytes per block
  EXPECT_FALSE(output.IsOpen());
  EXPECT_FALSE(output.CanWriteBlock());
  uint8_t* block = nullptr;
  int32_t frames = 0;
  EXPECT_FALSE(output.LockNextBlock(&block, &frames));
  EXPECT_FALSE(output.Open(window.Get(), 8000, false, false, 80, 200));  // too many events
  EXPECT_FALSE(output.IsOpen());
  EXPECT_TRUE(output.Open(window.Get(), 8000, false, false, 80, 62));
  EXPECT_TRUE(output.IsOpen());
}

TEST_F(SoundOutputTest, ClosingWhileTheNotificationThreadWaitsEndsIt) {
  // The buffer never plays, so no block notification would ever wake the
  // thread: only the stop event can end it (otherwise Close never returns).
  ASSERT_TRUE(output.Open(window.Get(), 8000, false, false, 8000, 2));
  output.Close();
  EXPECT_FALSE(output.IsOpen());
}

}  // namespace
