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
  };
  const Clip clips[] = {{"rgb32_pcm24", ".bgr24"},  {"rgb555_float", ".bgr24"},  {"pal8_pcm51", ".bgr24"},
                        {"mono_f64", ".bgr24"},     {"uyvy_pcm32", ".yuyv"},     {"yvyu_u8quad", ".yuyv"},
                        {"yuy2_pcm16", ".yuyv"},    {"i420_pcm71", ".yuv420p"},  {"yv12_silent", ".yuv420p"},
                        {"iyuv_silent", ".yuv420p"}};
  for (const Clip& clip : clips) {
    SCOPED_TRACE(clip.name);
    ASSERT_TRUE(OpenClip(std::string(clip.name) + ".avi")) << messages_;
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

// Forms ffmpeg does not write, from our own writer: bottom-up rows, masks in
// another order, 16-bit masks, four-bit palettes, and palette changes found
// without an index (the stream header announcing them). Random pictures:
// each frame must be the reference conversion of its own bytes, with the
// palette of its frame.
TEST_F(UncompressedTest, FormsOfOurOwnWriterAreConvertedAsTheirHeadersSay) {
  const uint32_t rgbFromLow[3] = {0x0000FF, 0x00FF00, 0xFF0000}, masks565[3] = {0xF800, 0x07E0, 0x001F},
                 masks555[3] = {0x7C00, 0x03E0, 0x001F};
  struct Case {
    const char* what;
    PictureForm form;
    uint16_t bits;
    uint32_t compression;
    int32_t biHeight;
    const uint32_t* masks;
    bool index;
  };
  const Case cases[] = {{"rgb32 bottom-up", PictureForm::kRgb32, 32, BI_RGB, 30, nullptr, true},
                        {"rgb masks from the low byte", PictureForm::kBitfields32, 32, BI_BITFIELDS, -30, rgbFromLow, true},
                        {"565", PictureForm::kRgb565, 16, BI_BITFIELDS, -30, masks565, true},
                        {"555 masks bottom-up", PictureForm::kRgb555, 16, BI_BITFIELDS, 30, masks555, true},
                        {"4-bit palette", PictureForm::kPalette4, 4, BI_RGB, 30, nullptr, true},
                        {"palette changes, no index", PictureForm::kPalette8, 8, BI_RGB, -30, nullptr, false}};
  std::mt19937 random(2026);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    decoder_->Close();
    PictureLayout layout;
    layout.form = c.form;
    layout.width = 85;
    layout.biHeight = c.biHeight;
    if (c.masks != nullptr) std::memcpy(layout.masks, c.masks, sizeof layout.masks);
    std::vector<uint32_t> palettes[2] = {std::vector<uint32_t>(256), {}};
    for (uint32_t& entry : palettes[0]) entry = random() & 0xFFFFFF;
    palettes[1] = palettes[0];
    StreamHeaderFields fields;
    fields.flags = AVISF_VIDEO_PALCHANGES;
    fields.length = 2;
    AviWriterStream video = {StreamHeaderBytes(fields), BitmapInfoHeaderBytes(85, c.biHeight, c.bits, c.compression)};
    for (int i = 0; c.masks != nullptr && i < 3; ++i) AppendWord(&video.strf, c.masks[i]);
    for (int i = 0; c.bits <= 8 && i < (1 << c.bits); ++i) AppendWord(&video.strf, palettes[0][i]);
    std::vector<AviWriterChunk> chunks;
    std::vector<std::vector<uint8_t>> pictures;
    for (int f = 0; f < 2; ++f) {
      pictures.emplace_back(PictureLayoutBytes(layout));
      for (uint8_t& b : pictures.back()) b = static_cast<uint8_t>(random());
      chunks.push_back({0, "db", true, pictures.back()});
    }
    // Entries 3 to 5 change before frame 1: PALETTEENTRY red, green, blue, flags.
    chunks.insert(chunks.begin() + 1, AviWriterChunk(0, "pc", false, {3, 3, 0, 0, 10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0}));
    for (uint32_t i = 0; i < 3; ++i) palettes[1][3 + i] = (30 * i + 30) | (30 * i + 20) << 8 | (30 * i + 10) << 16;
    AviWriterOptions options;
    options.writeIndex = c.index;
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

// Stream headers that make no sense: a video rate of 0 or above 1,000
// frames a second comes from avih's microseconds per frame, the sound's rate
// from its format and the format's sample rate from the sound's header;
// where neither answers, the file (or its sound) is refused with its message.
TEST_F(UncompressedTest, HeadersThatMakeNoSenseAreRepairedOrRefused) {
  struct Case {
    uint32_t videoRate, videoScale, microSecPerFrame;
    uint32_t soundRate, soundScale, samplesPerSec;  // the sound's header and format
    bool opens;
    int32_t rate, scale;
    const char* messages;
  };
  const char* const kUnknown = "Unknown format, Velmora supports AVI (RIFF) formats only\n";
  const Case cases[] = {
      {0, 0, 100000, 88200, 4, 22050, true, 1000000, 100000, ""},
      {2000, 1, 40000, 88200, 4, 22050, true, 1000000, 40000, ""},
      {0, 0, 0, 88200, 4, 22050, false, 0, 0, kUnknown},
      {0, 1, 500, 88200, 4, 22050, false, 0, 0, kUnknown},  // avih: 2,000 frames a second
      {10, 1, 0, 0, 0, 22050, true, 10, 1, ""},
      {10, 1, 0, 88200, 4, 0, true, 10, 1, ""},
      {10, 1, 0, 0, 0, 0, true, 10, 1, "Can't locate audio decompressor\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.videoRate << "/" << c.videoScale << " " << c.microSecPerFrame << " us, "
                                    << c.soundRate << "/" << c.soundScale << " " << c.samplesPerSec << " Hz");
    decoder_->Close();
    StreamHeaderFields sound;
    sound.fccType = "auds";
    sound.rate = c.soundRate;
    sound.scale = c.soundScale;
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
    ASSERT_TRUE(WriteAvi(ScratchPath("headers.avi"), {VideoStream(0, 16, 16, 24, c.videoRate, c.videoScale, 10), audio},
                         chunks, options));
    messages_.clear();
    EXPECT_EQ(OpenPath(ScratchPath("headers.avi")), c.opens);
    EXPECT_EQ(messages_, c.messages);
    if (!c.opens) continue;
    int32_t rate = 0, scale = 0, samplesPerSec = 0;
    decoder_->GetVideoInfo(nullptr, nullptr, nullptr, &rate, &scale, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(rate, c.rate);
    EXPECT_EQ(scale, c.scale);
    EXPECT_EQ(decoder_->IsAudioOpen(), messages_.empty());
    if (!decoder_->IsAudioOpen()) continue;
    decoder_->GetAudioOutputFormat(nullptr, nullptr, &samplesPerSec, nullptr);
    EXPECT_EQ(samplesPerSec, 22050);
    // The sound of block 3 lies in chunk 3 x samples per block x 4 bytes div 8,820.
    std::vector<uint8_t> block(OutputFormat().BlockBytes());
    EXPECT_TRUE(decoder_->ReadAudioBlock(block.data(), 3));
    EXPECT_EQ(block[0], 3 * OutputFormat().samplesPerBlock * 4 / 8820);
  }
}

// The sound of every clip in each output format its options give, against
// ffmpeg's conversion of the same file to that format (half the rate: every
// other frame of its full-rate conversion), within one step of the last
// bit: our own conversion, or Wine's ACM Wrapper and what it leaves undone.
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
