// How decoded sound reaches the caller's block when it does not fit what is
// still wanted: through the overflow buffer, in order, at most one second of
// it. (Sound that fits goes straight in, as the PCM decoding tests show byte
// for byte.)
#include "decode/decoder_context.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class AudioDeliveryTest : public ::testing::Test {
 protected:
  // 16-bit stereo: 4 bytes per sample frame; one second of 44,100 Hz.
  void SetUp() override {
    context_.bytesPerOutputFrame = 4;
    context_.overflow.capacity = 176400;
    context_.overflow.data.reset(new uint8_t[176400]);
  }
  // Starts a block of the given size, as ReadAudioBlock does.
  void StartBlock(int32_t bytes) {
    block_.assign(bytes, 0xEE);
    context_.bytesWanted = bytes;
    context_.writePointer = block_.data();
  }
  // A decoded sample whose bytes continue a running count.
  std::vector<uint8_t> NextSound(int32_t bytes) {
    std::vector<uint8_t> sound(bytes);
    for (uint8_t& b : sound) b = static_cast<uint8_t>(counter_++);
    return sound;
  }
  // The block holds the running count from first on.
  void ExpectRun(uint8_t first) {
    for (size_t i = 0; i < block_.size(); ++i) {
      ASSERT_EQ(static_cast<uint8_t>(first + i), block_[i]) << "byte " << i;
    }
  }

  DecoderContext context_;
  std::vector<uint8_t> block_;
  int counter_ = 0;
};

}  // namespace

// A sample larger than the rest of the block goes whole to the overflow
// buffer, and a smaller one that would fit queues behind it, or the sound
// would come out of order; the next block takes what is left.
TEST_F(AudioDeliveryTest, ALargeSampleGoesToTheOverflowBufferAndWhatFollowsQueues) {
  StartBlock(3528);
  std::vector<uint8_t> big = NextSound(4000);
  std::vector<uint8_t> small = NextSound(200);
  context_.AcceptDecodedSound(big.data(), 4000);
  EXPECT_EQ(3528, context_.bytesWanted);  // nothing went to the block
  EXPECT_EQ(0xEE, block_[0]);
  context_.AcceptDecodedSound(small.data(), 200);
  EXPECT_EQ(4200, context_.overflow.fill);

  context_.DrainOverflow();
  EXPECT_EQ(0, context_.bytesWanted);
  EXPECT_EQ(3528, context_.overflow.readPosition);  // 672 left for the next block
  EXPECT_EQ(882, context_.samplesProduced);
  ExpectRun(0);
  StartBlock(672);
  context_.DrainOverflow();
  EXPECT_EQ(0, context_.bytesWanted);
  ExpectRun(static_cast<uint8_t>(3528));
}

TEST_F(AudioDeliveryTest, SoundBeyondOneSecondIsDropped) {
  StartBlock(4);
  std::vector<uint8_t> sound = NextSound(100000);
  context_.AcceptDecodedSound(sound.data(), 100000);
  context_.AcceptDecodedSound(sound.data(), 100000);  // does not fit any more
  EXPECT_EQ(100000, context_.overflow.fill);
  context_.AcceptDecodedSound(nullptr, 10);
  context_.AcceptDecodedSound(sound.data(), 0);
  EXPECT_EQ(100000, context_.overflow.fill);
}
