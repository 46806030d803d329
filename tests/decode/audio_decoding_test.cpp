// Real sound decoding under Wine: PCM byte for byte against the file, MP3 and
// ADPCM within a small error of ffmpeg's decode, blocks that continue each
// other seamlessly, and the reduced formats of the ACM Wrapper path.
#include "decode/filter_chain.h"
#include "tests/decode/clip_decoding_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <string>

namespace {

using AudioDecodingTest = ClipTest;

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Signal-to-noise ratio of a decode against the reference, in dB, at the best
// alignment within maxLag sample frames (decoders differ in their delay).
double AlignedSnr(const std::vector<int16_t>& ours, const std::vector<int16_t>& reference,
                  int channels, int maxLag, int* bestLag) {
  double best = -1e9;
  for (int lag = -maxLag; lag <= maxLag; ++lag) {
    double signal = 0, noise = 0;
    const long shift = static_cast<long>(lag) * channels;
    for (size_t i = 0; i < ours.size(); ++i) {
      const long j = static_cast<long>(i) + shift;
      if (j < 0 || j >= static_cast<long>(reference.size())) continue;
      const double d = static_cast<double>(ours[i]) - reference[j];
      signal += static_cast<double>(reference[j]) * reference[j];
      noise += d * d;
    }
    const double snr = noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
    if (snr > best) {
      best = snr;
      *bestLag = lag;
    }
  }
  return best;
}

}  // namespace

struct PcmCase {
  const char* name;
  bool sixteenBit;       // the output format asked for
  const char* reference; // ffmpeg's decode, in the output's sample format
  bool secondary = false;  // "Use Secondary Audio Stream"
};

class PcmDecodingTest : public AudioDecodingTest, public ::testing::WithParamInterface<PcmCase> {};

TEST_P(PcmDecodingTest, BlocksAreTheFilesBytes) {
  const PcmCase& c = GetParam();
  DecoderOpenSettings settings;
  settings.sixteenBit = c.sixteenBit;
  settings.useSecondaryAudio = c.secondary;
  ASSERT_TRUE(OpenClip(std::string(c.name) + ".avi", settings)) << messages_;
  ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
  EXPECT_TRUE(messages_.empty()) << messages_;
  const AudioFormat format = OutputFormat();

  std::vector<uint8_t> reference = Reference(std::string(c.name) + c.reference);
  int32_t count = 0;
  std::vector<uint8_t> all = ReadBlocks(1000, &count);
  // Every whole block of the file's sound, consecutive blocks seamless; the
  // cut-off last one fails.
  EXPECT_EQ(static_cast<int32_t>(reference.size() / format.BlockBytes()), count);
  ASSERT_LE(all.size(), reference.size());
  EXPECT_TRUE(std::equal(all.begin(), all.end(), reference.begin()));

  // Any block on its own, after a jump, is the same block.
  std::vector<uint8_t> block(format.BlockBytes());
  for (int32_t n : {7, 3, 3, 0, count - 1}) {
    EXPECT_TRUE(decoder_->ReadAudioBlock(block.data(), n)) << "block " << n;
    EXPECT_TRUE(std::equal(block.begin(), block.end(), reference.begin() + n * format.BlockBytes()))
        << "block " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, PcmDecodingTest,
                         ::testing::Values(PcmCase{"raw_pcm16", true, ".a0"},
                                           PcmCase{"msvc_two_audio", true, ".a0"},
                                           PcmCase{"msvc_two_audio", true, ".a1", true},
                                           // 8-bit asks for the ACM Wrapper; the chain
                                           // already gives 8 bits without it.
                                           PcmCase{"msvc_pcm8", false, ".a0"},
                                           // 8-bit sound as 16-bit: a system without a
                                           // PCM converter leaves it to our own.
                                           PcmCase{"msvc_pcm8", true, ".a0.s16"},
                                           PcmCase{"raw_pcm8", true, ".a0.s16"}),
                         [](const ::testing::TestParamInfo<PcmCase>& info) {
                           return std::string(info.param.name) + (info.param.sixteenBit ? "_16" : "_8") +
                                  (info.param.secondary ? "_second" : "");
                         });

struct LossyCase {
  const char* name;
  double minimumSnr;   // dB against ffmpeg's decode
  // MPEG-2 sound (22,050 Hz MP3): Wine's own MP3 decoders (the DMO and the
  // ACM codec) take 1,152 samples per frame, so fed one 576-sample frame at
  // a time it never comes out; GStreamer's decoder, when the host has it,
  // decodes it.
  bool mpeg2;
  // The decoder when the graph chooses among Wine's own filters: the MP3
  // DMO, and for MPEG-2 sound, which the DMO refuses, the ACM Wrapper with
  // Wine's ACM MP3 codec.
  const char* decoder;
  // "Deny Stereo" looks only at the options: on a mono file it still puts
  // the wrapper in, and the sound still plays.
  bool denyStereo = false;
  // "Allow Auto Audio Synchronization" finds no drift in a clean file.
  bool autoSync = false;
  bool renderFullChains = false;  // "Render Full Chains of Filters"
};

class LossyDecodingTest : public AudioDecodingTest, public ::testing::WithParamInterface<LossyCase> {};

// What the user hears, whichever decoder the graph chose: the sound close to
// ffmpeg's decode, or, where Wine's own decoders cannot decode it, what they
// do instead (the row fails when that changes).
TEST_P(LossyDecodingTest, CloseToFfmpegsDecode) {
  const LossyCase& c = GetParam();
  DecoderOpenSettings settings;
  settings.stereoAllowed = !c.denyStereo;
  autoSync_ = c.autoSync;
  settings.renderFullChains = c.renderFullChains;
  ASSERT_TRUE(OpenClip(std::string(c.name) + ".avi", settings)) << messages_;
  std::string decoderName;
  if (decoder_->AudioChain()[0]) FilterName(decoder_->AudioChain()[0].Get(), &decoderName);
  if (WineFilterSetFixed()) {
    EXPECT_EQ(decoderName, c.decoder);
  }
  const bool decodes = !(c.mpeg2 && RunningUnderWine() && decoderName != "MPEG Layer-3 Decoder");
  if (!decoder_->IsAudioOpen()) {
    // No installed decoder delivers this sound: it plays silently, and says so.
    EXPECT_EQ(messages_, "Can't locate audio decompressor\n");
    EXPECT_FALSE(decodes) << c.name << ": " << messages_;
    return;
  }
  std::vector<uint8_t> reference = Reference(std::string(c.name) + ".a0");
  int32_t count = 0;
  std::vector<uint8_t> all = ReadBlocks(400, &count);
  const AudioFormat format = OutputFormat();
  int lag = 0;
  const double snr = count > 0 ? AlignedSnr(Samples(all), Samples(reference), format.stereo ? 2 : 1, 1200, &lag)
                               : 0.0;
  const bool close = count >= static_cast<int32_t>(std::min<size_t>(reference.size() / format.BlockBytes(), 400)) - 1 &&
                     snr > c.minimumSnr;
  const std::string what = std::string(c.name) + " through " + decoderName + ": " + std::to_string(count) +
                           " blocks, " + std::to_string(snr) + " dB at a lag of " + std::to_string(lag);
  if (decodes) {
    EXPECT_TRUE(close) << what;
    EXPECT_EQ(0, lag) << what;
  } else {
    EXPECT_FALSE(close) << "Wine's own MP3 decoders now decode MPEG-2 sound one frame at a time: " << what;
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, LossyDecodingTest,
                         ::testing::Values(LossyCase{"cinepak_mp3", 40, false, "MP3 Decoder DMO"},
                                           LossyCase{"cinepak_mp3", 40, false, "MP3 Decoder DMO", false, false, true},
                                           LossyCase{"cinepak_msadpcm", 40, false, "ACM Wrapper"},
                                           LossyCase{"msvc_ima", 40, false, "ACM Wrapper"},
                                           LossyCase{"msvc_ima", 40, false, "ACM Wrapper", true},
                                           LossyCase{"msvc_ima_long", 40, false, "ACM Wrapper"},
                                           LossyCase{"msvc_ima_long", 40, false, "ACM Wrapper", false, true},
                                           LossyCase{"raw_mp3", 40, true, "ACM Wrapper"},
                                           LossyCase{"raw_mp3_odd", 40, false, "MP3 Decoder DMO"}),
                         [](const ::testing::TestParamInfo<LossyCase>& info) {
                           return std::string(info.param.name) + (info.param.denyStereo ? "_mono" : "") +
                                  (info.param.autoSync ? "_autosync" : "") +
                                  (info.param.renderFullChains ? "_rendered" : "");
                         });

// "Use 8 Bit Depth", "Deny Stereo" and "Half Sample Rate" put an ACM Wrapper
// in front of the grabber, whose audio pin takes only the reduced format.
TEST_F(AudioDecodingTest, ReducedFormatsComeThroughTheAcmWrapper) {
  DecoderOpenSettings settings;
  settings.sixteenBit = false;
  settings.stereoAllowed = false;
  settings.fullRate = false;
  ASSERT_TRUE(OpenClip("cinepak_msadpcm.avi", settings)) << messages_;
  ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
  const AudioFormat format = OutputFormat();
  EXPECT_EQ(0, format.stereo);
  EXPECT_EQ(0, format.sixteenBit);
  EXPECT_EQ(11025, format.rate);
  EXPECT_EQ(1470, format.samplesPerBlock);

  // The filter in front of the grabber is an ACM Wrapper (the grabber's pin
  // takes only the reduced type).
  const FilterChain& chain = decoder_->AudioChain();
  size_t last = 0;
  while (last + 1 < chain.size() && chain[last + 1]) ++last;
  std::string name;
  ASSERT_TRUE(chain[last] && FilterName(chain[last].Get(), &name));
  EXPECT_EQ("ACM Wrapper", name);

  // The sound itself, against ffmpeg's reduction of the same sound.
  int32_t count = 0;
  const std::vector<uint8_t> all = ReadBlocks(1000, &count);
  std::vector<uint8_t> reference = Reference("cinepak_msadpcm.reduced");
  std::vector<int16_t> ours(all.size()), expected(reference.size());
  for (size_t i = 0; i < all.size(); ++i) ours[i] = static_cast<int16_t>((all[i] - 128) * 256);
  for (size_t i = 0; i < reference.size(); ++i) expected[i] = static_cast<int16_t>((reference[i] - 128) * 256);
  int lag = 0;
  const double snr = AlignedSnr(ours, expected, 1, 200, &lag);
  ExpectTodoWine(count >= static_cast<int32_t>(reference.size() / 1470) - 1 && snr > 20,
                 "Wine's ACM Wrapper delivers the 16-bit full-rate sound unchanged (" +
                     std::to_string(count) + " blocks, " + std::to_string(snr) + " dB)");
}

// Wine has no converter for PCM itself (its ACM Wrapper refuses PCM input):
// a reduced format of a PCM file finds no chain there.
TEST_F(AudioDecodingTest, AReducedFormatOfPcm) {
  DecoderOpenSettings settings;
  settings.stereoAllowed = false;
  ASSERT_TRUE(OpenClip("raw_pcm16.avi", settings)) << messages_;
  // Where the system has no PCM converter (Wine), the grabber converts.
  ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
  EXPECT_TRUE(messages_.empty()) << messages_;
  const std::vector<int16_t> stereo = Samples(Reference("raw_pcm16.a0"));
  int32_t count = 0;
  const std::vector<int16_t> mono = Samples(ReadBlocks(1000, &count));
  ASSERT_GT(count, 0);
  ASSERT_LE(mono.size() * 2, stereo.size());
  for (size_t i = 0; i < mono.size(); ++i) {
    ASSERT_EQ(mono[i], (stereo[2 * i] + stereo[2 * i + 1]) >> 1) << "sample " << i;
  }
}
