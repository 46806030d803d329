// Real sound decoding under Wine: PCM byte for byte against the file, MP3 and
// ADPCM within a small error of ffmpeg's decode, blocks that continue each
// other seamlessly, the reduced formats of the ACM Wrapper path, decoders of
// the tests' own that misbehave, and the overflow buffer between what a
// decoder delivers and the caller's block.
#include "tests/decode/clip_decoding_support.h"
#include "tests/decode/test_sound_decoder.h"

#include <algorithm>

namespace {

int16_t Sample16(const std::vector<uint8_t>& bytes, size_t i) {
  return static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
}

// Signal-to-noise ratio of a 16-bit decode against the reference, in dB,
// over their common length.
double Snr(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& reference) {
  double signal = 0, noise = 0;
  for (size_t i = 0; i < std::min(ours.size(), reference.size()) / 2; ++i) {
    const double theirs = Sample16(reference, i), d = Sample16(ours, i) - theirs;
    signal += theirs * theirs;
    noise += d * d;
  }
  return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

}  // namespace

// The sound of every clip, in each output format its options give. PCM as
// the file has it (the output format asked for is the file's, or 8-bit sound
// as 16-bit): every whole block of it, byte for byte, consecutive blocks
// seamless, the cut-off last one failing, and any block on its own, after a
// jump, the same block. PCM in another format: ffmpeg's conversion of the
// same file to that format (half the rate: every other frame of its
// full-rate conversion), within one step of the last bit: our own conversion
// (a system without a PCM converter, as Wine, leaves even 16-bit PCM to it),
// or Wine's ACM Wrapper and what it leaves undone. Lossy sound, whichever
// decoder the graph chose: close to ffmpeg's decode, or, where Wine's own
// decoders cannot decode it, what they do instead (the row fails when that
// changes).
TEST_F(ClipTest, SoundIsTheFilesOrFfmpegsWithinWhatItsDecoderLoses) {
  enum Kind { kExact, kWithinOneStep, kLossy };
  // For lossy sound, the decoder the graph takes among Wine's own filters:
  // the MP3 DMO, and for MPEG-2 sound (22,050 Hz MP3), which the DMO refuses,
  // the ACM Wrapper with Wine's ACM MP3 codec. Wine's own MP3 decoders (the
  // DMO and the ACM codec) take 1,152 samples per frame, so MPEG-2 sound fed
  // one 576-sample frame at a time never comes out of them; GStreamer's
  // decoder, when the host has it, decodes it.
  // The options: "8-bit", "mono" ("Deny Stereo"), "half" (not "Full Rate"),
  // "secondary" ("Use Secondary Audio Stream"), "autosync" ("Allow Auto Audio
  // Synchronization"), "rendered" ("Render Full Chains of Filters"), and
  // "mpeg2" for MPEG-2 sound.
  struct Case { Kind kind; std::string clip, reference, options; const char* decoder; };
  std::vector<Case> cases = {
      {kExact, "raw_pcm16", ".a0", "", nullptr}, {kExact, "msvc_two_audio", ".a0", "", nullptr},
      {kExact, "msvc_two_audio", ".a1", "secondary", nullptr},
      // 8-bit asks for the ACM Wrapper; the chain already gives 8 bits without it.
      {kExact, "msvc_pcm8", ".a0", "8-bit", nullptr},
      // A system without a PCM converter leaves 8-bit sound as 16-bit to our own.
      {kExact, "msvc_pcm8", ".a0.s16", "", nullptr}, {kExact, "raw_pcm8", ".a0.s16", "", nullptr},
      {kLossy, "cinepak_mp3", ".a0", "", "MP3 Decoder DMO"},
      {kLossy, "cinepak_mp3", ".a0", "rendered", "MP3 Decoder DMO"},
      {kLossy, "cinepak_msadpcm", ".a0", "", "ACM Wrapper"}, {kLossy, "msvc_ima", ".a0", "", "ACM Wrapper"},
      // "Deny Stereo" looks only at the options: on a mono file it still puts
      // the wrapper in, and the sound still plays.
      {kLossy, "msvc_ima", ".a0", "mono", "ACM Wrapper"}, {kLossy, "msvc_ima_long", ".a0", "", "ACM Wrapper"},
      // "Allow Auto Audio Synchronization" finds no drift in a clean file.
      {kLossy, "msvc_ima_long", ".a0", "autosync", "ACM Wrapper"}, {kLossy, "raw_mp3", ".a0", "mpeg2", "ACM Wrapper"},
      {kLossy, "raw_mp3_odd", ".a0", "", "MP3 Decoder DMO"}};
  for (const char* clip : {"rgb32_pcm24", "rgb555_float", "pal8_pcm51", "mono_f64", "uyvy_pcm32", "yvyu_u8quad",
                           "yuy2_pcm16", "i420_pcm71", "cinepak_msadpcm"}) {
    for (const char* rate : {"", "half "}) {
      // The 16-bit sound of the ADPCM clip is a lossy row.
      if (std::string(clip) != "cinepak_msadpcm") cases.push_back({kWithinOneStep, clip, ".out16", rate, nullptr});
      cases.push_back({kWithinOneStep, clip, ".out8m", rate + std::string("8-bit mono"), nullptr});
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clip + c.reference + " " + c.options);
    const auto has = [&c](const char* option) { return c.options.find(option) != std::string::npos; };
    const bool fullRate = !has("half");
    messages_.clear();
    DecoderOpenSettings settings;
    settings.sixteenBit = !has("8-bit");
    settings.stereoAllowed = !has("mono");
    settings.fullRate = fullRate;
    settings.useSecondaryAudio = has("secondary");
    settings.renderFullChains = has("rendered");
    autoSync_ = has("autosync");
    ASSERT_TRUE(OpenClip(c.clip + ".avi", settings)) << messages_;
    const std::string decoderName = AudioFilterName();
    const bool decodes = !(has("mpeg2") && RunningUnderWine() && decoderName != "MPEG Layer-3 Decoder");
    if (c.kind == kLossy && WineFilterSetFixed()) { EXPECT_EQ(decoderName, c.decoder); }
    if (c.kind == kLossy && !decoder_->IsAudioOpen()) {
      // No installed decoder delivers this sound: it plays silently, and says so.
      EXPECT_EQ(messages_, kNoAudioDecoder);
      EXPECT_FALSE(decodes) << messages_;
      continue;
    }
    ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
    EXPECT_TRUE(c.kind != kExact || messages_.empty()) << messages_;
    const AudioFormat format = OutputFormat();
    const int32_t frameBytes = format.BlockBytes() / format.samplesPerBlock;
    std::vector<uint8_t> reference = Reference(c.clip + c.reference), half;
    for (size_t at = 0; !fullRate && at + frameBytes <= reference.size(); at += 2 * frameBytes) {
      half.insert(half.end(), reference.begin() + at, reference.begin() + at + frameBytes);
    }
    if (!fullRate) reference.swap(half);
    int32_t count = 0;
    const std::vector<uint8_t> all = ReadBlocks(c.kind == kLossy ? 400 : 1000, &count);
    const int32_t whole = static_cast<int32_t>(reference.size() / format.BlockBytes());
    if (c.kind == kLossy) {
      // Without a delay of its own: in step with ffmpeg's decode.
      const double snr = count > 0 ? Snr(all, reference) : 0.0;
      const bool delivered = count >= std::min(whole, 400) - 1;
      const std::string what = "through " + decoderName + ": " + std::to_string(count) + " blocks, " +
                               std::to_string(snr) + " dB";
      EXPECT_EQ(decodes, delivered && snr > 40)
          << (decodes ? "" : "Wine's own MP3 decoders now decode MPEG-2 sound one frame at a time: ") << what;
    } else if (c.kind == kExact) {
      EXPECT_EQ(whole, count);
      ASSERT_LE(all.size(), reference.size());
      EXPECT_TRUE(std::equal(all.begin(), all.end(), reference.begin()));
      std::vector<uint8_t> block(format.BlockBytes());
      for (int32_t b : {7, 3, 3, 0, count - 1}) {
        EXPECT_TRUE(decoder_->ReadAudioBlock(block.data(), b) &&
                    std::equal(block.begin(), block.end(), reference.begin() + b * format.BlockBytes()))
            << "block " << b;
      }
    } else {
      EXPECT_GE(count, whole - 1);
      int largest = 0;
      for (size_t i = 0; i + 1 < std::min(all.size(), reference.size()); i += format.sixteenBit ? 2 : 1) {
        const auto sample = [&](const std::vector<uint8_t>& b) { return format.sixteenBit ? Sample16(b, i / 2) : b[i]; };
        largest = std::max(largest, std::abs(sample(all) - sample(reference)));
      }
      EXPECT_LE(largest, 1) << count << " blocks";
    }
    if (c.kind != kWithinOneStep || c.clip != "cinepak_msadpcm") continue;
    // The reduced format comes through an ACM Wrapper in front of the
    // grabber, whose audio pin takes only that format (Wine's wrapper hands
    // the sound on unreduced, and the grabber reduces it).
    size_t last = 0;
    while (last + 1 < decoder_->AudioChain().size() && decoder_->AudioChain()[last + 1]) ++last;
    EXPECT_EQ("ACM Wrapper", AudioFilterName(last));
    if (fullRate) continue;
    EXPECT_EQ(std::vector<int32_t>({0, 0, 11025, 1470}),
              std::vector<int32_t>({format.stereo, format.sixteenBit, format.rate, format.samplesPerBlock}));
  }
}

// Sound decompressors of the tests' own that connect and then misbehave,
// registered with a higher merit than a well-behaved one for the same format:
// the graph picks the misbehaving one first, the open-time check gives it up,
// and the file plays with the sound of the next, or without sound and with the
// message when there is none. A decoder one sample late gives all but the
// last chunk's sound. (One that delivers on a thread of its own is Wine's
// GStreamer MP3 decoder, met by the MP3 clips above.)
TEST_F(ClipTest, TheSoundComesFromADecoderThatDelivers) {
  // Three seconds of mono 16-bit sound at 11,025 Hz in the test format, whose
  // bytes count up, with tiny raw pictures.
  AviWriterStream stream = PcmStream(1, 11025, 16, 1102 * 30);
  std::memcpy(stream.strf.data(), &kTestSoundTag, 2);  // the format tag leads WAVEFORMATEX
  std::vector<uint8_t> sound(1102 * 2 * 30);
  for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<uint8_t>(i * 7 / 3);
  const std::string path = WriteTinyClip("test_sound_format.avi", 0, 30, &stream, sound);
  // The expected decoder null: no sound.
  struct Case { SoundDelivery first; bool wellBehavedToo; const char* expectedDecoder; };
  const CLSID first = {0x7e570001, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 1}};
  const CLSID good = {0x7e570002, 0x5a5a, 0x4b4b, {0x80, 0, 0, 0, 0, 0, 0, 2}};
  for (const Case& c : {Case{SoundDelivery::kNever, true, "Test Sound Good"},
                        Case{SoundDelivery::kOneLate, false, "Test Sound First"}, Case{SoundDelivery::kNever, false, nullptr}}) {
    SCOPED_TRACE(static_cast<int>(c.first) * 2 + c.wellBehavedToo);
    decoder_->Close();
    messages_.clear();
    TestSoundDecoder misbehaving({L"Test Sound First", first, MERIT_NORMAL + 2, c.first});
    TestSoundDecoder wellBehaved({L"Test Sound Good", good, c.wellBehavedToo ? DWORD{MERIT_NORMAL + 1} : DWORD{MERIT_DO_NOT_USE}});
    ASSERT_TRUE(misbehaving.Registered());
    ASSERT_TRUE(OpenPath(path)) << messages_;
    EXPECT_EQ(c.expectedDecoder != nullptr, decoder_->IsAudioOpen());
    EXPECT_EQ(c.expectedDecoder ? "" : kNoAudioDecoder, messages_);
    if (c.expectedDecoder == nullptr) continue;
    EXPECT_EQ(c.expectedDecoder, AudioFilterName());
    int32_t count = 0;
    const std::vector<uint8_t> all = ReadBlocks(1000, &count);
    EXPECT_GE(count, static_cast<int32_t>(sound.size() / OutputFormat().BlockBytes()) - 1);
    ASSERT_LE(all.size(), sound.size());
    EXPECT_TRUE(std::equal(all.begin(), all.end(), sound.begin()));
    decoder_->Close();  // before the decoders go
  }
}

// How decoded sound reaches the caller's block when it does not fit what is
// still wanted: a sample larger than the rest of the block goes whole to the
// overflow buffer, and a smaller one that would fit queues behind it, or the
// sound would come out of order; the next block takes what is left. At most
// one second is kept. (Sound that fits goes straight in, as the PCM decoding
// tests show byte for byte.)
TEST(AudioDeliveryTest, ALargeSampleGoesToTheOverflowBufferAndWhatFollowsQueues) {
  DecoderContext context, full;
  std::vector<uint8_t> sound(210000), block;
  for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<uint8_t>(i);
  const auto startBlock = [&block](DecoderContext* c, int32_t bytes) {  // as ReadAudioBlock does
    c->bytesPerOutputFrame = 4;  // 16-bit stereo; one second of 44,100 Hz
    c->overflow.capacity = 176400;
    if (!c->overflow.data) c->overflow.data.reset(new uint8_t[176400]);
    block.assign(bytes, 0xEE);
    c->bytesWanted = bytes;
    c->writePointer = block.data();
  };
  startBlock(&context, 3528);
  context.AcceptDecodedSound(sound.data(), 4000);
  EXPECT_TRUE(context.bytesWanted == 3528 && block[0] == 0xEE);  // nothing went to the block
  context.AcceptDecodedSound(sound.data() + 4000, 200);
  EXPECT_EQ(4200, context.overflow.fill);
  context.DrainOverflow();
  // 672 left for the next block.
  EXPECT_EQ(std::vector<int64_t>({0, 3528, 882}),
            std::vector<int64_t>({context.bytesWanted, context.overflow.readPosition, context.samplesProduced}));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), sound.begin()));
  startBlock(&context, 672);
  context.DrainOverflow();
  EXPECT_EQ(0, context.bytesWanted);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), sound.begin() + 3528));

  // Beyond one second the sound is dropped.
  startBlock(&full, 4);
  full.AcceptDecodedSound(sound.data(), 100000);
  full.AcceptDecodedSound(sound.data(), 100000);  // does not fit any more
  full.AcceptDecodedSound(nullptr, 10);
  full.AcceptDecodedSound(sound.data(), 0);
  EXPECT_EQ(100000, full.overflow.fill);
}
