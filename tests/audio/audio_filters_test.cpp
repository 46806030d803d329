#include "audio/audio_filters.h"

#include "tests/video/pixel_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<uint8_t> Samples16(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

std::vector<int16_t> As16(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Every 16-bit value as a left sample beside a random right one (65536
// stereo frames); every pair of 8-bit values (65536 stereo frames).
std::vector<uint8_t> AllStereo16(std::mt19937* random) {
  std::vector<int16_t> samples;
  for (int32_t v = -32768; v < 32768; ++v) {
    samples.push_back(static_cast<int16_t>(v));
    samples.push_back(static_cast<int16_t>((*random)()));
  }
  return Samples16(samples);
}
std::vector<uint8_t> AllStereo8() {
  std::vector<uint8_t> bytes;
  for (int l = 0; l < 256; ++l)
    for (int r = 0; r < 256; ++r) {
      bytes.push_back(static_cast<uint8_t>(l));
      bytes.push_back(static_cast<uint8_t>(r));
    }
  return bytes;
}

// The fast forms are compared with the reference below; here what a
// swap does, on a count that leaves the last frame alone.
TEST(SwapChannels, ExchangesLeftAndRight) {
  std::vector<uint8_t> out16 = Samples16({1, -2, 3, -4, 5, -6});
  SwapChannels(out16.data(), true, true, 2);
  EXPECT_EQ(As16(out16), std::vector<int16_t>({-2, 1, -4, 3, 5, -6}));
  std::vector<uint8_t> out8 = {1, 2, 3, 4, 5, 6};
  SwapChannels(out8.data(), true, false, 2);
  EXPECT_EQ(out8, std::vector<uint8_t>({2, 1, 4, 3, 5, 6}));
}

// Worked samples, wrapping at the ends of the range: 16-bit takes right -
// left, 8-bit left - right around 128; identical channels cancel. The last
// frame lies beyond the count.
TEST(RemoveVoice, BothChannelsTakeTheDifference) {
  std::vector<uint8_t> out16 = Samples16({100, 300, -32768, 32767, 32767, -32768, 1234, 1234, 5, 9});
  RemoveVoice(out16.data(), true, true, 4);
  EXPECT_EQ(As16(out16), std::vector<int16_t>({200, 200, -1, -1, 1, 1, 0, 0, 5, 9}));
  std::vector<uint8_t> out8 = {200, 10, 10, 200, 255, 0, 17, 17, 5, 9};
  RemoveVoice(out8.data(), true, false, 4);
  EXPECT_EQ(out8, std::vector<uint8_t>({62, 62, 194, 194, 127, 127, 128, 128, 5, 9}));
}

TEST(AudioFilters, MonoPassesSwapAndVoiceRemoval) {
  std::mt19937 random(62);
  const std::vector<uint8_t> block = AllStereo16(&random);
  for (bool sixteen : {true, false}) {
    std::vector<uint8_t> out = block;
    SwapChannels(out.data(), false, sixteen, 1000);
    RemoveVoice(out.data(), false, sixteen, 1000);
    EXPECT_EQ(out, block);
  }
}

// The start level 0x600000 stands for a divisor of 96, but the level falls
// by 8 before the first sample is scaled: quiet samples get 96 / 95.
TEST(AutoVolume, StartsJustAboveUnityGain) {
  int32_t level = kAutoVolumeStartLevel;
  std::vector<uint8_t> quiet = Samples16({100, -100, 3000, -3000, 95, 0});
  AutoVolume(quiet.data(), true, true, 3, &level);
  EXPECT_EQ(As16(quiet), std::vector<int16_t>({101, -101, 3031, -3031, 96, 0}));
  EXPECT_EQ(level, kAutoVolumeStartLevel - 6 * 8);
  std::vector<uint8_t> quiet8 = {128, 100, 160};
  level = kAutoVolumeStartLevel;
  AutoVolume(quiet8.data(), false, false, 3, &level);
  EXPECT_EQ(quiet8, std::vector<uint8_t>({128, 100, 160})) << "28 x 96 / 95 truncates to 28";
}

TEST(AutoVolume, LoudSampleRaisesTheLevelAtOnce) {
  int32_t level = kAutoVolumeStartLevel;
  std::vector<uint8_t> loud = Samples16({-32768, 32767});
  AutoVolume(loud.data(), false, true, 2, &level);
  // a = 8388608, minus 8: divisor 127; -32768 x 96 / 127 = -24769.
  // Then 32767 x 256 = 8388352 is below the level: 8388600 - 8, divisor 127,
  // 32767 x 96 / 127 = 24768.9.
  EXPECT_EQ(As16(loud), std::vector<int16_t>({-24769, 24768}));
  EXPECT_EQ(level, 8388608 - 16);
}

TEST(AutoVolume, LongSilenceRaisesTheGainToSix) {
  int32_t level = kAutoVolumeStartLevel;
  std::vector<uint8_t> silence(2 * 700000, 0);
  AutoVolume(silence.data(), false, true, 700000, &level);
  EXPECT_EQ(level, 0x100000);
  std::vector<uint8_t> soft = Samples16({100, -100});
  AutoVolume(soft.data(), false, true, 2, &level);
  EXPECT_EQ(As16(soft), std::vector<int16_t>({600, -600}));
  // 8-bit: s = 10 after silence gives 10 x 96 / 16 = 60 around 128.
  std::vector<uint8_t> soft8 = {138, 118};
  AutoVolume(soft8.data(), false, false, 2, &level);
  EXPECT_EQ(soft8, std::vector<uint8_t>({188, 68}));
}

TEST(AutoVolume, GlobalLevelCarriesAcrossBlocks) {
  const int32_t saved = g_autoVolumeLevel;
  g_autoVolumeLevel = kAutoVolumeStartLevel;
  std::vector<uint8_t> block = Samples16({0, 0, 0});
  AutoVolume(block.data(), false, true, 3);
  AutoVolume(block.data(), false, true, 3);
  EXPECT_EQ(g_autoVolumeLevel, kAutoVolumeStartLevel - 6 * 8);
  AudioFilterFlags flags{};
  flags.autoVolume = 1;
  ApplyAudioFilters(flags, block.data(), false, true, 3);
  EXPECT_EQ(g_autoVolumeLevel, kAutoVolumeStartLevel - 9 * 8);
  g_autoVolumeLevel = saved;
}

// Every 16-bit sample in several orders (rising, falling, shuffled, with
// silences between), and every 8-bit sample: the fast form gives the
// reference's samples and level.
TEST(AutoVolume, FastFormMatchesReferenceForEverySample) {
  std::mt19937 random(63);
  std::vector<int16_t> rising;
  for (int32_t v = -32768; v < 32768; ++v) rising.push_back(static_cast<int16_t>(v));
  std::vector<int16_t> falling(rising.rbegin(), rising.rend()), shuffled = rising, gaps;
  std::shuffle(shuffled.begin(), shuffled.end(), random);
  for (int32_t v = -32768; v < 32768; v += 97) {
    gaps.push_back(static_cast<int16_t>(v));
    gaps.insert(gaps.end(), random() % 3000, 0);
  }
  for (const auto* order : {&rising, &falling, &shuffled, &gaps}) {
    for (int32_t start : {kAutoVolumeStartLevel, 0x100000, 0x7FFFFF}) {
      const std::vector<uint8_t> block = Samples16(*order);
      std::vector<uint8_t> want = block, got = block;
      int32_t wantLevel = start, gotLevel = start;
      reference::AutoVolume(want.data(), true, true, static_cast<int32_t>(order->size() / 2), &wantLevel);
      AutoVolume(got.data(), true, true, static_cast<int32_t>(order->size() / 2), &gotLevel);
      ASSERT_EQ(FirstDifference(got, want), -1);
      ASSERT_EQ(gotLevel, wantLevel);
    }
  }
  std::vector<uint8_t> bytes8 = AllStereo8();
  std::shuffle(bytes8.begin(), bytes8.end(), random);
  std::vector<uint8_t> want = bytes8, got = bytes8;
  int32_t wantLevel = kAutoVolumeStartLevel, gotLevel = kAutoVolumeStartLevel;
  reference::AutoVolume(want.data(), false, false, static_cast<int32_t>(want.size()), &wantLevel);
  AutoVolume(got.data(), false, false, static_cast<int32_t>(got.size()), &gotLevel);
  ASSERT_EQ(FirstDifference(got, want), -1);
  ASSERT_EQ(gotLevel, wantLevel);
}

// Swap and Voice Removal: vector forms against the reference on blocks of
// every length around the vector width.
TEST(AudioFilters, FastFormsMatchReference) {
  std::mt19937 random(64);
  for (int32_t frames = 0; frames < 40; ++frames) {
    for (bool sixteen : {true, false}) {
      for (auto pair : {std::make_pair(SwapChannels, reference::SwapChannels),
                        std::make_pair(RemoveVoice, reference::RemoveVoice)}) {
        ExpectFastFormMatches(
            static_cast<size_t>(frames) * (sixteen ? 4 : 2), &random,
            [&](uint8_t* out) { pair.second(out, true, sixteen, frames); },
            [&](uint8_t* out) { pair.first(out, true, sixteen, frames); },
            std::to_string(frames) + (sixteen ? " 16-bit" : " 8-bit"));
      }
    }
  }
}

TEST(AudioFilters, ChainRunsSwapThenVolumeThenVoiceRemoval) {
  AudioFilterFlags flags{};
  flags.swapChannels = 1;
  flags.voiceRemoval = 1;
  std::vector<uint8_t> block = Samples16({100, 300});
  ApplyAudioFilters(flags, block.data(), true, true, 1);
  // Swapped to (300, 100) first, so right - left = -200 (not +200).
  EXPECT_EQ(As16(block), std::vector<int16_t>({-200, -200}));
  std::vector<uint8_t> untouched = Samples16({100, 300});
  ApplyAudioFilters(AudioFilterFlags{}, untouched.data(), true, true, 1);
  EXPECT_EQ(As16(untouched), std::vector<int16_t>({100, 300}));
}

}  // namespace
