// Sound decompressors of the tests' own that connect and then misbehave,
// registered with a higher merit than a well-behaved one for the same format:
// the graph picks the misbehaving one first, the open-time check gives it up,
// and the file plays with the sound of the next, or without sound and with the
// message when there is none. (One that delivers on a thread of its own is
// Wine's GStreamer MP3 decoder, met by the decoding tests' MP3 clips.)
#include "decode/filter_chain.h"
#include "tests/common/test_paths.h"
#include "tests/decode/clip_decoding_support.h"
#include "tests/decode/test_sound_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Three seconds of mono 16-bit sound at 11,025 Hz in the test format, whose
// bytes count up, with tiny raw pictures.
std::vector<uint8_t> WriteTestSoundClip(const std::string& name) {
  AviWriterStream stream = PcmStream(1, 11025, 16, 1102 * 30);
  stream.strf[0] = kTestSoundTag & 0xFF;  // the format tag leads WAVEFORMATEX
  stream.strf[1] = kTestSoundTag >> 8;
  std::vector<uint8_t> sound(1102 * 2 * 30);
  for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<uint8_t>(i * 7 / 3);
  WriteTinyClip(name, 0, 30, &stream, sound);
  return sound;
}

struct MisbehavingCase {
  const char* name;
  SoundDelivery first;
  bool wellBehavedToo;
  const char* expectedDecoder;  // null: no sound
};

class MisbehavingDecoderTest : public ClipTest, public ::testing::WithParamInterface<MisbehavingCase> {};

}  // namespace

TEST_P(MisbehavingDecoderTest, TheSoundComesFromADecoderThatDelivers) {
  const MisbehavingCase& c = GetParam();
  const CLSID first = {0x7e570001, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 1}};
  const CLSID good = {0x7e570002, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 2}};
  TestSoundDecoder misbehaving({L"Test Sound First", first, MERIT_NORMAL + 2, c.first});
  TestSoundDecoder wellBehaved({L"Test Sound Good", good, c.wellBehavedToo ? DWORD{MERIT_NORMAL + 1} : DWORD{MERIT_DO_NOT_USE}});
  ASSERT_TRUE(misbehaving.Registered());
  const std::vector<uint8_t> sound = WriteTestSoundClip("test_sound_format.avi");
  ASSERT_TRUE(OpenPath(ScratchPath("test_sound_format.avi"))) << messages_;
  if (c.expectedDecoder == nullptr) {
    EXPECT_FALSE(decoder_->IsAudioOpen());
    EXPECT_EQ(messages_, "Can't locate audio decompressor\n");
    return;
  }
  ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
  EXPECT_TRUE(messages_.empty()) << messages_;
  std::string name;
  ASSERT_TRUE(decoder_->AudioChain()[0] && FilterName(decoder_->AudioChain()[0].Get(), &name));
  EXPECT_EQ(name, c.expectedDecoder);
  int32_t count = 0;
  const std::vector<uint8_t> all = ReadBlocks(1000, &count);
  // A decoder one sample late gives all but the last chunk's sound.
  EXPECT_GE(count, static_cast<int32_t>(sound.size() / OutputFormat().BlockBytes()) - 1);
  ASSERT_LE(all.size(), sound.size());
  EXPECT_TRUE(std::equal(all.begin(), all.end(), sound.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Decoders, MisbehavingDecoderTest,
    ::testing::Values(MisbehavingCase{"NeverThenGood", SoundDelivery::kNever, true, "Test Sound Good"},
                      MisbehavingCase{"OneLateAlone", SoundDelivery::kOneLate, false, "Test Sound First"},
                      MisbehavingCase{"NeverAlone", SoundDelivery::kNever, false, nullptr}),
    [](const ::testing::TestParamInfo<MisbehavingCase>& info) { return std::string(info.param.name); });
