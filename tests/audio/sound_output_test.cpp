// The sound output on Wine's DirectSound, which plays into the PulseAudio
// null sink in real time.
#include <gtest/gtest.h>

#include "settings/options.h"
#include "audio/sound_output.h"
#include "tests/common/failing_allocations.h"

#include <mmsystem.h>
#include <dsound.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Writes silence into the block at the write index: its frame count, or -1.
int32_t WriteSilence(SoundOutput* output) {
  uint8_t* block = nullptr;
  int32_t frames = 0;
  if (!output->LockNextBlock(&block, &frames)) return -1;
  std::memset(block, 128, static_cast<size_t>(output->BlockSize()));
  return output->UnlockBlock() ? frames : -1;
}

class SoundOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_options.enableVolumeControl = 1;
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    output.Close();
    DestroyWindow(window);
    g_options = saved;
  }

  const Options saved = g_options;
  // A plain window for SetCooperativeLevel.
  HWND window = CreateWindowExA(0, "STATIC", "sound test", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  SoundOutput output;
};

// Opens of every shape, failed ones closing everything and leaving the
// output ready for the next; its volume.
TEST_F(SoundOutputTest, OpensABufferOfBlocksOrNothing) {
  // Frames and blocks asked, the blocks opened (0: no open). Raised to two
  // blocks; no bytes per block; more blocks than a wait takes events.
  const int32_t cases[][3] = {{800, 0, 2}, {800, 1, 2}, {0, 2, 0}, {80, 62, 62}, {80, 200, 200}};
  for (const auto& c : cases) {
    EXPECT_EQ(c[2] > 0, output.Open(window, 8000, false, false, c[0], c[1])) << c[1];
    EXPECT_EQ(c[2] > 0, output.IsOpen());
    if (c[2] > 0) {
      EXPECT_EQ(output.BlockCount(), c[2]);
      EXPECT_EQ(output.BlockSize(), c[0]);  // 8-bit mono: a byte a frame
    } else {
      EXPECT_FALSE(output.CanWriteBlock());
      EXPECT_EQ(-1, WriteSilence(&output));
    }
  }

  {
    // Without memory for the notification table (100 entries, of a size that
    // follows the pointer size) the open fails cleanly.
    FailingAllocations noTable(100 * sizeof(DSBPOSITIONNOTIFY), 100000);
    EXPECT_FALSE(output.Open(window, 8000, false, false, 80, 100));
    EXPECT_GT(noTable.Refused(), 0);
    EXPECT_FALSE(output.IsOpen());
  }
  ASSERT_TRUE(output.Open(window, 44100, true, true, 4410, 4));
  EXPECT_EQ(output.BlockSize(), 4410 * 4);
  // The buffer's size and notifications show in the writer test below.
  WAVEFORMATEX format;
  ASSERT_EQ(output.Buffer()->GetFormat(&format, sizeof format, nullptr), DS_OK);
  EXPECT_EQ(format.nBlockAlign, 4);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(4410, WriteSilence(&output));  // sample frames, not bytes
  // The volume (the curve has its own test) reaches the buffer, which has
  // one only with volume control on.
  for (const uint8_t control : {1, 0}) {
    g_options.enableVolumeControl = control;
    ASSERT_TRUE(output.Open(window, 8000, false, false, 800, 2));
    output.SetVolume(50);  // harmless without control
    LONG volume = 1;
    EXPECT_EQ(output.Buffer()->GetVolume(&volume) == DS_OK, control != 0);
    EXPECT_EQ(volume, control ? VolumeForPercent(50) : 1);
  }
  output.Close();
  EXPECT_FALSE(output.IsOpen());
  output.Close();  // safe when closed
}

// Blocks written as the audio output thread writes them: the notified index
// follows the play cursor round the looping buffer, and the writer fills only
// blocks that have played. Four blocks of 50 ms step one at a time; 243 blocks
// of 8.25 ms (a 240 fps file's sound, past the 62 events a wait can take)
// step on through every part of the buffer, never more than Wine's mixing
// ahead at the start (about 60 ms) at once, and never back.
TEST_F(SoundOutputTest, TheWriterFollowsThePlayCursorBlockByBlock) {
  const struct {
    int32_t rate;
    bool wide;  // 16-bit stereo, else 8-bit mono
    int32_t frames, blocks, milliseconds, longestStep;
  } cases[] = {{8000, false, 400, 4, 700, 1}, {44100, true, 364, 243, 1500, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.blocks);
    ASSERT_TRUE(output.Open(window, c.rate, c.wide, c.wide, c.frames, c.blocks));
    ASSERT_EQ(c.frames, WriteSilence(&output));
    output.ResyncWriteIndex();  // back onto the notified block
    EXPECT_EQ(output.WriteIndex(), 0);
    for (int i = 0; i < c.blocks; ++i) ASSERT_EQ(c.frames, WriteSilence(&output));
    EXPECT_EQ(output.WriteIndex(), 0);
    EXPECT_FALSE(output.CanWriteBlock());  // the writer has come round to the playing block
    output.SetPlaying(true);
    std::vector<int32_t> seen = {output.NotifiedIndex()};
    int32_t written = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(c.milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      if (output.NotifiedIndex() != seen.back()) seen.push_back(output.NotifiedIndex());
      if (output.CanWriteBlock()) {
        EXPECT_NE(output.WriteIndex(), output.NotifiedIndex());
        ASSERT_EQ(c.frames, WriteSilence(&output));
        output.CountBlock();
        ++written;
      }
      std::this_thread::yield();  // the loop watches the cursor for the whole time
    }
    output.SetPlaying(false);
    DWORD status = 0;
    ASSERT_EQ(output.Buffer()->GetStatus(&status), DS_OK);
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
    for (size_t i = 1; i < seen.size(); ++i) {
      const int32_t step = (seen[i] - seen[i - 1] + c.blocks) % c.blocks;
      EXPECT_GE(step, 1) << "step " << i;
      EXPECT_LE(step, c.longestStep) << "step " << i << " to block " << seen[i];
    }
    // About the blocks the time holds (timing varies: not fewer than half,
    // and more than a buffer that did not loop or follow would take).
    const int32_t played = c.milliseconds * c.rate / 1000 / c.frames;
    EXPECT_GE(written, played / 2);
    EXPECT_LE(written, played * 13 / 10);
    EXPECT_GE(*std::max_element(seen.begin(), seen.end()), std::min(c.blocks - 1, 100))
        << "the cursor was not followed round the buffer";
    EXPECT_EQ(output.GetBlockCounter(), written);
  }
}

}  // namespace
