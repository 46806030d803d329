#include <gtest/gtest.h>

#include "engine/ring_sizing.h"
#include "engine/sample_ring.h"

#include <cstring>
#include <tuple>
#include <utility>

namespace {

// Never allocated, or freed: every operation refuses.
TEST(SampleRing, WithoutStorageEveryOperationRefuses) {
  SampleRing ring;
  EXPECT_EQ(ring.WriteSlot(), nullptr);
  ASSERT_TRUE(ring.Allocate(4, 2));
  ring.Commit(1);
  ring.Free();
  uint8_t flag = 7;
  EXPECT_EQ(std::make_tuple(ring.Capacity(), ring.WriteSlot(), ring.Commit(1), ring.ReadSlot(&flag), ring.Release()),
            std::make_tuple(0, nullptr, false, nullptr, false));
  EXPECT_EQ(std::make_tuple(flag, ring.FillPercent()), std::make_tuple(uint8_t{7}, 0));
  EXPECT_FALSE(ring.Allocate(16, 0));
  EXPECT_EQ(ring.WriteSlot(), nullptr);
}

// In order with their flags across the wrap (five rounds of filling a ring
// of three and taking two out, then the last); a full ring refuses writes
// and keeps its flags, an empty one refuses reads. The fill is a truncated
// percentage.
TEST(SampleRing, ElementsComeOutInOrderWithTheirFlagsAcrossTheWrapButNotPastFullOrEmpty) {
  SampleRing ring;
  ASSERT_TRUE(ring.Allocate(4, 3));
  int32_t written = 0, read = 0;
  for (const int32_t taken : {2, 2, 2, 2, 3}) {
    while (uint8_t* slot = ring.WriteSlot()) {
      std::memcpy(slot, &written, 4);
      ASSERT_TRUE(ring.Commit(static_cast<uint8_t>(written++ % 3)));
    }
    EXPECT_EQ(std::make_tuple(ring.Count(), ring.FillPercent(), ring.Commit(0)), std::make_tuple(3, 100, false));
    for (const int32_t last = read + taken; read < last; ++read) {
      uint8_t flag = 99;
      const uint8_t* slot = ring.ReadSlot(&flag);
      ASSERT_NE(slot, nullptr);
      EXPECT_EQ(std::make_tuple(std::memcmp(slot, &read, 4), int32_t{flag}), std::make_tuple(0, read % 3)) << read;
      ASSERT_TRUE(ring.Release());
    }
    EXPECT_EQ(ring.FillPercent(), (3 - taken) * 33);  // 1 of 3: 33 %
  }
  uint8_t flag = 0;
  EXPECT_EQ(std::make_tuple(written, ring.ReadSlot(&flag), ring.Release()), std::make_tuple(11, nullptr, false));
}

// Clear drops the queue and writes go on after the last committed element;
// allocating again starts empty.
TEST(SampleRing, ClearDropsTheQueueAndWritesContinueAfterTheLastCommittedAllocateEmpties) {
  SampleRing ring;
  ASSERT_TRUE(ring.Allocate(4, 4));
  uint8_t* first = ring.WriteSlot();
  ring.Commit(1);
  uint8_t* second = ring.WriteSlot();
  ring.Commit(1);
  uint8_t* third = ring.WriteSlot();
  ring.Clear();
  uint8_t flag = 0;
  EXPECT_EQ(std::make_tuple(ring.Count(), ring.ReadSlot(&flag), ring.WriteSlot()), std::make_tuple(0, nullptr, third));
  EXPECT_NE(second, first);
  ring.Commit(2);
  EXPECT_EQ(ring.ReadSlot(&flag), third);
  EXPECT_EQ(flag, 2);
  ASSERT_TRUE(ring.Allocate(16, 5));
  EXPECT_EQ(std::make_tuple(ring.Count(), ring.Capacity(), ring.ElementSize()), std::make_tuple(0, 5, size_t{16}));
}

// Frame rows take two bytes a pixel, rounded up to four; the budget is the
// chosen share of free memory, and even a small one gives five frames.
TEST(RingSizing, FrameStridesBudgetsAndCapacities) {
  for (const auto& c : {std::make_pair(640, 1280), {1, 4}, {3, 8}, {321, 644}}) {
    EXPECT_EQ(FrameStride(c.first), c.second) << c.first;
  }
  const uint64_t budgets[] = {750, 100, 200, 333, 500};  // Auto Allocation: 500 + 250
  for (uint32_t choice = 0; choice < 5; ++choice) EXPECT_EQ(FrameBudget(1000, choice), budgets[choice]) << choice;
  EXPECT_EQ(FrameBudget(1001, 0), 750u);  // 500 + 250, each division truncated
  EXPECT_EQ(FrameRingCapacity(1000, 614400), 5);
  EXPECT_EQ(FrameRingCapacity(0, 614400), 5);
  EXPECT_EQ(FrameRingCapacity(6 * 614400ull, 614400), 6);
}

// The sound buffer holds two seconds in at least two blocks; the block ring
// the frame ring's playing time and five blocks more than the buffer.
TEST(RingSizing, SoundBufferAndBlockRing) {
  EXPECT_EQ(SoundBufferBlocks(44100, 4410), 20);
  EXPECT_EQ(SoundBufferBlocks(44100, 4411), 20);  // 20 x 4411 >= 88200
  EXPECT_EQ(SoundBufferBlocks(44100, 4409), 21);
  EXPECT_EQ(SoundBufferBlocks(8000, 100000), 2);
  EXPECT_EQ(SoundBufferBlocks(22050, 1764), 25);
  // 44,100 Hz in blocks of 4,410: 20 sound buffer blocks, so at least 25.
  EXPECT_EQ(BlockRingCapacity(1, 44100, 5, 25, 4410, 20), 25);
  // 341 frames at 25 fps = 13.64 s = 136 blocks of 0.1 s (truncated).
  EXPECT_EQ(BlockRingCapacity(1, 44100, 341, 25, 4410, 20), 136);
  // NTSC timing: 1001/30000, 1,000 frames, 1,764-sample blocks at 44,100 Hz.
  EXPECT_EQ(BlockRingCapacity(1001, 44100, 1000, 30000, 1764, 50), 834);
  // A crafted scale with a large ring: capped, not overflowed; just below the
  // cap the count stays exact.
  EXPECT_EQ(BlockRingCapacity(INT32_MAX, 768000, INT32_MAX, 1, 1, 2), INT32_MAX);
  EXPECT_EQ(BlockRingCapacity(INT32_MAX, 1, 3, 2, 4, 2), 805306367);
  // Whatever the count, the ring takes at most 1 GiB, and never fewer blocks
  // than the sound buffer's and five more.
  EXPECT_EQ(BoundedBlockRing(INT32_MAX, 17640, 20), 60869);  // 2^30 / 17,640
  EXPECT_EQ(BoundedBlockRing(136, 17640, 20), 136);
  EXPECT_EQ(BoundedBlockRing(INT32_MAX, 3072000, 2000), 2005);
}

}  // namespace
