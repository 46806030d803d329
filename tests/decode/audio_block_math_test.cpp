// The block arithmetic against the worked numbers: 44,100 Hz at 25 frames per
// second gives 3,528 samples per block, 1,764 at half rate.
#include "decode/audio_block_math.h"

#include <gtest/gtest.h>

namespace {

AudioSourceFacts Facts(int32_t sourceRate, int32_t channels, int32_t videoRate, int32_t videoScale) {
  AudioSourceFacts facts;
  facts.sourceRate = sourceRate;
  facts.channels = channels;
  facts.videoRate = videoRate;
  facts.videoScale = videoScale;
  facts.videoLength = 250;
  return facts;
}

}  // namespace

TEST(AudioOutputFormatTest, WorkedNumbersAt25FramesPerSecond) {
  AudioOutputFormat format;
  ASSERT_TRUE(ComputeAudioOutputFormat(Facts(44100, 2, 25, 1), true, true, true, &format));
  EXPECT_EQ(3528, format.samplesPerBlock);
  EXPECT_EQ(3528, format.outputSamplesPerBlock);
  EXPECT_EQ(44100, format.outputSamplesPerSecond);
  EXPECT_EQ(14112, format.outputBytesPerBlock);  // 16-bit stereo
  EXPECT_EQ(4, BytesPerOutputFrame(format));

  ASSERT_TRUE(ComputeAudioOutputFormat(Facts(44100, 2, 25, 1), true, true, false, &format));
  EXPECT_EQ(3528, format.samplesPerBlock);  // the source still reads a whole block
  EXPECT_EQ(1764, format.outputSamplesPerBlock);
  EXPECT_EQ(22050, format.outputSamplesPerSecond);
  EXPECT_EQ(7056, format.outputBytesPerBlock);
}

TEST(AudioOutputFormatTest, ReducedFormats) {
  AudioOutputFormat format;
  // "Use 8 Bit Depth" and "Deny Stereo": one byte per sample frame.
  ASSERT_TRUE(ComputeAudioOutputFormat(Facts(44100, 2, 25, 1), false, false, true, &format));
  EXPECT_EQ(3528, format.outputBytesPerBlock);
  // A mono file stays mono even when stereo is allowed.
  ASSERT_TRUE(ComputeAudioOutputFormat(Facts(22050, 1, 25, 1), true, true, true, &format));
  EXPECT_EQ(0, format.stereo);
  EXPECT_EQ(1764, format.samplesPerBlock);  // 882 per frame, two frames
  EXPECT_EQ(3528, format.outputBytesPerBlock);
}

TEST(AudioOutputFormatTest, BlocksAreMultiplesOfFourAndAtMostOneSecond) {
  AudioOutputFormat format;
  // 29.97 frames per second: 44,100 x 1001 / 30000 = 1,471 per frame -> 735 x 4.
  ASSERT_TRUE(ComputeAudioOutputFormat(Facts(44100, 2, 30000, 1001), true, true, true, &format));
  EXPECT_EQ(2940, format.samplesPerBlock);
  // One frame per second would make a two-second block: capped at the rate.
  ASSERT_TRUE(ComputeAudioOutputFormat(Facts(8000, 1, 1, 1), true, true, true, &format));
  EXPECT_EQ(8000, format.samplesPerBlock);
  // No usable video rate: one second as well, never a division by zero.
  ASSERT_TRUE(ComputeAudioOutputFormat(Facts(11025, 1, 0, 0), true, true, true, &format));
  EXPECT_EQ(11025, format.samplesPerBlock);
  // No sample rate, or one beyond any real sound (whose blocks would
  // overflow 32 bits): the sound cannot be played.
  EXPECT_FALSE(ComputeAudioOutputFormat(Facts(0, 2, 25, 1), true, true, true, &format));
  EXPECT_FALSE(ComputeAudioOutputFormat(Facts(0x7FFFFFF0, 2, 1, 1), true, true, true, &format));
  ASSERT_TRUE(ComputeAudioOutputFormat(Facts(768000, 2, 1, 1), true, true, true, &format));
  EXPECT_EQ(768000 * 4, format.outputBytesPerBlock);
}

TEST(UnitsPerReadTest, TheFilesDataPerBlockOverTheVideosDuration) {
  // 10 s of video, 16-bit stereo PCM: 1,764,000 bytes in units of 4 bytes.
  AudioSourceFacts facts = Facts(44100, 2, 25, 1);
  facts.sampleSize = 4;
  facts.totalBytes = 1764000;
  EXPECT_EQ(3528, UnitsPerRead(facts, 3528));
  // Sound that lasts only half as long as the video reads half as much per block.
  facts.totalBytes = 882000;
  EXPECT_EQ(1764, UnitsPerRead(facts, 3528));
  // Truncated toward zero, at least one.
  facts.totalBytes = 1764003;
  EXPECT_EQ(3528, UnitsPerRead(facts, 3528));
  facts.totalBytes = 1;
  EXPECT_EQ(1, UnitsPerRead(facts, 3528));
  // Without totals (no index) or without a video length: samples per block.
  facts.totalBytes = 0;
  EXPECT_EQ(3528, UnitsPerRead(facts, 3528));
  facts.totalBytes = 1764000;
  facts.videoLength = 0;
  EXPECT_EQ(3528, UnitsPerRead(facts, 3528));
  // One chunk for variable-size samples (ffmpeg's MP3 in AVI).
  facts.sampleSize = 0;
  EXPECT_EQ(1, UnitsPerRead(facts, 3528));
}

TEST(AudioStreamPositionTest, BlockStartsInStreamUnits) {
  // PCM: dwRate 176,400 bytes per second in units of dwScale 4 bytes.
  EXPECT_EQ(3528 * 7, AudioStreamPosition(7, 3528, 176400, 44100, 4));
  // MP3: one unit per frame of 1,152 samples (dwRate 44,100, dwScale 1,152).
  EXPECT_EQ(3, AudioStreamPosition(1, 3528, 44100, 44100, 1152));
  EXPECT_EQ(30, AudioStreamPosition(10, 3528, 44100, 44100, 1152));
  // 64-bit products: block 600,000 of a 48 kHz stream.
  EXPECT_EQ(2116800000, AudioStreamPosition(600000, 3528, 48000, 48000, 1));
  EXPECT_EQ(0, AudioStreamPosition(5, 3528, 44100, 0, 1));
  EXPECT_EQ(0, AudioStreamPosition(5, 3528, 44100, 44100, 0));
}

TEST(DriftCheckTest, RunsEveryTenSecondsAndToleratesUpTo200Milliseconds) {
  // 44,100 x 10 / 3,528 = 125 blocks in ten seconds.
  EXPECT_TRUE(IsDriftCheckBlock(0, 44100, 3528));
  EXPECT_TRUE(IsDriftCheckBlock(125, 44100, 3528));
  EXPECT_TRUE(IsDriftCheckBlock(250, 44100, 3528));
  EXPECT_FALSE(IsDriftCheckBlock(124, 44100, 3528));
  EXPECT_FALSE(IsDriftCheckBlock(5, 44100, 0));

  // 10 s produced at 44.1 kHz, nothing buffered.
  EXPECT_EQ(10000, DecodedMilliseconds(0, 4, 441000, 44100));
  // 8,820 buffered bytes of 16-bit stereo are 50 ms more.
  EXPECT_EQ(10050, DecodedMilliseconds(8820, 4, 441000, 44100));
  // PCM read position 441,000 units of 4 bytes at 176,400 bytes per second.
  EXPECT_EQ(10000, SourceMilliseconds(441000, 4, 176400));
  // The threshold: 201 ms apart repositions, 200 does not.
  const int64_t source = SourceMilliseconds(441000, 4, 176400);
  EXPECT_GT(DecodedMilliseconds(0, 4, 441000 + 8865, 44100) - source, kMaxDriftMilliseconds);
  EXPECT_EQ(kMaxDriftMilliseconds, DecodedMilliseconds(0, 4, 441000 + 8820, 44100) - source);
  EXPECT_EQ(0, SourceMilliseconds(100, 1, 0));
  // A crafted scale: seconds beyond any clip saturate rather than overflow.
  EXPECT_EQ(INT64_MAX, SourceMilliseconds(INT32_MAX, INT32_MAX, 1));
  EXPECT_EQ(INT64_MIN, SourceMilliseconds(INT32_MIN, INT32_MAX, 1));
  EXPECT_EQ(int64_t{INT32_MAX} * INT32_MAX / 1000, SourceMilliseconds(INT32_MAX, INT32_MAX, 1000000));
  EXPECT_EQ(0, DecodedMilliseconds(100, 0, 10, 44100));
}
