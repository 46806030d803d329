// Uncompressed pictures and PCM sound in every form, decoded under Wine: the
// clips ffmpeg made against ffmpeg's own decode and conversion of them (the
// pictures exactly, the sound within one step of the last bit), forms that
// ffmpeg does not write from our own writer, and stream headers that make no
// sense.
#include "media/avi_headers.h"
#include "tests/common/test_paths.h"
#include "tests/decode/clip_decoding_support.h"
#include "video/picture_to_yuy2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace {

using UncompressedTest = ClipTest;

// ffmpeg's frame f (rows of rowBytes, top-down) with each row padded to 4 bytes.
std::vector<uint8_t> PaddedFrame(const std::vector<uint8_t>& frames, size_t rowBytes, int32_t height, int32_t f) {
  const size_t padded = (rowBytes + 3) / 4 * 4;
  std::vector<uint8_t> frame(padded * height);
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(&frame[y * padded], &frames[(static_cast<size_t>(f) * height + y) * rowBytes], rowBytes);
  }
  return frame;
}

void AppendWord(std::vector<uint8_t>* bytes, uint32_t word) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<uint8_t>(word >> (8 * i)));
}

}  // namespace

// First and middle frame, in both qualities, against our conversion of
// ffmpeg's decode: of RGB and palette pictures (palette changes included) its
// BGR24 decode; of planar ones its planes; packed YUV is its own reordering.
TEST_F(UncompressedTest, PicturesAreExactlyTheConversionOfFfmpegsDecode) {
  struct Clip {
    const char* name;
    const char* reference;  // ".bgr24", ".yuv420p" or ".yuyv"
    bool renderFullChains = false;  // the system renders no I420: ours still
  };
  // Sizes met in the wild among them: rows of 480, 606 and 600 bytes.
  const Clip clips[] = {{"raw_pcm16", ".bgr24"},    {"raw_pcm8", ".bgr24"},      {"raw_mp3_odd", ".bgr24"},
                        {"rgb32_pcm24", ".bgr24"},  {"rgb555_float", ".bgr24"},  {"pal8_pcm51", ".bgr24"},
                        {"mono_f64", ".bgr24"},     {"uyvy_pcm32", ".yuyv"},     {"yvyu_u8quad", ".yuyv"},
                        {"yuy2_pcm16", ".yuyv"},    {"i420_pcm71", ".yuv420p"},  {"yv12_silent", ".yuv420p"},
                        {"iyuv_silent", ".yuv420p"}, {"i420_pcm71", ".yuv420p", true}};
  for (const Clip& clip : clips) {
    SCOPED_TRACE(clip.name);
    DecoderOpenSettings settings;
    settings.renderFullChains = clip.renderFullChains;
    ASSERT_TRUE(OpenClip(std::string(clip.name) + ".avi", settings)) << messages_;
    EXPECT_TRUE(messages_.empty()) << messages_;
    const std::vector<uint8_t> decoded = Reference(std::string(clip.name) + clip.reference);
    const std::string kind = clip.reference;
    Rgb555ToYuy2Table table;
    for (const int32_t f : {0, FrameCount() / 2}) {
      for (const uint8_t high : {1, 0}) {
        highQuality_ = high;
        std::vector<uint8_t> expected(FrameSize()), frame(FrameSize());
        PictureLayout layout;
        layout.width = Width();
        layout.biHeight = -Height();
        if (kind == ".yuyv") {
          ASSERT_LE((f + 1) * FrameSize(), decoded.size());
          expected.assign(decoded.begin() + f * FrameSize(), decoded.begin() + (f + 1) * FrameSize());
        } else {
          layout.form = kind == ".bgr24" ? PictureForm::kRgb24 : PictureForm::kI420;
          const size_t bytes = kind == ".bgr24" ? 3u * Width() * Height() : PictureLayoutBytes(layout);
          ASSERT_LE((f + 1) * bytes, decoded.size());
          const std::vector<uint8_t> source =
              kind == ".bgr24" ? PaddedFrame(decoded, 3u * Width(), Height(), f)
                               : std::vector<uint8_t>(decoded.begin() + f * bytes, decoded.begin() + (f + 1) * bytes);
          reference::ConvertPictureToYuy2(layout, source.data(), nullptr, expected.data(), high, &table);
        }
        ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), f)) << "frame " << f;
        EXPECT_TRUE(frame == expected) << "frame " << f << (high ? " high" : " low");
      }
    }
  }
}

// Forms ffmpeg does not write, from our own writer: 16-bit and 32-bit masks
// (the latter bottom-up and in another order), and a four-bit palette that
// changes before frame 1, found without an index (the stream header says it
// changes). Random pictures: each frame must be the reference conversion of
// its own bytes with the palette of its frame.
TEST_F(UncompressedTest, FormsOfOurOwnWriterAreConvertedAsTheirHeadersSay) {
  const uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F}, rgbFromLow[3] = {0x0000FF, 0x00FF00, 0xFF0000};
  struct Case {
    PictureForm form;
    uint16_t bits;
    int32_t biHeight;
    const uint32_t* masks;
  };
  std::mt19937 random(2026);
  for (const Case& c : {Case{PictureForm::kRgb565, 16, -30, masks565}, Case{PictureForm::kBitfields32, 32, 30, rgbFromLow},
                        Case{PictureForm::kPalette4, 4, 30, nullptr}}) {
    SCOPED_TRACE(static_cast<int>(c.form));
    decoder_->Close();
    PictureLayout layout;
    layout.form = c.form;
    layout.width = 85;  // rows padded
    layout.biHeight = c.biHeight;
    StreamHeaderFields fields;
    fields.flags = AVISF_VIDEO_PALCHANGES;
    fields.length = 2;
    AviWriterStream video = {StreamHeaderBytes(fields), BitmapInfoHeaderBytes(85, c.biHeight, c.bits, c.masks ? BI_BITFIELDS : BI_RGB)};
    std::vector<uint32_t> palettes[2] = {std::vector<uint32_t>(256)};
    for (int i = 0; c.masks != nullptr && i < 3; ++i) AppendWord(&video.strf, layout.masks[i] = c.masks[i]);
    for (int i = 0; c.masks == nullptr && i < 16; ++i) AppendWord(&video.strf, palettes[0][i] = random() & 0xFFFFFF);
    // Entries 3 to 5 change before frame 1: PALETTEENTRY red, green, blue, flags.
    palettes[1] = palettes[0];
    for (uint32_t i = 0; i < 3; ++i) palettes[1][3 + i] = (30 * i + 30) | (30 * i + 20) << 8 | (30 * i + 10) << 16;
    std::vector<std::vector<uint8_t>> pictures(2, std::vector<uint8_t>(PictureLayoutBytes(layout)));
    for (auto& picture : pictures) {
      for (uint8_t& b : picture) b = static_cast<uint8_t>(random());
    }
    const std::vector<AviWriterChunk> chunks = {{0, "db", true, pictures[0]},
                                                {0, "pc", false, {3, 3, 0, 0, 10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0}},
                                                {0, "db", true, pictures[1]}};
    AviWriterOptions options;
    options.writeIndex = c.masks != nullptr;
    ASSERT_TRUE(WriteAvi(ScratchPath("own_form.avi"), {video}, chunks, options));
    ASSERT_TRUE(OpenPath(ScratchPath("own_form.avi"))) << messages_;
    Rgb555ToYuy2Table table;
    for (int32_t f = 0; f < 2; ++f) {
      std::vector<uint8_t> expected(FrameSize()), frame(FrameSize());
      reference::ConvertPictureToYuy2(layout, pictures[f].data(), palettes[f].data(), expected.data(), true, &table);
      ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), f)) << "frame " << f;
      EXPECT_TRUE(frame == expected) << "frame " << f;
    }
  }
}

// Stream headers that make no sense, as a file carries them: the video rate
// taken from avih, the sound's from its format (and block 3 then starts
// where it should); without either, the file (or its sound) is refused with
// its message. (Every rule: StreamForms.SenselessRatesComeFromTheOtherHeader.)
TEST_F(UncompressedTest, HeadersThatMakeNoSenseAreRepairedOrRefused) {
  struct Case {
    uint32_t videoRate, microSecPerFrame, soundRate, samplesPerSec;  // scales 1 and 4 where rates are given
    bool opens;
    const char* messages;
  };
  const Case cases[] = {{0, 100000, 0, 22050, true, ""},
                        {0, 0, 88200, 22050, false, "Unknown format, Velmora supports AVI (RIFF) formats only\n"},
                        {10, 0, 0, 0, true, "Can't locate audio decompressor\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.videoRate << " " << c.microSecPerFrame << " us " << c.soundRate);
    decoder_->Close();
    StreamHeaderFields sound;
    sound.fccType = "auds";
    sound.rate = c.soundRate;
    sound.scale = c.soundRate ? 4 : 0;
    sound.sampleSize = 4;
    sound.length = 22050;
    const AviWriterStream audio = {StreamHeaderBytes(sound), WaveFormatBytes(1, 2, c.samplesPerSec, c.samplesPerSec * 4, 4, 16)};
    std::vector<AviWriterChunk> chunks;
    for (int f = 0; f < 10; ++f) {
      chunks.push_back({0, "db", true, std::vector<uint8_t>(16 * 16 * 3, static_cast<uint8_t>(f))});
      chunks.push_back({1, "wb", true, std::vector<uint8_t>(8820, static_cast<uint8_t>(f))});
    }
    AviWriterOptions options;
    options.microSecPerFrame = c.microSecPerFrame;
    const AviWriterStream video = VideoStream(0, 16, 16, 24, c.videoRate, c.videoRate ? 1 : 0, 10);
    ASSERT_TRUE(WriteAvi(ScratchPath("headers.avi"), {video, audio}, chunks, options));
    messages_.clear();
    EXPECT_EQ(OpenPath(ScratchPath("headers.avi")), c.opens);
    EXPECT_EQ(messages_, c.messages);
    if (!decoder_->IsAudioOpen()) continue;
    // The sound of block 3 lies in chunk 3 x samples per block x 4 bytes div 8,820.
    std::vector<uint8_t> block(OutputFormat().BlockBytes());
    EXPECT_TRUE(decoder_->ReadAudioBlock(block.data(), 3));
    EXPECT_EQ(block[0], 3 * OutputFormat().samplesPerBlock * 4 / 8820);
  }
}

// The sound of every clip in each output format its options give, against
// ffmpeg's conversion of the same file to that format (half the rate: every
// other frame of its full-rate conversion), within one step of the last
// bit: our own conversion (a system without a PCM converter, as Wine, leaves
// even 16-bit PCM to it), or Wine's ACM Wrapper and what it leaves undone.
TEST_F(UncompressedTest, SoundIsFfmpegsConversionWithinOneStep) {
  struct Choice {
    const char* name;
    bool sixteenBit, stereoAllowed, fullRate;
    const char* reference;
  };
  const Choice choices[] = {{"16-bit", true, true, true, ".out16"},
                            {"8-bit mono", false, false, true, ".out8m"},
                            {"16-bit at half the rate", true, true, false, ".out16"},
                            {"8-bit mono at half the rate", false, false, false, ".out8m"}};
  for (const char* clip : {"rgb32_pcm24", "rgb555_float", "pal8_pcm51", "mono_f64", "uyvy_pcm32", "yvyu_u8quad",
                           "yuy2_pcm16", "i420_pcm71", "cinepak_msadpcm"}) {
    for (const Choice& choice : choices) {
      const bool lossy = std::string(clip) == "cinepak_msadpcm";
      if (lossy && choice.sixteenBit) continue;  // its 16-bit sound is another test's
      SCOPED_TRACE(std::string(clip) + ", " + choice.name);
      DecoderOpenSettings settings;
      settings.sixteenBit = choice.sixteenBit;
      settings.stereoAllowed = choice.stereoAllowed;
      settings.fullRate = choice.fullRate;
      ASSERT_TRUE(OpenClip(std::string(clip) + ".avi", settings)) << messages_;
      ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
      const AudioFormat format = OutputFormat();
      const int32_t frameBytes = format.BlockBytes() / format.samplesPerBlock;
      std::vector<uint8_t> reference = Reference(std::string(clip) + choice.reference);
      if (!choice.fullRate) {  // every other sample frame
        std::vector<uint8_t> half;
        for (size_t at = 0; at + frameBytes <= reference.size(); at += 2 * frameBytes) {
          half.insert(half.end(), reference.begin() + at, reference.begin() + at + frameBytes);
        }
        reference.swap(half);
      }
      int32_t count = 0;
      const std::vector<uint8_t> all = ReadBlocks(1000, &count);
      EXPECT_GE(count, static_cast<int32_t>(reference.size() / format.BlockBytes()) - 1);
      int largest = 0;
      for (size_t i = 0; i + 1 < std::min(all.size(), reference.size()); i += format.sixteenBit ? 2 : 1) {
        const int ours = format.sixteenBit ? static_cast<int16_t>(all[i] | all[i + 1] << 8) : all[i];
        const int theirs = format.sixteenBit ? static_cast<int16_t>(reference[i] | reference[i + 1] << 8) : reference[i];
        largest = std::max(largest, std::abs(ours - theirs));
      }
      EXPECT_LE(largest, 1) << count << " blocks";
    }
  }
}
