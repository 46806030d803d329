// Opening files: the messages of each failure, what "Disable Audio", "Use
// Secondary Audio Stream", "Render Full Chains of Filters" and "Add Grapth to
// ROT" change, the chain descriptions, and giving the sound up.
#include "decode/avi_splitter_filter.h"
#include "decode/filter_chain.h"
#include "decode/run_failure_message.h"
#include "decode/running_object_table.h"
#include "decode/sample_grabber_filter.h"
#include "tests/common/test_paths.h"
#include "tests/decode/clip_decoding_support.h"
#include "tools/avi_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A 16 x 16 clip of ten frames with the given video code (the chunks are not
// real pictures) and, optionally, a sound stream of an unknown format tag.
std::string WriteOddClip(const std::string& name, const char* fourcc, uint16_t audioTag) {
  const std::string path = ScratchPath(name);
  std::vector<AviWriterStream> streams = {VideoStream(fourcc ? Fourcc(fourcc) : 0, 16, 16, 24, 10, 1, 10)};
  if (audioTag != 0) streams.push_back(VariableAudioStream(audioTag, 2, 22050, 1024, 10));
  std::vector<AviWriterChunk> chunks;
  for (int f = 0; f < 10; ++f) {
    chunks.push_back({0, fourcc ? "dc" : "db", true, std::vector<uint8_t>(16 * 16 * 3, static_cast<uint8_t>(f * 9))});
    if (audioTag != 0) chunks.push_back({1, "wb", true, std::vector<uint8_t>(300, static_cast<uint8_t>(f))});
  }
  AviWriterOptions options;
  options.microSecPerFrame = 100000;
  EXPECT_TRUE(WriteAvi(path, streams, chunks, options));
  return path;
}

class OpeningTest : public ClipTest {
 protected:
  void TearDown() override {
    ClipTest::TearDown();
    EXPECT_EQ(0, AviSplitterFilter::Live());
    EXPECT_EQ(0, SampleGrabberFilter::Live());
  }
  bool OpenPath(const std::string& path, const DecoderOpenSettings& settings = DefaultSettings()) {
    DecoderOpenSettings withOptions = settings;
    withOptions.highQuality = [this] { return highQuality_ != 0; };
    withOptions.autoSync = [this] { return autoSync_ != 0; };
    return decoder_->Open(path.c_str(), &messages_, withOptions);
  }
  std::string DescribeVideo() {
    char text[256] = "";
    decoder_->DescribeVideoDecoders(text, sizeof(text));
    return text;
  }
  std::string DescribeAudio() {
    char text[256] = "";
    decoder_->DescribeAudioDecoders(text, sizeof(text));
    return text;
  }
};

}  // namespace

TEST_F(OpeningTest, FilesThatAreNotAviOpenWithTheReadersMessageOnly) {
  const char header[] = "RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00"
                        "\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00data\x00\x00\x00\x00";
  const std::string wave = WriteWholeFile(ScratchPath("tone.wav"), std::string(header, sizeof(header) - 1));
  EXPECT_FALSE(OpenPath(wave));
  EXPECT_EQ("Unknown format, Velmora supports AVI (RIFF) formats only\n", messages_);
  EXPECT_FALSE(decoder_->IsVideoOpen());
  EXPECT_EQ(nullptr, decoder_->Graph());

  messages_.clear();
  EXPECT_FALSE(OpenPath(ScratchPath("missing.avi")));
  EXPECT_EQ(0u, messages_.find("Can't open ")) << messages_;
  EXPECT_NE(std::string::npos, messages_.find("missing.avi\n")) << messages_;
  EXPECT_EQ(nullptr, decoder_->Graph());
}

TEST_F(OpeningTest, VideoWithoutADecompressor) {
  for (const char* code : {"MJPG", "ABCD"}) {
    messages_.clear();
    EXPECT_FALSE(OpenPath(WriteOddClip(std::string(code) + ".avi", code, 0))) << code;
    EXPECT_EQ("Can't locate video decompressor\n", messages_) << code;
    EXPECT_FALSE(decoder_->IsVideoOpen());
    EXPECT_EQ(nullptr, decoder_->Graph());  // everything made was released
  }
}

TEST_F(OpeningTest, SoundWithoutADecompressorPlaysSilently) {
  ASSERT_TRUE(OpenPath(WriteOddClip("odd_sound.avi", nullptr, 0x7777))) << messages_;
  EXPECT_EQ("Can't locate audio decompressor\n", messages_);
  EXPECT_TRUE(decoder_->IsVideoOpen());
  EXPECT_FALSE(decoder_->IsAudioOpen());
  int32_t channels = 0;
  decoder_->GetAudioInfo(&channels, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(2, channels);  // the file still has its sound
  EXPECT_EQ(nullptr, decoder_->Source()->AudioPin());
  EXPECT_EQ(nullptr, decoder_->Grabber()->AudioPin());
  EXPECT_EQ("None", DescribeAudio());
  uint8_t block[64];
  EXPECT_FALSE(decoder_->ReadAudioBlock(block, 0));
}

TEST_F(OpeningTest, DisableAudioKeepsTheSoundDescribedButUnused) {
  DecoderOpenSettings settings;
  settings.disableAudio = true;
  ASSERT_TRUE(OpenClip("raw_pcm16.avi", settings)) << messages_;
  EXPECT_TRUE(messages_.empty()) << messages_;
  EXPECT_FALSE(decoder_->IsAudioOpen());
  int32_t channels = 0, bits = 0, rate = 0, total = 0;
  decoder_->GetAudioInfo(&channels, &bits, &rate, nullptr, nullptr, &total);
  EXPECT_EQ(2, channels);
  EXPECT_EQ(16, bits);
  EXPECT_EQ(44100, rate);
  EXPECT_EQ(132300, total);  // 3 s
  EXPECT_EQ(nullptr, decoder_->Source()->AudioPin());
  EXPECT_EQ(nullptr, decoder_->Grabber()->AudioPin());
  uint8_t stereo = 7;
  decoder_->GetAudioOutputFormat(&stereo, nullptr, nullptr, nullptr);
  EXPECT_EQ(7, stereo);  // nothing written without open sound
}

TEST_F(OpeningTest, AFileWithoutSound) {
  ASSERT_TRUE(OpenClip("msvc_silent.avi")) << messages_;
  EXPECT_TRUE(messages_.empty()) << messages_;
  int32_t channels = -1, bits = -1, rate = -1, size = -1, total = -1;
  uint32_t bytes = 1;
  decoder_->GetAudioInfo(&channels, &bits, &rate, &size, &bytes, &total);
  EXPECT_EQ(0, channels + bits + rate + size + total);
  EXPECT_EQ(0u, bytes);
  EXPECT_FALSE(decoder_->IsAudioOpen());
  EXPECT_EQ(nullptr, decoder_->Source()->AudioPin());
}

TEST_F(OpeningTest, TheSecondaryAudioStream) {
  DecoderOpenSettings settings;
  settings.useSecondaryAudio = true;
  ASSERT_TRUE(OpenClip("msvc_two_audio.avi", settings)) << messages_;
  ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
  std::vector<uint8_t> second = Reference("msvc_two_audio.a1");
  std::vector<uint8_t> block(2940 * 2);
  for (int32_t n = 0; n < 5; ++n) {
    ASSERT_TRUE(decoder_->ReadAudioBlock(block.data(), n));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), second.begin() + n * block.size())) << n;
  }
}

TEST_F(OpeningTest, DescriptionsNameTheChains) {
  ASSERT_TRUE(OpenClip("cinepak_mp3.avi")) << messages_;
  EXPECT_EQ("<CVID> AVI Decompressor", DescribeVideo());
  EXPECT_EQ("<0x55> MP3 Decoder DMO", DescribeAudio());
  // The audio text goes behind what the text holds; a short buffer cuts it.
  char text[16] = "A:";
  decoder_->DescribeAudioDecoders(text, sizeof(text));
  EXPECT_STREQ("A:<0x55> MP3 De", text);

  // Giving the sound up: no chain, no pages, no blocks.
  decoder_->DropAudio();
  EXPECT_FALSE(decoder_->IsAudioOpen());
  EXPECT_EQ("None", DescribeAudio());
  EXPECT_FALSE(decoder_->ShowAudioDecoderPages(nullptr));
  uint8_t block[8];
  EXPECT_FALSE(decoder_->ReadAudioBlock(block, 0));
  std::vector<uint8_t> frame(FrameSize());
  EXPECT_TRUE(decoder_->ReadVideoFrame(frame.data(), 5));  // the picture goes on

  ASSERT_TRUE(OpenClip("raw_pcm16.avi")) << messages_;
  EXPECT_EQ("<> None", DescribeVideo());
  EXPECT_EQ("<0x1> None", DescribeAudio());
}

TEST_F(OpeningTest, TheRunFailureMessageListsTheGraph) {
  ASSERT_TRUE(OpenClip("cinepak_pcm16.avi")) << messages_;
  std::string text;
  AppendRunFailure(&text, S_FALSE, decoder_->Source());
  EXPECT_EQ("Can't Run Filter Graph\nError code: 0x1\n\nVelmora AVI Splitter\nAVI Decompressor\n"
            "Velmora Sample Grabber\nVelmora Sample Grabber\n",
            text);
  text.clear();
  AppendRunFailure(&text, VFW_E_SIZENOTSET, decoder_->Grabber());
  EXPECT_EQ("Can't Run Filter Graph\nError code: 0x80040212 (Cannot allocate memory because no "
            "size has been set)\n\nVelmora Sample Grabber\n",
            text);
  text.clear();
  AppendRunFailure(&text, E_OUTOFMEMORY, decoder_->Grabber());
  EXPECT_EQ("Can't Run Filter Graph\nError code: 0x8007000E (Insufficient memory)\n\nVelmora Sample Grabber\n",
            text);
}

TEST_F(OpeningTest, RenderFullChainsGivesTheSamePictureAndSound) {
  ASSERT_TRUE(OpenClip("cinepak_mp3.avi")) << messages_;
  std::vector<uint8_t> picture(FrameSize()), block(5880 * 4);
  ASSERT_TRUE(decoder_->ReadVideoFrame(picture.data(), 20));
  ASSERT_TRUE(decoder_->ReadAudioBlock(block.data(), 3));

  DecoderOpenSettings settings;
  settings.renderFullChains = true;
  ASSERT_TRUE(OpenClip("cinepak_mp3.avi", settings)) << messages_;
  ASSERT_TRUE(decoder_->IsAudioOpen()) << messages_;
  std::vector<uint8_t> picture2(FrameSize()), block2(block.size());
  ASSERT_TRUE(decoder_->ReadVideoFrame(picture2.data(), 20));
  ASSERT_TRUE(decoder_->ReadAudioBlock(block2.data(), 3));
  EXPECT_EQ(picture, picture2);
  EXPECT_EQ(block, block2);
  // The renderers that Render added are gone: the grabber ends both chains.
  std::string listing;
  AppendGraphListing(&listing, decoder_->Source());
  EXPECT_EQ(std::string::npos, listing.find("Renderer")) << listing;
}

// Headers that lie about sizes refuse what they describe, with the usual
// messages, before anything is sized from them.
TEST_F(OpeningTest, CraftedSizesAreRefused) {
  struct Case {
    uint32_t offset;  // into the clip's first "strf" (BITMAPINFOHEADER) or second (WAVEFORMATEX)
    int stream;
    uint32_t value;
    bool opens;
    const char* messages;
  };
  const Case cases[] = {
      {4, 0, 0x7FFFFFF0u, false, "Can't locate video decompressor\n"},  // biWidth
      {8, 0, 0x80000010u, false, "Can't locate video decompressor\n"},  // biHeight, near -2^31
      {4, 0, 0, false, "Can't locate video decompressor\n"},
      {4, 1, 0x7FFFFFF0u, true, "Can't locate audio decompressor\n"},  // nSamplesPerSec
  };
  const std::vector<uint8_t> clip = ReadWholeFile(WriteOddClip("crafted.avi", nullptr, WAVE_FORMAT_PCM));
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = clip;
    size_t strf = 0;
    for (int s = 0; s <= c.stream; ++s) strf = std::string(bytes.begin(), bytes.end()).find("strf", strf + 1);
    ASSERT_NE(strf, std::string::npos);
    std::memcpy(&bytes[strf + 8 + c.offset], &c.value, 4);
    const std::string path = WriteWholeFile(ScratchPath("crafted_case.avi"), std::string(bytes.begin(), bytes.end()));
    messages_.clear();
    EXPECT_EQ(c.opens, decoder_->Open(path.c_str(), &messages_, DefaultSettings())) << c.offset;
    EXPECT_EQ(c.messages, messages_) << c.offset;
    if (c.opens) EXPECT_FALSE(decoder_->IsAudioOpen());
  }
}

TEST_F(OpeningTest, TheRunningObjectTableEntryLivesWhileTheFileIsOpen) {
  DecoderOpenSettings settings;
  settings.addToRot = true;
  ASSERT_TRUE(OpenClip("msvc_silent.avi", settings)) << messages_;
  ASSERT_TRUE(decoder_->IsRegisteredInRot());
  const std::wstring name = RotItemName(decoder_->Graph());
  ComPtr<IRunningObjectTable> table;
  ASSERT_EQ(S_OK, GetRunningObjectTable(0, table.Receive()));
  ComPtr<IMoniker> moniker;
  ASSERT_EQ(S_OK, CreateItemMoniker(L"!", name.c_str(), moniker.Receive()));
  EXPECT_EQ(S_OK, table->IsRunning(moniker.Get()));
  ComPtr<IUnknown> graph;
  ASSERT_EQ(S_OK, table->GetObject(moniker.Get(), graph.Receive()));
  graph.Reset();

  decoder_->Close();
  EXPECT_FALSE(decoder_->IsRegisteredInRot());
  EXPECT_NE(S_OK, table->IsRunning(moniker.Get()));

  // Without the option nothing is registered.
  ASSERT_TRUE(OpenClip("msvc_silent.avi")) << messages_;
  EXPECT_FALSE(decoder_->IsRegisteredInRot());
  ComPtr<IMoniker> other;
  ASSERT_EQ(S_OK, CreateItemMoniker(L"!", RotItemName(decoder_->Graph()).c_str(), other.Receive()));
  EXPECT_NE(S_OK, table->IsRunning(other.Get()));
}
