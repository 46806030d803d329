#include "tests/decode/clip_decoding_support.h"

#include "tests/common/test_paths.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string WriteTinyClip(const std::string& name, uint32_t compression, int frames,
                          const AviWriterStream* soundStream, const std::vector<uint8_t>& sound) {
  std::vector<AviWriterStream> streams = {VideoStream(compression, 16, 16, 24, 10, 1, frames)};
  if (soundStream != nullptr) streams.push_back(*soundStream);
  const size_t share = sound.size() / frames;
  std::vector<AviWriterChunk> chunks;
  for (int f = 0; f < frames; ++f) {
    const uint8_t picture = static_cast<uint8_t>(f * 9);
    chunks.push_back({0, compression ? "dc" : "db", true, std::vector<uint8_t>(16 * 16 * 3, picture)});
    const auto start = sound.begin() + static_cast<long>(f * share);
    if (soundStream != nullptr) chunks.push_back({1, "wb", true, std::vector<uint8_t>(start, start + share)});
  }
  AviWriterOptions options;
  options.microSecPerFrame = 100000;
  EXPECT_TRUE(WriteAvi(ScratchPath(name), streams, chunks, options));
  return ScratchPath(name);
}

double Psnr(const uint8_t* a, const uint8_t* b, size_t count) {
  double squares = 0;
  for (size_t i = 0; i < count; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    squares += d * d;
  }
  if (squares == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * count / squares);
}

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool WineFilterSetFixed() {
  const char* gstreamer = std::getenv("VELMORA_WINE_GSTREAMER");
  return RunningUnderWine() && gstreamer != nullptr && std::strcmp(gstreamer, "off") == 0;
}

void ExpectTodoWine(bool holds, const std::string& what) {
  if (!RunningUnderWine()) {
    EXPECT_TRUE(holds) << what;
    return;
  }
  if (holds) {
    ADD_FAILURE() << "passes under Wine now, remove its known-failure mark: " << what;
  } else {
    std::printf("[ KNOWN WINE FAILURE ] %s\n", what.c_str());
  }
}

void ClipTest::SetUp() {
  ComTest::SetUp();
  decoder_.reset(new DirectShowDecoder());
}

void ClipTest::TearDown() {
  decoder_.reset();
  ComTest::TearDown();
}

bool ClipTest::OpenClip(const std::string& name, const DecoderOpenSettings& settings) {
  if (!ClipExists(name)) {
    ADD_FAILURE() << "clip " << name << " was not made";
    return false;
  }
  return OpenPath(ClipPath(name), settings);
}

bool ClipTest::OpenPath(const std::string& path, const DecoderOpenSettings& settings) {
  DecoderOpenSettings withOptions = settings;
  withOptions.highQuality = [this] { return highQuality_ != 0; };
  withOptions.autoSync = [this] { return autoSync_ != 0; };
  const bool opened = decoder_->Open(path.c_str(), &messages_, withOptions);
  decoder_->GetVideoInfo(&width_, &height_, &frameCount_, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
  return opened;
}

std::vector<uint8_t> ClipTest::Reference(const std::string& fileName) {
  std::vector<uint8_t> bytes = ReadFileBytes(ClipPath(fileName));
  if (bytes.empty()) ADD_FAILURE() << "reference " << fileName << " was not made";
  return bytes;
}

ClipTest::AudioFormat ClipTest::OutputFormat() {
  AudioFormat format;
  decoder_->GetAudioOutputFormat(&format.stereo, &format.sixteenBit, &format.rate, &format.samplesPerBlock);
  return format;
}

std::vector<uint8_t> ClipTest::ReadBlocks(int32_t maxBlocks, int32_t* count) {
  std::vector<uint8_t> block(OutputFormat().BlockBytes()), all;
  *count = 0;
  while (*count < maxBlocks && decoder_->ReadAudioBlock(block.data(), *count)) {
    all.insert(all.end(), block.begin(), block.end());
    ++*count;
  }
  return all;
}
