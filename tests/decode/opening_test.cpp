// Opening files: the messages of each failure, what "Disable Audio" and "Add
// Grapth to ROT" change, the chain descriptions, and giving the sound up.
#include "decode/avi_splitter_filter.h"
#include "decode/filter_chain.h"
#include "decode/run_failure_message.h"
#include "decode/running_object_table.h"
#include "decode/sample_grabber_filter.h"
#include "tests/common/failing_allocations.h"
#include "tests/common/test_paths.h"
#include "tests/decode/clip_decoding_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

class OpeningTest : public ClipTest {
 protected:
  void TearDown() override {
    ClipTest::TearDown();
    EXPECT_EQ(0, AviSplitterFilter::Live());
    EXPECT_EQ(0, SampleGrabberFilter::Live());
  }
  std::string Describe(bool audio) {
    char text[256] = "";
    audio ? decoder_->DescribeAudioDecoders(text, sizeof(text))
          : decoder_->DescribeVideoDecoders(text, sizeof(text));
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

// Video that no decompressor takes, and headers that lie about sizes
// (refused before anything is sized from them), fail with the video
// message and leave no graph; sound that cannot be decoded plays silently.
TEST_F(OpeningTest, WhatCannotBeDecodedIsRefusedWithItsMessage) {
  struct Case {
    const char* fourcc;  // null: raw pictures
    uint16_t audioTag;
    int stream;          // the "strf" patched (-1: none), BITMAPINFOHEADER or WAVEFORMATEX
    uint32_t offset, value;
    bool opens;
    const char* messages;
    bool renderFullChains = false;
  };
  const char* const kVideo = "Can't locate video decompressor\n";
  const char* const kAudio = "Can't locate audio decompressor\n";
  const Case cases[] = {
      {"MJPG", 0, -1, 0, 0, false, kVideo},
      {"ABCD", 0, -1, 0, 0, false, kVideo},
      {nullptr, 0x7777, -1, 0, 0, true, kAudio},
      {nullptr, WAVE_FORMAT_PCM, 0, 4, 0x7FFFFFF0u, false, kVideo},  // biWidth
      {nullptr, WAVE_FORMAT_PCM, 0, 8, 0x80000010u, false, kVideo},  // biHeight, near -2^31
      {nullptr, WAVE_FORMAT_PCM, 0, 4, 0, false, kVideo},
      {nullptr, WAVE_FORMAT_PCM, 0, 4, 0, false, kVideo, true},  // no graph: nothing to render into
      {nullptr, WAVE_FORMAT_PCM, 0, 4, 0x7FFFFFF0u, false, kVideo, true},
      {nullptr, WAVE_FORMAT_PCM, 1, 4, 0x7FFFFFF0u, true, kAudio},  // nSamplesPerSec
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.fourcc ? c.fourcc : "raw") << " " << c.stream << " " << c.offset
                                    << (c.renderFullChains ? " rendering full chains" : ""));
    decoder_->Close();  // the file is written again
    const AviWriterStream unknown = VariableAudioStream(c.audioTag, 2, 22050, 1024, 10);
    const std::string path = WriteTinyClip("odd.avi", c.fourcc ? Fourcc(c.fourcc) : 0, 10,
                                           c.audioTag ? &unknown : nullptr, std::vector<uint8_t>(3000));
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    size_t strf = 0;
    for (int s = 0; s <= c.stream; ++s) strf = std::string(bytes.begin(), bytes.end()).find("strf", strf + 1);
    ASSERT_NE(strf, std::string::npos);
    if (c.stream >= 0) {
      ASSERT_TRUE(PatchU32(path, strf + 8 + c.offset, c.value));
    }
    messages_.clear();
    DecoderOpenSettings settings;
    settings.renderFullChains = c.renderFullChains;
    EXPECT_EQ(c.opens, OpenPath(path, settings));
    EXPECT_EQ(c.messages, messages_);
    EXPECT_FALSE(decoder_->IsAudioOpen());
    if (!c.opens) {
      EXPECT_EQ(nullptr, decoder_->Graph());  // everything made was released
    }
  }
  int32_t channels = 0;
  decoder_->GetAudioInfo(&channels, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(2, channels);  // the file still has its sound
  EXPECT_EQ(nullptr, decoder_->Grabber()->AudioPin());
  uint8_t block[64];
  EXPECT_FALSE(decoder_->ReadAudioBlock(block, 0));
}

// "Disable Audio" and a file without sound: nothing of the sound in the
// graph, and the file's sound still described.
TEST_F(OpeningTest, NoSoundInTheGraph) {
  struct Case {
    const char* clip;
    bool disableAudio;
    int32_t channels, bits, rate, total;
  };
  for (const Case c :
       {Case{"raw_pcm16.avi", true, 2, 16, 44100, 132300}, Case{"msvc_silent.avi", false, 0, 0, 0, 0}}) {
    DecoderOpenSettings settings;
    settings.disableAudio = c.disableAudio;
    ASSERT_TRUE(OpenClip(c.clip, settings)) << messages_;
    EXPECT_TRUE(messages_.empty()) << messages_;
    EXPECT_FALSE(decoder_->IsAudioOpen());
    int32_t channels = -1, bits = -1, rate = -1, total = -1;
    decoder_->GetAudioInfo(&channels, &bits, &rate, nullptr, nullptr, &total);
    EXPECT_EQ(std::vector<int32_t>({c.channels, c.bits, c.rate, c.total}),
              std::vector<int32_t>({channels, bits, rate, total})) << c.clip;
    EXPECT_EQ(nullptr, decoder_->Source()->AudioPin());
    EXPECT_EQ(nullptr, decoder_->Grabber()->AudioPin());
    uint8_t stereo = 7;
    decoder_->GetAudioOutputFormat(&stereo, nullptr, nullptr, nullptr);
    EXPECT_EQ(7, stereo);  // nothing written without open sound
  }
}

// A graph that cannot be created (here: COM is not set up on the opening
// thread) fails the open without a message, with "Render Full Chains" on too.
TEST_F(OpeningTest, WithoutAGraphTheOpenFailsSilently) {
  for (const bool renderFullChains : {false, true}) {
    bool opened = true;
    std::thread outsideCom([&] {
      DecoderOpenSettings settings;
      settings.renderFullChains = renderFullChains;
      opened = OpenClip("raw_pcm16.avi", settings);
    });
    outsideCom.join();
    EXPECT_FALSE(opened) << renderFullChains;
    EXPECT_EQ("", messages_) << renderFullChains;
    EXPECT_EQ(nullptr, decoder_->Graph());
  }
}

// Wine's AVI Decompressor agrees YUY2 for Cinepak and writes RGB24: the
// path is connected again for RGB24, which needs a frame of that size. When
// it cannot be had the open fails, rather than letting RGB24 land in a
// YUY2-sized frame.
TEST_F(OpeningTest, WithoutTheFrameForTheRgb24PictureTheOpenFails) {
  const uint32_t rgb24Frame = 160 * 120 * 3;  // cinepak_pcm16.avi
  for (const bool memory : {true, false}) {
    decoder_->Close();
    // The frame and the conversions' slack behind it; with memory, nothing fails.
    FailingAllocations allocations(memory ? 1 : rgb24Frame, memory ? 0 : rgb24Frame + 64);
    const bool opened = OpenClip("cinepak_pcm16.avi");
    EXPECT_EQ(opened, memory) << messages_;
    EXPECT_EQ(decoder_->VideoReconnectedForRgb24(), memory);
    if (!memory) {
      EXPECT_GT(allocations.Refused(), 0);
      EXPECT_EQ(nullptr, decoder_->Graph());
    }
  }
}

// The descriptions give the format tag and the chain's filters by their own
// names (which decoder the graph takes depends on what the host offers,
// unless Wine's own set is fixed for the run).
TEST_F(OpeningTest, DescriptionsNameTheChains) {
  ASSERT_TRUE(OpenClip("cinepak_mp3.avi")) << messages_;
  EXPECT_EQ("<CVID> AVI Decompressor", Describe(false));
  std::string decoderName;
  ASSERT_TRUE(decoder_->AudioChain()[0] && FilterName(decoder_->AudioChain()[0].Get(), &decoderName));
  EXPECT_EQ("<0x55> " + decoderName, Describe(true));
  if (WineFilterSetFixed()) {
    EXPECT_EQ("<0x55> MP3 Decoder DMO", Describe(true));
  }
  // The audio text goes behind what the text holds; a short buffer cuts it.
  char text[16] = "A:";
  decoder_->DescribeAudioDecoders(text, sizeof(text));
  EXPECT_EQ(("A:<0x55> " + decoderName).substr(0, 15), text);

  // Giving the sound up: no chain, no pages, no blocks.
  decoder_->DropAudio();
  EXPECT_FALSE(decoder_->IsAudioOpen());
  EXPECT_EQ("None", Describe(true));
  EXPECT_FALSE(decoder_->ShowAudioDecoderPages(nullptr));
  uint8_t block[8];
  EXPECT_FALSE(decoder_->ReadAudioBlock(block, 0));
  std::vector<uint8_t> frame(FrameSize());
  EXPECT_TRUE(decoder_->ReadVideoFrame(frame.data(), 5));  // the picture goes on

  ASSERT_TRUE(OpenClip("raw_pcm16.avi")) << messages_;
  EXPECT_EQ("<> None", Describe(false));
  EXPECT_EQ("<0x1> None", Describe(true));
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

  decoder_->Close();
  EXPECT_FALSE(decoder_->IsRegisteredInRot());
  EXPECT_NE(S_OK, table->IsRunning(moniker.Get()));

  // Without the option nothing is registered.
  ASSERT_TRUE(OpenClip("msvc_silent.avi")) << messages_;
  EXPECT_FALSE(decoder_->IsRegisteredInRot());
}
