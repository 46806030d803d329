// Real decoding under Wine: every frame of the Cinepak, MS Video 1 and raw
// clips through the installed decompressors, against ffmpeg's decode of the
// same frame; read in order, at random positions and backwards, also in
// "Safe Video Backup Mode" and through rendered chains.
#include "tests/common/clip_packets.h"
#include "tests/common/test_paths.h"
#include "tests/decode/clip_decoding_support.h"
#include "video/rgb24_to_yuy2.h"

#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

namespace {

struct VideoClip {
  const char* name;     // the clip without ".avi"
  double minimumPsnr;   // against ffmpeg's decode
  int emptyChunks;      // frames that repeat the one before
  // MS Video 1 under Wine: red and blue arrive exchanged, and frames between
  // keyframes are decoded over a fresh, uninitialised buffer each time (the
  // blocks they skip hold garbage), so only keyframes can be compared.
  bool msVideo1;
  bool safeBackupMode = false;  // "Safe Video Backup Mode"
  bool renderFullChains = false;  // "Render Full Chains of Filters"
};

class VideoDecodingTest : public ClipTest, public ::testing::WithParamInterface<VideoClip> {
 protected:
  // Frames whose pictures can be compared on this platform.
  bool Comparable(int32_t frame) {
    if (!GetParam().msVideo1 || !RunningUnderWine()) return true;
    return decoder_->PreviousKeyframe(frame) == frame;
  }
};

}  // namespace

// Every frame read in order against ffmpeg's; then random and backward
// reads give the pictures of the sequential ones.
TEST_P(VideoDecodingTest, EveryFrameMatchesFfmpegInAnyOrder) {
  const VideoClip& clip = GetParam();
  DecoderOpenSettings settings;
  settings.safeBackupMode = clip.safeBackupMode;
  settings.renderFullChains = clip.renderFullChains;
  ASSERT_TRUE(OpenClip(std::string(clip.name) + ".avi", settings)) << messages_;
  std::vector<uint8_t> reference = Reference(std::string(clip.name) + ".yuyv");
  ASSERT_EQ(FrameCount() * FrameSize(), reference.size());
  const bool swappedOnWine = clip.msVideo1 && RunningUnderWine();
  std::vector<uint8_t> swapped;
  if (swappedOnWine) swapped = Reference(std::string(clip.name) + ".swapped.yuyv");

  std::vector<std::vector<uint8_t>> frames(FrameCount(), std::vector<uint8_t>(FrameSize()));
  std::vector<bool> results(FrameCount());
  for (int32_t f = 0; f < FrameCount(); ++f) results[f] = decoder_->ReadVideoFrame(frames[f].data(), f);
  int empty = 0;
  int compared = 0;
  double worst = 99, worstSwapped = 99;
  for (int32_t f = 0; f < FrameCount(); ++f) {
    if (!results[f]) {
      // An empty chunk: false, and the last picture once more (ffmpeg fills
      // the gap its own way, so there is no reference to compare with).
      ++empty;
      ASSERT_GT(f, 0);
      EXPECT_EQ(frames[f - 1], frames[f]) << "frame " << f;
      continue;
    }
    if (!Comparable(f)) continue;
    ++compared;
    worst = std::min(worst, Psnr(frames[f].data(), reference.data() + f * FrameSize(), FrameSize()));
    if (swappedOnWine) {
      worstSwapped = std::min(worstSwapped,
                              Psnr(frames[f].data(), swapped.data() + f * FrameSize(), FrameSize()));
    }
  }
  EXPECT_EQ(clip.emptyChunks, empty);
  EXPECT_GT(compared, 1);
  if (swappedOnWine) {
    std::printf("%s: %d of %d frames compared (keyframes only under Wine)\n", clip.name, compared,
                FrameCount());
    // What Wine's MS Video 1 decompressor does: red and blue exchanged.
    EXPECT_LT(worst, clip.minimumPsnr) << clip.name << ": Wine's MS Video 1 now keeps red and blue in "
                                                       "their places; compare it as the other codecs";
    EXPECT_GT(worstSwapped, clip.minimumPsnr) << "with red and blue exchanged back";
  } else {
    EXPECT_GT(worst, clip.minimumPsnr) << clip.name;
  }
  std::vector<uint8_t> frame(FrameSize());
  std::mt19937 random(20261205);
  for (int i = 0; i < 40; ++i) {
    const int32_t f = static_cast<int32_t>(random() % FrameCount());
    EXPECT_EQ(results[f], decoder_->ReadVideoFrame(frame.data(), f)) << "frame " << f;
    if (Comparable(f)) {
      EXPECT_TRUE(frame == frames[f]) << "random read of frame " << f;
    }
  }
  for (int32_t f = FrameCount() - 1; f >= 0; --f) {
    EXPECT_EQ(results[f], decoder_->ReadVideoFrame(frame.data(), f)) << "frame " << f;
    if (Comparable(f)) {
      EXPECT_TRUE(frame == frames[f]) << "backward read of frame " << f;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, VideoDecodingTest,
                         ::testing::Values(VideoClip{"raw_pcm16", 40, 0, false},
                                           VideoClip{"raw_mp3", 40, 1, false},
                                           VideoClip{"cinepak_pcm16", 30, 0, false},
                                           VideoClip{"cinepak_mp3", 30, 1, false},
                                           VideoClip{"cinepak_msadpcm", 30, 0, false},
                                           VideoClip{"msvc_silent", 30, 0, true},
                                           VideoClip{"msvc_pcm8", 30, 0, true},
                                           // Sizes and rates met in the wild: rows of
                                           // 606 bytes at 12 fps; 29.97 fps.
                                           VideoClip{"raw_pcm8", 40, 0, false},
                                           VideoClip{"raw_mp3_odd", 40, 1, false},
                                           VideoClip{"cinepak_odd", 30, 0, false},
                                           VideoClip{"raw_pcm16", 40, 0, false, true},
                                           VideoClip{"cinepak_mp3", 30, 1, false, true},
                                           VideoClip{"cinepak_mp3", 30, 1, false, false, true}),
                         [](const ::testing::TestParamInfo<VideoClip>& info) {
                           return std::string(info.param.name) + (info.param.safeBackupMode ? "_safe" : "") +
                                  (info.param.renderFullChains ? "_rendered" : "");
                         });

// Uncompressed pictures of sizes met in the wild (rows of 480, 606 and 600
// bytes) are exactly our RGB24-to-YUY2 conversion of ffmpeg's decode, first
// frame and middle frame.
TEST_F(ClipTest, RawPicturesAreExactlyTheConversionOfFfmpegsDecode) {
  for (const char* name : {"raw_pcm16", "raw_pcm8", "raw_mp3_odd"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(OpenClip(std::string(name) + ".avi")) << messages_;
    const std::vector<uint8_t> decoded = Reference(std::string(name) + ".bgr24");
    const size_t packedRow = 3 * static_cast<size_t>(Width());
    const size_t paddedRow = (packedRow + 3) / 4 * 4;
    for (const int32_t f : {0, FrameCount() / 2}) {
      ASSERT_LE((f + 1) * packedRow * Height(), decoded.size());
      std::vector<uint8_t> source(paddedRow * Height());
      for (int32_t y = 0; y < Height(); ++y) {
        std::memcpy(&source[y * paddedRow], &decoded[(f * Height() + y) * packedRow], packedRow);
      }
      std::vector<uint8_t> expected(FrameSize()), frame(FrameSize());
      Rgb555ToYuy2Table table;
      reference::ConvertRgb24ToYuy2(source.data(), expected.data(), Width(), -Height(), true, &table);
      ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), f)) << "frame " << f;
      EXPECT_TRUE(frame == expected) << "frame " << f;
    }
  }
}

// A file of over a gigabyte in two RIFF parts (OpenDML), made by ffmpeg:
// its whole length, its last frame, and a seek into its second part.
TEST_F(ClipTest, AnOpenDmlClipPlaysToItsLastFrameAndSeeksIntoItsSecondPart) {
  ASSERT_TRUE(OpenClip("raw_pcm16_odml.avi")) << messages_;
  EXPECT_EQ(FrameCount(), 400);
  const std::vector<uint8_t> reference = Reference("raw_pcm16_odml.yuyv");
  ASSERT_EQ(reference.size(), 2 * FrameSize());
  std::vector<uint8_t> frame(FrameSize());
  for (const int32_t f : {399, 300}) {
    ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), f)) << "frame " << f;
    const uint8_t* expected = reference.data() + (f == 300 ? 0 : FrameSize());
    EXPECT_GT(Psnr(frame.data(), expected, FrameSize()), 40) << "frame " << f;
  }
  EXPECT_EQ(decoder_->PreviousKeyframe(399), 399);  // every raw frame is a keyframe
}

// Cinepak keyframes at 0, 12, 24, 36 and 48 (the clip is made with a
// keyframe every 12 frames; its packet list says where they are). Frames out
// of range give false without touching the graph or the picture.
TEST_F(ClipTest, ReadingStartsAtTheKeyframeAndSkipsWhatAKeyframeMakesUnnecessary) {
  std::vector<long long> keyframes;
  for (const Packet& p : LoadPackets(ClipPath("cinepak_pcm16.avi") + ".packets")) {
    if (p.stream == 0 && p.keyframe) keyframes.push_back(p.dts);
  }
  ASSERT_EQ(keyframes, (std::vector<long long>{0, 12, 24, 36, 48}));
  ASSERT_TRUE(OpenClip("cinepak_pcm16.avi")) << messages_;
  ASSERT_EQ(12, decoder_->PreviousKeyframe(20));
  std::vector<uint8_t> frame(FrameSize(), 0x5A);
  EXPECT_FALSE(decoder_->ReadVideoFrame(frame.data(), -1));
  EXPECT_FALSE(decoder_->ReadVideoFrame(frame.data(), FrameCount()));
  EXPECT_FALSE(decoder_->ReadVideoFrame(nullptr, 0));
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

// Header values the data contradicts, in the Cinepak clip read without its
// index: a suggested buffer of 1,024 bytes, smaller than every chunk (the
// buffers grow to the chunk), and a frame count three times the frames there
// are (the data ends after the last one, and nothing past it is asked of the
// graph again). Every frame decodes as it does with the index.
TEST_F(ClipTest, TheDataDecidesTheBufferAndTheEnd) {
  ASSERT_TRUE(OpenClip("cinepak_pcm16.avi")) << messages_;
  const int32_t frames = FrameCount();
  std::vector<std::vector<uint8_t>> indexed(frames, std::vector<uint8_t>(FrameSize()));
  for (int32_t f = 0; f < frames; ++f) ASSERT_TRUE(decoder_->ReadVideoFrame(indexed[f].data(), f)) << f;
  decoder_->Close();

  const std::string path = WriteWholeFile(ScratchPath("lying-header.avi"), ReadFileBytes(ClipPath("cinepak_pcm16.avi")));
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  const size_t strh = std::string(bytes.begin(), bytes.end()).find("strh") + 8;
  ASSERT_TRUE(PatchU32(path, strh + 32, 3 * frames));  // dwLength
  ASSERT_TRUE(PatchU32(path, strh + 36, 1024));        // dwSuggestedBufferSize
  DecoderOpenSettings settings;
  settings.allowIndex = false;
  ASSERT_TRUE(OpenPath(path, settings)) << messages_;
  EXPECT_EQ(3 * frames, FrameCount());
  std::vector<uint8_t> frame(FrameSize());
  for (int32_t f = 0; f < frames; ++f) {
    ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), f)) << f;
    EXPECT_TRUE(frame == indexed[f]) << "frame " << f;
  }
  EXPECT_EQ(3 * frames, decoder_->VideoDataEnd());
  EXPECT_FALSE(decoder_->ReadVideoFrame(frame.data(), frames));
  EXPECT_EQ(frames, decoder_->VideoDataEnd());
  const int32_t delivered = decoder_->VideoChunksDelivered();
  EXPECT_FALSE(decoder_->ReadVideoFrame(frame.data(), frames + 1));
  EXPECT_FALSE(decoder_->ReadVideoFrame(frame.data(), 2 * frames));
  EXPECT_EQ(delivered, decoder_->VideoChunksDelivered());
  EXPECT_TRUE(decoder_->ReadVideoFrame(frame.data(), 0)) << "the data before the end still reads";
}

// Both conversion qualities, switched while the file is open.
TEST_F(ClipTest, TheConversionOptionTakesEffectAtTheNextFrame) {
  ASSERT_TRUE(OpenClip("raw_pcm16.avi")) << messages_;
  std::vector<uint8_t> reference = Reference("raw_pcm16.yuyv");
  std::vector<uint8_t> high(FrameSize()), low(FrameSize());
  ASSERT_TRUE(decoder_->ReadVideoFrame(high.data(), 7));
  highQuality_ = 0;
  ASSERT_TRUE(decoder_->ReadVideoFrame(low.data(), 7));
  EXPECT_NE(high, low);
  // Colours reduced to 15 bits cost precision, not the picture.
  EXPECT_GT(Psnr(low.data(), reference.data() + 7 * FrameSize(), FrameSize()), 30.0);
  highQuality_ = 1;
  ASSERT_TRUE(decoder_->ReadVideoFrame(low.data(), 7));
  EXPECT_EQ(high, low);
}
