#include "audio/audio_filters.h"

#include "tests/video/pixel_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Samples as the block's bytes: 16-bit little-endian or 8-bit.
std::vector<uint8_t> Block(const std::vector<int>& samples, bool sixteen) {
  std::vector<uint8_t> bytes;
  for (int s : samples) {
    bytes.push_back(static_cast<uint8_t>(s));
    if (sixteen) bytes.push_back(static_cast<uint8_t>(s >> 8));
  }
  return bytes;
}

// Worked samples; the fast forms are compared with the reference below.
// Swaps and voice removal leave the frames beyond the count and mono blocks
// alone. Voice removal wraps at the ends of the range: 16-bit takes right -
// left, 8-bit left - right around 128; identical channels cancel. Auto
// Volume's start level 0x600000 stands for a divisor of 96, but the level
// falls by 8 before each sample is scaled: quiet samples get 96 / 95. A loud
// sample raises the level at once; a long silence lowers it to its floor, a
// gain of six.
TEST(AudioFilters, WorkedSamplesAndLevels) {
  const struct {
    const char* what;
    void (*filter)(uint8_t*, bool, bool, int32_t);  // null: Auto Volume
    bool stereo, sixteen;
    int32_t frames, level;
    std::vector<int> in, want;
    int32_t wantLevel;
  } cases[] = {
      {"swap 16", SwapChannels, true, true, 2, 0, {1, -2, 3, -4, 5, -6}, {-2, 1, -4, 3, 5, -6}, 0},
      {"swap 8", SwapChannels, true, false, 2, 0, {1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 5, 6}, 0},
      {"swap mono", SwapChannels, false, true, 4, 0, {1, -2, 3, -4}, {1, -2, 3, -4}, 0},
      {"voice 16", RemoveVoice, true, true, 4, 0, {100, 300, -32768, 32767, 32767, -32768, 1234, 1234, 5, 9},
       {200, 200, -1, -1, 1, 1, 0, 0, 5, 9}, 0},
      {"voice 8", RemoveVoice, true, false, 4, 0, {200, 10, 10, 200, 255, 0, 17, 17, 5, 9},
       {62, 62, 194, 194, 127, 127, 128, 128, 5, 9}, 0},
      {"voice mono", RemoveVoice, false, false, 4, 0, {200, 10, 10, 200}, {200, 10, 10, 200}, 0},
      {"quiet", nullptr, true, true, 3, kAutoVolumeStartLevel, {100, -100, 3000, -3000, 95, 0},
       {101, -101, 3031, -3031, 96, 0}, kAutoVolumeStartLevel - 6 * 8},
      {"quiet 8-bit: 28 x 96 / 95 truncates to 28", nullptr, false, false, 3, kAutoVolumeStartLevel,
       {128, 100, 160}, {128, 100, 160}, kAutoVolumeStartLevel - 3 * 8},
      // a = 8388608, minus 8: divisor 127; -32768 x 96 / 127 = -24769. Then
      // 32767 x 256 = 8388352 is below the level: 8388600 - 8, divisor 127,
      // 32767 x 96 / 127 = 24768.9.
      {"loud", nullptr, false, true, 2, kAutoVolumeStartLevel, {-32768, 32767}, {-24769, 24768}, 8388608 - 16},
      {"long silence", nullptr, false, true, 700000, kAutoVolumeStartLevel, std::vector<int>(700000),
       std::vector<int>(700000), 0x100000},
      {"soft after silence", nullptr, false, true, 2, 0x100000, {100, -100}, {600, -600}, 0x100000},
      // s = 10 gives 10 x 96 / 16 = 60 around 128.
      {"soft 8-bit after silence", nullptr, false, false, 2, 0x100000, {138, 118}, {188, 68}, 0x100000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> block = Block(c.in, c.sixteen);
    int32_t level = c.level;
    if (c.filter != nullptr) c.filter(block.data(), c.stereo, c.sixteen, c.frames);
    else AutoVolume(block.data(), c.stereo, c.sixteen, c.frames, &level);
    EXPECT_EQ(block, Block(c.want, c.sixteen));
    EXPECT_EQ(level, c.wantLevel);
  }
}

// The fast forms against the reference: every 16-bit sample in several
// orders (rising, falling, shuffled, with silences between) and every 8-bit
// sample shuffled, Auto Volume from three levels (the level too); Swap and
// Voice Removal on blocks of every length around the vector width.
TEST(AudioFilters, FastFormsMatchTheReference) {
  std::mt19937 random(63);
  std::vector<int> rising, bytes8;
  for (int v = -32768; v < 32768; ++v) {
    rising.push_back(v);
    bytes8.push_back(v & 0xFF);
  }
  std::vector<int> falling(rising.rbegin(), rising.rend()), shuffled = rising, gaps;
  std::shuffle(shuffled.begin(), shuffled.end(), random);
  std::shuffle(bytes8.begin(), bytes8.end(), random);
  for (int v = -32768; v < 32768; v += 97) {
    gaps.push_back(v);
    gaps.insert(gaps.end(), random() % 3000, 0);
  }
  const std::pair<void (*)(uint8_t*, bool, bool, int32_t), void (*)(uint8_t*, bool, bool, int32_t)> filters[] = {
      {SwapChannels, reference::SwapChannels}, {RemoveVoice, reference::RemoveVoice}};
  for (const auto* order : {&rising, &falling, &shuffled, &gaps, &bytes8}) {
    const bool sixteen = order != &bytes8;
    const std::vector<uint8_t> block = Block(*order, sixteen);
    const int32_t frames = static_cast<int32_t>(order->size() / 2);
    for (int32_t start : {kAutoVolumeStartLevel, 0x100000, 0x7FFFFF}) {
      std::vector<uint8_t> want = block, got = block;
      int32_t wantLevel = start, gotLevel = start;
      reference::AutoVolume(want.data(), true, sixteen, frames, &wantLevel);
      AutoVolume(got.data(), true, sixteen, frames, &gotLevel);
      ASSERT_EQ(FirstDifference(got, want), -1) << sixteen;
      ASSERT_EQ(gotLevel, wantLevel) << sixteen;
    }
  }
  for (int32_t frames = 0; frames < 40; ++frames) {
    for (bool sixteen : {true, false}) {
      for (const auto& filter : filters) {
        ExpectFastFormMatches(
            static_cast<size_t>(frames) * (sixteen ? 4 : 2), &random,
            [&](uint8_t* out) { filter.second(out, true, sixteen, frames); },
            [&](uint8_t* out) { filter.first(out, true, sixteen, frames); },
            std::to_string(frames) + (sixteen ? " 16-bit" : " 8-bit"));
      }
    }
  }
}

// The chain on the global level, which carries across blocks: the level
// falls by 8 before each sample, so the divisor is 95.
TEST(AudioFilters, ChainRunsSwapThenVolumeThenVoiceRemoval) {
  const int32_t saved = g_autoVolumeLevel;
  g_autoVolumeLevel = kAutoVolumeStartLevel;
  AudioFilterFlags flags{};
  flags.swapChannels = flags.autoVolume = flags.voiceRemoval = 1;
  // Swapped to (300, 100) first, scaled to (303, 101), so right - left = -202
  // (not +202); no flags leave the block alone.
  for (const bool on : {true, false}) {
    std::vector<uint8_t> block = Block({100, 300}, true);
    ApplyAudioFilters(on ? flags : AudioFilterFlags{}, block.data(), true, true, 1);
    EXPECT_EQ(block, Block(on ? std::vector<int>{-202, -202} : std::vector<int>{100, 300}, true));
  }
  EXPECT_EQ(g_autoVolumeLevel, kAutoVolumeStartLevel - 2 * 8);
  g_autoVolumeLevel = saved;
}

}  // namespace
