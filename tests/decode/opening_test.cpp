// Opening files: the messages of each failure, what "Disable Audio" and "Add
// Grapth to ROT" change, the chain descriptions, and giving the sound up;
// lifetimes in a real graph: a hundred opens and closes leak neither
// objects, handles nor memory, rendered chains leave nothing of ours, and
// the two streams decode in parallel.
#include "decode/run_failure_message.h"
#include "tests/common/failing_allocations.h"
#include "tests/decode/clip_decoding_support.h"
#include "tools/event_kind.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <thread>

namespace {

// Committed memory (Wine leaves PrivateUsage at 0).
SIZE_T CommittedBytes() {
  PROCESS_MEMORY_COUNTERS counters = {sizeof(counters)};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PagefileUsage;
}

// The process's open handles but for what Wine's filter graph keeps of its
// own for every graph: registry keys and one manual-reset event (shown by
// bench/wine_leaks.sh; the decoder makes neither). Wine's
// GetProcessHandleCount gives 0, so every handle value is looked at.
int OwnHandles() {
  int count = 0;
  for (uintptr_t value = 4; value < 0x20000; value += 4) {
    const HANDLE handle = reinterpret_cast<HANDLE>(value);
    alignas(8) char type[512];
    if (NtQueryObject(handle, ObjectTypeInformation, type, sizeof type, nullptr) != 0) continue;
    const UNICODE_STRING& name = reinterpret_cast<PUBLIC_OBJECT_TYPE_INFORMATION*>(type)->TypeName;
    const std::wstring typeName(name.Buffer, name.Length / sizeof(wchar_t));
    count += typeName != L"Key" && !(typeName == L"Event" && KindOfEvent(handle) == EventKind::kManualReset);
  }
  return count;
}


using OpeningTest = ClipTest;

}  // namespace

// A file that is not AVI, or not there, gives the reader's message only.
// Video that no decompressor takes, and headers that lie about sizes
// (refused before anything is sized from them), fail with the video
// message; sound that cannot be decoded plays silently. A graph that cannot
// be created (here: COM is not set up on the opening thread) fails the open
// without a message. A failed open leaves no graph.
TEST_F(OpeningTest, WhatCannotBeDecodedIsRefusedWithItsMessage) {
  const char header[] = "RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00"
                        "\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00data\x00\x00\x00\x00";
  const std::string wave = WriteWholeFile(ScratchPath("tone.wav"), std::string(header, sizeof(header) - 1));
  const std::string missing = ScratchPath("missing.avi");
  for (const std::string& path : {wave, missing}) {
    EXPECT_FALSE(OpenPath(path));
    EXPECT_EQ(path == wave ? kUnknownFormat : "Can't open  file " + missing + "\n", messages_);
    EXPECT_FALSE(decoder_->IsVideoOpen());
    EXPECT_EQ(nullptr, decoder_->Graph());
    messages_.clear();
  }

  // The video code (null: raw pictures), the sound's, the "strf" patched
  // (-1: none; 0 the BITMAPINFOHEADER, 1 the WAVEFORMATEX), where and with what.
  struct Case { const char* fourcc; uint16_t audioTag; int stream; uint32_t offset, value; bool opens; const char* messages;
                bool renderFullChains = false, outsideCom = false; };
  const Case cases[] = {
      {nullptr, 0, -1, 0, 0, false, "", false, true}, {nullptr, 0, -1, 0, 0, false, "", true, true},
      {"MJPG", 0, -1, 0, 0, false, kNoVideoDecoder},
      {"ABCD", 0, -1, 0, 0, false, kNoVideoDecoder},
      {nullptr, 0x7777, -1, 0, 0, true, kNoAudioDecoder},
      {nullptr, WAVE_FORMAT_PCM, 0, 4, 0x7FFFFFF0u, false, kNoVideoDecoder},  // biWidth
      {nullptr, WAVE_FORMAT_PCM, 0, 8, 0x80000010u, false, kNoVideoDecoder},  // biHeight, near -2^31
      {nullptr, WAVE_FORMAT_PCM, 0, 4, 0, false, kNoVideoDecoder},
      {nullptr, WAVE_FORMAT_PCM, 0, 4, 0, false, kNoVideoDecoder, true},  // no graph: nothing to render into
      {nullptr, WAVE_FORMAT_PCM, 0, 4, 0x7FFFFFF0u, false, kNoVideoDecoder, true},
      {nullptr, WAVE_FORMAT_PCM, 1, 4, 0x7FFFFFF0u, true, kNoAudioDecoder},  // nSamplesPerSec
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.fourcc ? c.fourcc : "raw") << " " << c.stream << " " << c.offset
                                    << (c.renderFullChains ? " rendering full chains" : "")
                                    << (c.outsideCom ? " outside COM" : ""));
    decoder_->Close();  // the file is written again
    const AviWriterStream unknown = VariableAudioStream(c.audioTag, 2, 22050, 1024, 10);
    const std::string path = WriteTinyClip("odd.avi", c.fourcc ? Fourcc(c.fourcc) : 0, 10,
                                           c.audioTag ? &unknown : nullptr, std::vector<uint8_t>(3000));
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    size_t strf = 0;
    for (int s = 0; s <= c.stream; ++s) strf = std::string(bytes.begin(), bytes.end()).find("strf", strf + 1);
    ASSERT_NE(strf, std::string::npos);
    if (c.stream >= 0) { ASSERT_TRUE(PatchU32(path, strf + 8 + c.offset, c.value)); }
    messages_.clear();
    DecoderOpenSettings settings;
    settings.renderFullChains = c.renderFullChains;
    bool opened = false;
    const auto open = [&] { opened = OpenPath(path, settings); };
    c.outsideCom ? std::thread(open).join() : open();
    EXPECT_EQ(c.opens, opened);
    EXPECT_EQ(c.messages, messages_);
    EXPECT_FALSE(decoder_->IsAudioOpen());
    EXPECT_TRUE(c.opens || decoder_->Graph() == nullptr);  // everything made was released
  }
  int32_t channels = 0;
  decoder_->GetAudioInfo(&channels, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(2, channels);  // the file still has its sound
  EXPECT_EQ(nullptr, decoder_->Grabber()->AudioPin());
  uint8_t block[64];
  EXPECT_FALSE(decoder_->ReadAudioBlock(block, 0));
}

// "Disable Audio" and a file without sound: nothing of the sound in the
// graph, and the file's sound still described. Only "Add Grapth to ROT"
// registers the graph (found there while the file is open by
// Dialogs.FilePropertiesShowWhatFfprobeAndTheGraphSay; a graph left there
// after the close would keep our filters alive in AHundredOpensAndClosesLeakNothing).
TEST_F(OpeningTest, NoSoundInTheGraphAndTheGraphInTheRunningObjectTable) {
  struct Case { const char* clip; bool disableAudio, addToRot; std::vector<int32_t> channelsBitsRateTotal; };
  for (const Case& c : {Case{"raw_pcm16.avi", true, false, {2, 16, 44100, 132300}},
                        Case{"msvc_silent.avi", false, true, {0, 0, 0, 0}}}) {
    DecoderOpenSettings settings;
    settings.disableAudio = c.disableAudio;
    settings.addToRot = c.addToRot;
    ASSERT_TRUE(OpenClip(c.clip, settings)) << messages_;
    EXPECT_EQ("", messages_);
    EXPECT_FALSE(decoder_->IsAudioOpen());
    std::vector<int32_t> info(4, -1);
    decoder_->GetAudioInfo(&info[0], &info[1], &info[2], nullptr, nullptr, &info[3]);
    EXPECT_EQ(c.channelsBitsRateTotal, info) << c.clip;
    EXPECT_TRUE(decoder_->Source()->AudioPin() == nullptr && decoder_->Grabber()->AudioPin() == nullptr);
    uint8_t stereo = 7;
    decoder_->GetAudioOutputFormat(&stereo, nullptr, nullptr, nullptr);
    EXPECT_EQ(7, stereo);  // nothing written without open sound
    EXPECT_EQ(c.addToRot, decoder_->IsRegisteredInRot());
  }
}

// Wine's AVI Decompressor agrees YUY2 for Cinepak and writes RGB24: the
// path is connected again for RGB24, which needs a frame of that size. When
// it cannot be had the open fails, rather than letting RGB24 land in a
// YUY2-sized frame. When it opens, a failure to run lists the graph.
TEST_F(OpeningTest, WithoutTheFrameForTheRgb24PictureTheOpenFailsAndARunFailureListsTheGraph) {
  const uint32_t rgb24Frame = 160 * 120 * 3;  // cinepak_pcm16.avi
  for (const bool memory : {false, true}) {
    // The frame and the conversions' slack behind it; with memory, nothing fails.
    FailingAllocations allocations(memory ? 1 : rgb24Frame, memory ? 0 : rgb24Frame + 64);
    EXPECT_EQ(memory, OpenClip("cinepak_pcm16.avi")) << messages_;
    EXPECT_EQ(memory, decoder_->VideoReconnectedForRgb24());
    EXPECT_TRUE(memory || (allocations.Refused() > 0 && decoder_->Graph() == nullptr));
  }
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

// The descriptions give the format tag and the chain's filters by their own
// names (with decompressors: Dialogs.FilePropertiesShowWhatFfprobeAndTheGraphSay);
// the audio text goes behind what the text holds, and a short buffer cuts
// it. Giving the sound up: no chain, no pages, no blocks; the picture goes on.
TEST_F(OpeningTest, DescriptionsNameTheChains) {
  ASSERT_TRUE(OpenClip("raw_pcm16.avi")) << messages_;
  EXPECT_EQ("<> None", Describe(false));
  EXPECT_EQ("<0x1> None", Describe(true));
  char text[8] = "A:";
  decoder_->DescribeAudioDecoders(text, sizeof(text));
  EXPECT_STREQ("A:<0x1>", text);
  ASSERT_TRUE(OpenClip("cinepak_mp3.avi")) << messages_;
  decoder_->DropAudio();
  EXPECT_FALSE(decoder_->IsAudioOpen());
  EXPECT_EQ("None", Describe(true));
  EXPECT_FALSE(decoder_->ShowAudioDecoderPages(nullptr));
  uint8_t block[8];
  EXPECT_FALSE(decoder_->ReadAudioBlock(block, 0));
  std::vector<uint8_t> frame(FrameSize());
  EXPECT_TRUE(decoder_->ReadVideoFrame(frame.data(), 5));
}

// Nothing of ours is left after a close, whether the sound was given up or
// not, the chains rendered in full or not, nor after a failed open. Mostly the quicker clips (Wine spends 0.1 to
// 0.5 s on building a graph): raw video with PCM, Cinepak through the output
// check and its reconnection, and every tenth an MP3 file through Wine's MP3
// decoder.
TEST_F(ClipTest, AHundredOpensAndClosesLeakNothing) {
  EXPECT_FALSE(OpenPath(ScratchPath("missing.avi")));
  ASSERT_EQ(kNothingLive, LiveObjects());
  SIZE_T memoryBefore = 0;
  int handlesBefore = 0;
  std::vector<uint8_t> frame(320 * 240 * 2), block(23520);
  for (int cycle = 0; cycle < 100; ++cycle) {
    if (cycle == 10) {  // after the system's own one-time allocations
      memoryBefore = CommittedBytes();
      handlesBefore = OwnHandles();
    }
    DecoderOpenSettings settings;
    settings.addToRot = cycle % 2 == 0;
    settings.renderFullChains = cycle == 4;  // not measured: Wine's renderers keep memory of their own
    const char* clip = cycle % 10 == 5 ? "cinepak_mp3.avi" : cycle % 2 ? "cinepak_pcm16.avi" : "raw_pcm16.avi";
    ASSERT_TRUE(OpenClip(clip, settings)) << messages_;
    ASSERT_TRUE(decoder_->ReadVideoFrame(frame.data(), 2 + cycle % 28)) << clip;  // frame 1 may be empty
    ASSERT_TRUE(decoder_->ReadAudioBlock(block.data(), cycle % 10)) << clip;
    if (settings.renderFullChains) {  // the renderers Render added are gone: the grabber ends both chains
      std::string listing;
      AppendGraphListing(&listing, decoder_->Source());
      EXPECT_EQ(std::string::npos, listing.find("Renderer")) << listing;
    }
    if (cycle % 4 == 0) decoder_->DropAudio();
    decoder_->Close();
    ASSERT_EQ(kNothingLive, LiveObjects()) << "cycle " << cycle;
  }
  const long long growth = static_cast<long long>(CommittedBytes()) - static_cast<long long>(memoryBefore);
  const int handlesAfter = OwnHandles();
  std::printf("90 cycles: %lld bytes more committed memory, handles %d -> %d\n", growth, handlesBefore,
              handlesAfter);
  EXPECT_LT(growth, 4ll << 20);
  EXPECT_LE(handlesAfter, handlesBefore + 4);
}

// The video reader and the audio reader on two threads at once, as the
// playback threads call them: each stream gives what it gives alone. (PCM
// sound, so that starting again at block 0 gives exactly the same blocks.)
TEST_F(ClipTest, BothStreamsDecodeInParallel) {
  ASSERT_TRUE(OpenClip("cinepak_pcm16.avi")) << messages_;
  const int32_t blockCount = 29, blockBytes = 2940 * 4;
  std::vector<std::vector<uint8_t>> frames(frameCount_, std::vector<uint8_t>(FrameSize()));
  std::vector<std::vector<uint8_t>> blocks(blockCount, std::vector<uint8_t>(blockBytes));
  for (int32_t f = 0; f < frameCount_; ++f) ASSERT_TRUE(decoder_->ReadVideoFrame(frames[f].data(), f));
  for (int32_t b = 0; b < blockCount; ++b) ASSERT_TRUE(decoder_->ReadAudioBlock(blocks[b].data(), b));

  for (int round = 0; round < 3; ++round) {
    bool videoSame = true, audioSame = true;
    std::thread video([&] {
      std::vector<uint8_t> frame(FrameSize());
      for (int32_t f = 0; f < frameCount_; ++f) {
        videoSame = videoSame && decoder_->ReadVideoFrame(frame.data(), f) && frame == frames[f];
      }
    });
    std::thread audio([&] {
      std::vector<uint8_t> block(blockBytes);
      for (int32_t b = 0; b < blockCount; ++b) {
        audioSame = audioSame && decoder_->ReadAudioBlock(block.data(), b) && block == blocks[b];
      }
    });
    video.join();
    audio.join();
    EXPECT_TRUE(videoSame && audioSame) << "round " << round << ": video " << videoSame << ", sound " << audioSame;
  }
}
