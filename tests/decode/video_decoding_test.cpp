// Real decoding under Wine: every frame of the Cinepak, MS Video 1 and raw
// clips through the installed decompressors, against ffmpeg's decode of the
// same frame; read in order, at random positions and backwards, also in
// "Safe Video Backup Mode" and through rendered chains; uncompressed
// pictures in every form against ffmpeg's decode of them, exactly, forms
// that ffmpeg does not write from our own writer, and stream headers that
// make no sense.
#include "media/avi_headers.h"
#include "tests/decode/clip_decoding_support.h"
#include "video/picture_to_yuy2.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

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

// Every frame read in order against ffmpeg's; then random and backward
// reads give the pictures of the sequential ones.
TEST_F(ClipTest, EveryFrameMatchesFfmpegInAnyOrder) {
  // The clip without ".avi", the least PSNR against ffmpeg's decode, the
  // frames that repeat the one before (empty chunks), and "safe" for "Safe
  // Video Backup Mode" or "rendered" for "Render Full Chains of Filters". MS
  // Video 1 (msvc_) under Wine: red and blue arrive exchanged, and frames
  // between keyframes are decoded over a fresh, uninitialised buffer each
  // time (the blocks they skip hold garbage), so only keyframes can be
  // compared. Sizes and rates met in the wild: rows of 606 bytes at 12 fps
  // (raw_pcm8); 29.97 fps (the odd ones); a palette of its own at every frame
  // (pal8_pcm51).
  struct Clip { const char* name; double minimumPsnr; int emptyChunks; std::string options; };
  const Clip clips[] = {{"raw_pcm16", 40, 0, ""},      {"raw_mp3", 40, 1, ""},         {"cinepak_pcm16", 30, 0, ""},
                        {"cinepak_mp3", 30, 1, ""},    {"cinepak_msadpcm", 30, 0, ""}, {"msvc_silent", 30, 0, ""},
                        {"msvc_pcm8", 30, 0, ""},      {"raw_pcm8", 40, 0, ""},        {"raw_mp3_odd", 40, 1, ""},
                        {"cinepak_odd", 30, 0, ""},    {"pal8_pcm51", 40, 0, ""},      {"raw_pcm16", 40, 0, "safe"},
                        {"cinepak_mp3", 30, 1, "safe"}, {"cinepak_mp3", 30, 1, "rendered"}};
  for (const Clip& clip : clips) {
    SCOPED_TRACE(clip.name + (" " + clip.options));
    DecoderOpenSettings settings;
    settings.safeBackupMode = clip.options == "safe";
    settings.renderFullChains = clip.options == "rendered";
    ASSERT_TRUE(OpenClip(std::string(clip.name) + ".avi", settings)) << messages_;
    const std::vector<uint8_t> reference = Reference(std::string(clip.name) + ".yuyv");
    ASSERT_EQ(frameCount_ * FrameSize(), reference.size());
    const bool swappedOnWine = std::string(clip.name).rfind("msvc", 0) == 0 && RunningUnderWine();
    const std::vector<uint8_t> swapped = swappedOnWine ? Reference(std::string(clip.name) + ".swapped.yuyv") : reference;
    // Frames whose pictures can be compared on this platform.
    const auto comparable = [&](int32_t f) { return !swappedOnWine || decoder_->PreviousKeyframe(f) == f; };

    std::vector<std::vector<uint8_t>> frames(frameCount_, std::vector<uint8_t>(FrameSize()));
    std::vector<bool> results(frameCount_);
    for (int32_t f = 0; f < frameCount_; ++f) results[f] = decoder_->ReadVideoFrame(frames[f].data(), f);
    int empty = 0, compared = 0;
    double worst = 99, worstSwapped = 99;
    for (int32_t f = 0; f < frameCount_; ++f) {
      if (!results[f]) {
        // An empty chunk: false, and the last picture once more (ffmpeg fills
        // the gap its own way, so there is no reference to compare with).
        ++empty;
        ASSERT_GT(f, 0);
        EXPECT_EQ(frames[f - 1], frames[f]) << "frame " << f;
      } else if (comparable(f)) {
        ++compared;
        worst = std::min(worst, Psnr(frames[f].data(), reference.data() + f * FrameSize(), FrameSize()));
        worstSwapped = std::min(worstSwapped, Psnr(frames[f].data(), swapped.data() + f * FrameSize(), FrameSize()));
      }
    }
    EXPECT_EQ(clip.emptyChunks, empty);
    EXPECT_GT(compared, 1);
    // What Wine's MS Video 1 decompressor does: red and blue exchanged.
    EXPECT_GT(swappedOnWine ? worstSwapped : worst, clip.minimumPsnr) << (swappedOnWine ? "exchanged back" : "");
    EXPECT_TRUE(!swappedOnWine || worst < clip.minimumPsnr)
        << "Wine's MS Video 1 now keeps red and blue in their places; compare it as the other codecs";
    if (swappedOnWine) std::printf("%s: %d of %d frames compared (keyframes only)\n", clip.name, compared, frameCount_);
    std::vector<int32_t> order(40);
    std::mt19937 random(20261205);
    for (int32_t& f : order) f = static_cast<int32_t>(random() % frameCount_);
    for (int32_t f = frameCount_ - 1; f >= 0; --f) order.push_back(f);
    std::vector<uint8_t> frame(FrameSize());
    for (size_t i = 0; i < order.size(); ++i) {
      const int32_t f = order[i];
      EXPECT_EQ(results[f], decoder_->ReadVideoFrame(frame.data(), f)) << "frame " << f;
      EXPECT_TRUE(!comparable(f) || frame == frames[f]) << (i < 40 ? "random" : "backward") << " read of frame " << f;
    }
  }
}

// Cinepak keyframes at 0, 12, 24, 36 and 48 (the clip is made with a
// keyframe every 12 frames; the index's flags agree with ffmpeg's packets,
// DemuxerCrossCheck.KeyframeFlagsAgree). Frames out of range give false
// without touching the graph or the picture.
TEST_F(ClipTest, ReadingStartsAtTheKeyframeAndSkipsWhatAKeyframeMakesUnnecessary) {
  ASSERT_TRUE(OpenClip("cinepak_pcm16.avi")) << messages_;
  ASSERT_EQ(12, decoder_->PreviousKeyframe(20));
  std::vector<uint8_t> frame(FrameSize(), 0x5A);
  EXPECT_FALSE(decoder_->ReadVideoFrame(frame.data(), -1) || decoder_->ReadVideoFrame(frame.data(), frameCount_) ||
               decoder_->ReadVideoFrame(nullptr, 0));
  EXPECT_EQ(std::vector<uint8_t>(FrameSize(), 0x5A), frame);
  EXPECT_EQ(0, decoder_->VideoChunksDelivered());
  // Frames read one after the other, and the chunks delivered so far: the
  // next frames in order take one chunk each; forward to 10 within the same
  // keyframe's frames goes on from where it was; back to 5 starts again at
  // keyframe 0 (frames 0 to 4 as preroll); forward to 40 starts at keyframe
  // 36, not at 6; the same frame again starts from its keyframe.
  const int32_t reads[][2] = {{0, 1}, {1, 2}, {2, 3}, {10, 11}, {5, 17}, {40, 22}, {40, 27}};
  for (const auto& read : reads) {
    ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), read[0]));
    EXPECT_EQ(read[1], decoder_->VideoChunksDelivered()) << "after frame " << read[0];
  }
}

// Header values the data contradicts, in the Cinepak and the raw clip read
// without their index: a suggested buffer of 1,024 bytes, smaller than every
// chunk (the buffers grow to the chunk, and raw pictures still fill the
// grabber's frame), and a frame count three times the frames there are (the
// data ends after the last one, and nothing past it is asked of the graph
// again). Every frame decodes as it does with the index.
TEST_F(ClipTest, TheDataDecidesTheBufferAndTheEnd) {
  for (const std::string clip : {"cinepak_pcm16.avi", "raw_pcm16.avi"}) {
    SCOPED_TRACE(clip);
    ASSERT_TRUE(OpenClip(clip)) << messages_;
    const int32_t frames = frameCount_;
    std::vector<std::vector<uint8_t>> indexed(frames, std::vector<uint8_t>(FrameSize()));
    for (int32_t f = 0; f < frames; ++f) ASSERT_TRUE(decoder_->ReadVideoFrame(indexed[f].data(), f)) << f;
    decoder_->Close();

    const std::vector<uint8_t> bytes = ReadFileBytes(ClipPath(clip));
    const std::string path = WriteWholeFile(ScratchPath("lying-header.avi"), bytes);
    const size_t strh = std::string(bytes.begin(), bytes.end()).find("strh") + 8;
    ASSERT_TRUE(PatchU32(path, strh + 32, 3 * frames));  // dwLength
    ASSERT_TRUE(PatchU32(path, strh + 36, 1024));        // dwSuggestedBufferSize
    DecoderOpenSettings settings;
    settings.allowIndex = false;
    ASSERT_TRUE(OpenPath(path, settings)) << messages_;
    EXPECT_EQ(3 * frames, frameCount_);
    std::vector<uint8_t> frame(FrameSize());
    for (int32_t f = 0; f < frames; ++f) {
      ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), f)) << f;
      EXPECT_TRUE(frame == indexed[f]) << "frame " << f;
    }
    EXPECT_EQ(3 * frames, decoder_->VideoDataEnd());
    EXPECT_FALSE(decoder_->ReadVideoFrame(frame.data(), frames));
    EXPECT_EQ(frames, decoder_->VideoDataEnd());
    const int32_t delivered = decoder_->VideoChunksDelivered();
    EXPECT_FALSE(decoder_->ReadVideoFrame(frame.data(), frames + 1) ||
                 decoder_->ReadVideoFrame(frame.data(), 2 * frames));
    EXPECT_EQ(delivered, decoder_->VideoChunksDelivered());
    EXPECT_TRUE(decoder_->ReadVideoFrame(frame.data(), 0)) << "the data before the end still reads";
    decoder_->Close();
  }
}

// First and middle frame, in both qualities, against our conversion of
// ffmpeg's decode: of RGB and palette pictures (palette changes included) its
// BGR24 decode; of planar ones its planes; packed YUV is its own reordering.
TEST_F(ClipTest, PicturesAreExactlyTheConversionOfFfmpegsDecode) {
  // The reference ".bgr24", ".yuv420p" or ".yuyv"; rendering full chains,
  // the system renders no I420: ours still.
  struct Clip { const char* name; const char* reference; bool renderFullChains = false; };
  // Sizes met in the wild among them: rows of 480, 606 and 600 bytes.
  const Clip clips[] = {{"raw_pcm16", ".bgr24"},    {"raw_pcm8", ".bgr24"},      {"raw_mp3_odd", ".bgr24"},
                        {"rgb32_pcm24", ".bgr24"},  {"rgb555_float", ".bgr24"},  {"pal8_pcm51", ".bgr24"},
                        {"mono_f64", ".bgr24"},     {"uyvy_pcm32", ".yuyv"},     {"yvyu_u8quad", ".yuyv"},
                        {"yuy2_pcm16", ".yuyv"},    {"i420_pcm71", ".yuv420p"},  {"yv12_silent", ".yuv420p"},
                        {"iyuv_silent", ".yuv420p"}, {"i420_pcm71", ".yuv420p", true}};
  Rgb555ToYuy2Table table;
  for (const Clip& clip : clips) {
    SCOPED_TRACE(clip.name);
    DecoderOpenSettings settings;
    settings.renderFullChains = clip.renderFullChains;
    ASSERT_TRUE(OpenClip(std::string(clip.name) + ".avi", settings)) << messages_;
    EXPECT_EQ("", messages_);
    const std::vector<uint8_t> decoded = Reference(std::string(clip.name) + clip.reference);
    const std::string kind = clip.reference;
    PictureLayout layout;  // of ffmpeg's frames; YUY2 converts to itself
    layout.form = kind == ".bgr24" ? PictureForm::kRgb24 : kind == ".yuyv" ? PictureForm::kYuy2 : PictureForm::kI420;
    layout.width = width_;
    layout.biHeight = -height_;
    const size_t bytes = kind == ".bgr24" ? 3u * width_ * height_ : PictureLayoutBytes(layout);
    for (const int32_t f : {0, frameCount_ / 2}) {
      ASSERT_LE((f + 1) * bytes, decoded.size());
      const std::vector<uint8_t> source =
          kind == ".bgr24" ? PaddedFrame(decoded, 3u * width_, height_, f)
                           : std::vector<uint8_t>(decoded.begin() + f * bytes, decoded.begin() + (f + 1) * bytes);
      for (const uint8_t high : {1, 0}) {
        highQuality_ = high;
        std::vector<uint8_t> expected(FrameSize()), frame(FrameSize());
        reference::ConvertPictureToYuy2(layout, source.data(), nullptr, expected.data(), high, &table);
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
TEST_F(ClipTest, FormsOfOurOwnWriterAreConvertedAsTheirHeadersSay) {
  Rgb555ToYuy2Table table;
  const uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F}, rgbFromLow[3] = {0x0000FF, 0x00FF00, 0xFF0000};
  struct Case { PictureForm form; uint16_t bits; int32_t biHeight; const uint32_t* masks; };
  std::mt19937 random(2026);
  for (const Case& c : {Case{PictureForm::kRgb565, 16, -30, masks565}, Case{PictureForm::kBitfields32, 32, 30, rgbFromLow},
                        Case{PictureForm::kPalette4, 4, 30, nullptr}}) {
    SCOPED_TRACE(static_cast<int>(c.form));
    decoder_->Close();
    PictureLayout layout;
    layout.form = c.form;
    layout.width = 85;  // rows padded
    layout.biHeight = c.biHeight;
    // "vids", no handler, palette changes, no initial frames; scale, rate, start, length.
    const StreamHeaderFields fields{"vids", "", AVISF_VIDEO_PALCHANGES, 0, 1, 15, 0, 2};
    AviWriterStream video = {StreamHeaderBytes(fields), BitmapInfoHeaderBytes(85, c.biHeight, c.bits, c.masks ? BI_BITFIELDS : BI_RGB)};
    std::vector<uint32_t> palettes[2] = {std::vector<uint32_t>(256)};
    for (int i = 0; c.masks != nullptr && i < 3; ++i) AppendWord(&video.strf, layout.masks[i] = c.masks[i]);
    for (int i = 0; c.masks == nullptr && i < 16; ++i) AppendWord(&video.strf, palettes[0][i] = random() & 0xFFFFFF);
    // Entries 3 to 5 change before frame 1: PALETTEENTRY red, green, blue, flags.
    palettes[1] = palettes[0];
    for (uint32_t i = 0; i < 3; ++i) palettes[1][3 + i] = (30 * i + 30) | (30 * i + 20) << 8 | (30 * i + 10) << 16;
    std::vector<std::vector<uint8_t>> pictures(2, std::vector<uint8_t>(PictureLayoutBytes(layout)));
    for (auto& picture : pictures) std::generate(picture.begin(), picture.end(), [&] { return uint8_t(random()); });
    const std::vector<AviWriterChunk> chunks = {{0, "db", true, pictures[0]},
                                                {0, "pc", false, {3, 3, 0, 0, 10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0}},
                                                {0, "db", true, pictures[1]}};
    AviWriterOptions options;
    options.writeIndex = c.masks != nullptr;
    ASSERT_TRUE(WriteAvi(ScratchPath("own_form.avi"), {video}, chunks, options));
    ASSERT_TRUE(OpenPath(ScratchPath("own_form.avi"))) << messages_;
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
TEST_F(ClipTest, HeadersThatMakeNoSenseAreRepairedOrRefused) {
  // Scales 1 and 4 where rates are given.
  struct Case { uint32_t videoRate, microSecPerFrame, soundRate, samplesPerSec; bool opens; const char* messages; };
  const Case cases[] = {{0, 100000, 0, 22050, true, ""}, {0, 0, 88200, 22050, false, kUnknownFormat},
                        {10, 0, 0, 0, true, kNoAudioDecoder}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.videoRate << " " << c.microSecPerFrame << " us " << c.soundRate);
    decoder_->Close();
    // "auds", no handler, flags or initial frames; scale, rate, start, length, buffer size, quality, sample size.
    const StreamHeaderFields sound{"auds", "", 0, 0, c.soundRate ? 4u : 0u, c.soundRate, 0, 22050, 0, ~0u, 4};
    const AviWriterStream audio = {StreamHeaderBytes(sound), WaveFormatBytes(1, 2, c.samplesPerSec, c.samplesPerSec * 4, 4, 16)};
    std::vector<uint8_t> bytes(88200);  // 8,820 a chunk, each of its number
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i / 8820);
    const std::string path = WriteTinyClip("headers.avi", 0, 10, &audio, bytes, c.videoRate, c.microSecPerFrame);
    messages_.clear();
    EXPECT_EQ(OpenPath(path), c.opens);
    EXPECT_EQ(messages_, c.messages);
    if (!decoder_->IsAudioOpen()) continue;
    // The sound of block 3 lies in chunk 3 x samples per block x 4 bytes div 8,820.
    std::vector<uint8_t> block(OutputFormat().BlockBytes());
    EXPECT_TRUE(decoder_->ReadAudioBlock(block.data(), 3));
    EXPECT_EQ(block[0], 3 * OutputFormat().samplesPerBlock * 4 / 8820);
  }
}
