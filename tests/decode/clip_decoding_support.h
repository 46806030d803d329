// Helpers for the decoding bridge's Windows tests: a COM apartment per test,
// reference counts read back exactly, decoder contexts with hand-made stream
// formats, and the fixture that opens the ffmpeg-made clips with the
// DirectShow decoder to compare what it decodes with ffmpeg's own decode of
// the same clip (made by make_decode_references.sh).
#pragma once

#include "decode/avi_splitter_filter.h"
#include "decode/decoder_context.h"
#include "decode/dest_audio_pin.h"
#include "decode/dest_transport.h"
#include "decode/dest_video_pin.h"
#include "decode/direct_show.h"
#include "decode/direct_show_decoder.h"
#include "decode/filter_chain.h"
#include "decode/frame_allocator.h"
#include "decode/frame_sample.h"
#include "decode/media_type_enumerator.h"
#include "decode/pin_enumerator.h"
#include "decode/sample_grabber_filter.h"
#include "decode/source_audio_pin.h"
#include "decode/source_video_pin.h"
#include "tests/common/test_paths.h"
#include "tests/media/media_test_support.h"
#include "tools/avi_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// The decoder's messages.
inline const char kNoVideoDecoder[] = "Can't locate video decompressor\n";
inline const char kNoAudioDecoder[] = "Can't locate audio decompressor\n";

// Every object of ours that is alive, by class.
inline std::vector<int> LiveObjects() {
  return {AviSplitterFilter::Live(), SampleGrabberFilter::Live(), SourceVideoPin::Live(), SourceAudioPin::Live(),
          DestVideoPin::Live(),      DestAudioPin::Live(),        DestTransport::Live(),  FrameAllocator::Live(),
          FrameSample::Live(),       PinEnumerator::Live(),       MediaTypeEnumerator::Live()};
}
inline const std::vector<int> kNothingLive(11, 0);

// Every test that creates COM objects runs inside an apartment, and leaves
// none of ours alive.
class ComTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override {
    EXPECT_EQ(kNothingLive, LiveObjects());
    CoUninitialize();
  }
};

// The object's reference count, read without changing it.
inline ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// A decoder context with a video format of the given size and code (25 frames
// a second, 50 frames, buffers of 100,000 bytes).
struct TestStreams {
  TestStreams(int32_t width, int32_t height, uint32_t compression, uint16_t bitCount)
      : videoFormat(BitmapInfoHeaderBytes(width, height, bitCount, compression)) {
    context.video = {0, 50, 25, 1, videoFormat.data(), static_cast<uint32_t>(videoFormat.size()), 0, 100000, 0};
  }

  DecoderContext context;
  std::vector<uint8_t> videoFormat;
};

// Writes a 16 x 16 clip of `frames` frames at 10 per second (or at the
// given rate, 0 with a scale of 0, and avih's time per frame), each a chunk
// of the given video code (0: raw pictures; coded chunks are not real
// pictures), with one equal share of `sound` per frame in the given sound
// stream (none when null); returns the path of the scratch file `name`.
inline std::string WriteTinyClip(const std::string& name, uint32_t compression, int frames,
                                 const AviWriterStream* soundStream, const std::vector<uint8_t>& sound = {},
                                 uint32_t videoRate = 10, uint32_t microSecPerFrame = 100000) {
  std::vector<AviWriterStream> streams = {VideoStream(compression, 16, 16, 24, videoRate, videoRate ? 1 : 0, frames)};
  if (soundStream != nullptr) streams.push_back(*soundStream);
  const size_t share = sound.size() / frames;
  std::vector<AviWriterChunk> chunks;
  for (int f = 0; f < frames; ++f) {
    chunks.push_back({0, compression ? "dc" : "db", true, std::vector<uint8_t>(16 * 16 * 3, static_cast<uint8_t>(f * 9))});
    const auto start = sound.begin() + static_cast<long>(f * share);
    if (soundStream != nullptr) chunks.push_back({1, "wb", true, std::vector<uint8_t>(start, start + share)});
  }
  AviWriterOptions options;
  options.microSecPerFrame = microSecPerFrame;
  EXPECT_TRUE(WriteAvi(ScratchPath(name), streams, chunks, options));
  return ScratchPath(name);
}

// Peak signal-to-noise ratio of two byte runs of equal length, in dB
// (99 when they are equal).
inline double Psnr(const uint8_t* a, const uint8_t* b, size_t count) {
  double squares = 0;
  for (size_t i = 0; i < count; ++i) squares += (static_cast<double>(a[i]) - b[i]) * (static_cast<double>(a[i]) - b[i]);
  return squares == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * count / squares);
}

inline bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Under Wine with its GStreamer-based filters switched off for the run
// (VELMORA_WINE_GSTREAMER=off): the graph then chooses among Wine's own
// filters, whatever the host has installed, so their names are known.
inline bool WineFilterSetFixed() {
  const char* gstreamer = std::getenv("VELMORA_WINE_GSTREAMER");
  return RunningUnderWine() && gstreamer != nullptr && std::strcmp(gstreamer, "off") == 0;
}

class ClipTest : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    decoder_.reset(new DirectShowDecoder());
  }
  void TearDown() override {
    decoder_.reset();
    ComTest::TearDown();
  }

  // Opens the clip (failing the test when it was not made); messages are kept.
  bool OpenClip(const std::string& name, const DecoderOpenSettings& settings = {}) {
    if (ClipExists(name)) return OpenPath(ClipPath(name), settings);
    ADD_FAILURE() << "clip " << name << " was not made";
    return false;
  }
  // Opens a file with the fixture's conversion and synchronisation options.
  bool OpenPath(const std::string& path, const DecoderOpenSettings& settings = {}) {
    DecoderOpenSettings withOptions = settings;
    withOptions.highQuality = [this] { return highQuality_ != 0; };
    withOptions.autoSync = [this] { return autoSync_ != 0; };
    const bool opened = decoder_->Open(path.c_str(), &messages_, withOptions);
    decoder_->GetVideoInfo(&width_, &height_, &frameCount_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    return opened;
  }
  // The reference file beside a clip, e.g. "cinepak_pcm16.yuyv".
  std::vector<uint8_t> Reference(const std::string& fileName) {
    std::vector<uint8_t> bytes = ReadFileBytes(ClipPath(fileName));
    if (bytes.empty()) ADD_FAILURE() << "reference " << fileName << " was not made";
    return bytes;
  }
  // The name of filter `at` of the sound chain ("" when there is none).
  std::string AudioFilterName(size_t at = 0) {
    std::string name;
    if (at < decoder_->AudioChain().size() && decoder_->AudioChain()[at]) {
      FilterName(decoder_->AudioChain()[at].Get(), &name);
    }
    return name;
  }

  // The decoder's sound output format.
  struct AudioFormat {
    uint8_t stereo = 0, sixteenBit = 0;
    int32_t rate = 0, samplesPerBlock = 0;
    int32_t BlockBytes() const { return samplesPerBlock * (stereo ? 2 : 1) * (sixteenBit ? 2 : 1); }
  };
  AudioFormat OutputFormat() {
    AudioFormat format;
    decoder_->GetAudioOutputFormat(&format.stereo, &format.sixteenBit, &format.rate, &format.samplesPerBlock);
    return format;
  }
  // Sound blocks 0, 1, 2, ... until one fails (at most maxBlocks), joined.
  std::vector<uint8_t> ReadBlocks(int32_t maxBlocks, int32_t* count) {
    std::vector<uint8_t> block(OutputFormat().BlockBytes()), all;
    for (*count = 0; *count < maxBlocks && decoder_->ReadAudioBlock(block.data(), *count); ++*count) {
      all.insert(all.end(), block.begin(), block.end());
    }
    return all;
  }

  std::string Describe(bool audio) {
    char text[256] = "";
    audio ? decoder_->DescribeAudioDecoders(text, sizeof(text)) : decoder_->DescribeVideoDecoders(text, sizeof(text));
    return text;
  }
  size_t FrameSize() const { return static_cast<size_t>((width_ * 2 + 3) / 4 * 4) * height_; }

  std::unique_ptr<DirectShowDecoder> decoder_;
  std::string messages_;
  uint8_t highQuality_ = 1;
  uint8_t autoSync_ = 0;
  int32_t width_ = 0, height_ = 0, frameCount_ = 0;
};
