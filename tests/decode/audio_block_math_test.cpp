// The block arithmetic against the worked numbers: 44,100 Hz at 25 frames per
// second gives 3,528 samples per block, 1,764 at half rate.
#include "decode/audio_block_math.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// 250 frames of video.
AudioSourceFacts Facts(int32_t sourceRate, int32_t channels, int32_t videoRate, int32_t videoScale) {
  return {sourceRate, channels, videoRate, videoScale, 250};
}

}  // namespace

// Blocks are one video frame of sound in a multiple of four samples, at most
// one second; the options reduce what comes out of them.
TEST(AudioOutputFormatTest, WorkedNumbers) {
  // Expected -1: refused; else stereo, samples per block (source and output), output rate and bytes per block.
  struct Case {
    const char* what;
    AudioSourceFacts facts;
    bool sixteenBit, stereoAllowed, fullRate;
    std::vector<int32_t> expected;
  };
  const Case cases[] = {
      {"16-bit stereo", Facts(44100, 2, 25, 1), true, true, true, {1, 3528, 3528, 44100, 14112}},
      // The source still reads a whole block.
      {"half rate", Facts(44100, 2, 25, 1), true, true, false, {1, 3528, 1764, 22050, 7056}},
      {"8-bit, Deny Stereo", Facts(44100, 2, 25, 1), false, false, true, {0, 3528, 3528, 44100, 3528}},
      // 882 per frame, two frames.
      {"a mono file stays mono", Facts(22050, 1, 25, 1), true, true, true, {0, 1764, 1764, 22050, 3528}},
      // 44,100 x 1001 / 30000 = 1,471 per frame -> 735 x 4.
      {"29.97 fps", Facts(44100, 2, 30000, 1001), true, true, true, {1, 2940, 2940, 44100, 11760}},
      {"two-second frames capped", Facts(8000, 1, 1, 1), true, true, true, {0, 8000, 8000, 8000, 16000}},
      {"no video rate: one second", Facts(11025, 1, 0, 0), true, true, true, {0, 11025, 11025, 11025, 22050}},
      {"no sample rate", Facts(0, 2, 25, 1), true, true, true, {-1}},
      // Blocks of such a rate would overflow 32 bits.
      {"beyond any real sound", Facts(0x7FFFFFF0, 2, 1, 1), true, true, true, {-1}},
      {"the highest rate", Facts(768000, 2, 1, 1), true, true, true, {1, 768000, 768000, 768000, 768000 * 4}},
  };
  for (const Case& c : cases) {
    AudioOutputFormat f;
    const bool computed = ComputeAudioOutputFormat(c.facts, c.sixteenBit, c.stereoAllowed, c.fullRate, &f);
    EXPECT_EQ(computed, c.expected[0] >= 0) << c.what;
    if (!computed) continue;
    EXPECT_EQ(c.expected, (std::vector<int32_t>{f.stereo, f.samplesPerBlock, f.outputSamplesPerBlock,
                                                f.outputSamplesPerSecond, f.outputBytesPerBlock}))
        << c.what;
    EXPECT_EQ(f.outputBytesPerBlock / f.outputSamplesPerBlock, BytesPerOutputFrame(f)) << c.what;
  }
}

// The file's data per block over the video's duration, in units of the
// sample size (here 10 s of video, 16-bit stereo PCM, units of 4 bytes).
TEST(UnitsPerReadTest, TheFilesDataPerBlockOverTheVideosDuration) {
  struct Case { const char* what; uint32_t totalBytes; int32_t videoLength, sampleSize, units; };
  const Case cases[] = {
      {"as long as the video", 1764000, 250, 4, 3528}, {"half as long as the video", 882000, 250, 4, 1764},
      {"truncated toward zero", 1764003, 250, 4, 3528}, {"at least one", 1, 250, 4, 1},
      {"no totals (no index)", 0, 250, 4, 3528},        {"no video length", 1764000, 0, 4, 3528},
      {"variable-size samples (ffmpeg's MP3 in AVI): one chunk", 1764000, 0, 0, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.units, UnitsPerRead({44100, 2, 25, 1, c.videoLength, c.sampleSize, c.totalBytes}, 3528)) << c.what;
  }
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
  for (const int32_t block : {0, 125, 250}) EXPECT_TRUE(IsDriftCheckBlock(block, 44100, 3528)) << block;
  EXPECT_FALSE(IsDriftCheckBlock(124, 44100, 3528));
  EXPECT_FALSE(IsDriftCheckBlock(5, 44100, 0));

  // 10 s produced at 44.1 kHz, nothing buffered; 8,820 buffered bytes of
  // 16-bit stereo are 50 ms more.
  EXPECT_EQ(10000, DecodedMilliseconds(0, 4, 441000, 44100));
  EXPECT_EQ(10050, DecodedMilliseconds(8820, 4, 441000, 44100));
  EXPECT_EQ(0, DecodedMilliseconds(100, 0, 10, 44100));
  // PCM read position 441,000 units of 4 bytes at 176,400 bytes per second.
  const int64_t source = SourceMilliseconds(441000, 4, 176400);
  EXPECT_EQ(10000, source);
  // The threshold: 201 ms apart repositions, 200 does not.
  EXPECT_GT(DecodedMilliseconds(0, 4, 441000 + 8865, 44100) - source, kMaxDriftMilliseconds);
  EXPECT_EQ(kMaxDriftMilliseconds, DecodedMilliseconds(0, 4, 441000 + 8820, 44100) - source);
  EXPECT_EQ(0, SourceMilliseconds(100, 1, 0));
  // A crafted scale: seconds beyond any clip saturate rather than overflow.
  EXPECT_EQ(INT64_MAX, SourceMilliseconds(INT32_MAX, INT32_MAX, 1));
  EXPECT_EQ(INT64_MIN, SourceMilliseconds(INT32_MIN, INT32_MAX, 1));
  EXPECT_EQ(int64_t{INT32_MAX} * INT32_MAX / 1000, SourceMilliseconds(INT32_MAX, INT32_MAX, 1000000));
}
