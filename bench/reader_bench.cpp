// Reading benchmarks of the media reader, each against a baseline measured in
// the same run (ratios are printed at the end):
//   Sequential: every chunk of a 230 MB clip through AviFile, and the same file
//     read in order through CachedFileReader, against plain read() calls of
//     the same file (warm cache), and against read() followed by a copy out
//     of each block, which is the reader's data path without its thread.
//   Opening: AviFile::Open of a file with 100,000 idx1 entries (header walk,
//     index load, totals) against running `ffprobe -v quiet` on the file.
//   OpenDML: every chunk of a 1.2 GB OpenDML clip (two RIFF parts, read
//     through its indx/ix## indexes) against plain read() of the same file,
//     and opening it (both parts found, the indexes loaded).
// The test files are made on first use in the build tree (bench-data/).
#include <benchmark/benchmark.h>

#include "media/avi_file.h"
#include "media/cached_file_reader.h"
#include "tools/avi_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 240;
constexpr uint32_t kFrameBytes = kWidth * kHeight * 3;
constexpr int32_t kLargeFrames = 1000;        // 230 MB of frames
constexpr uint32_t kSoundBytesPerFrame = 5880;  // 44.1 kHz 16-bit stereo at 30 fps
constexpr int32_t kIndexedChunks = 100000;
constexpr int32_t kOdmlWidth = 1280;
constexpr int32_t kOdmlHeight = 720;
constexpr uint32_t kOdmlFrameBytes = kOdmlWidth * kOdmlHeight * 3;
constexpr int32_t kOdmlFrames = 440;                // 1.2 GB of frames: two RIFF parts
constexpr uint32_t kOdmlSoundBytesPerFrame = 7056;  // 44.1 kHz 16-bit stereo at 25 fps

std::string DataPath(const char* name) {
  const std::string dir = VELMORA_BENCH_DATA_DIR;
  mkdir(dir.c_str(), 0755);
  return dir + "/" + name;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// 1000 raw 320x240 frames with a block of PCM after each, flat, with idx1.
const std::string& LargeClip() {
  static const std::string path = [] {
    const std::string p = DataPath("sequential_230mb.avi");
    if (Exists(p)) return p;
    std::vector<AviWriterStream> streams = {
        VideoStream(0, kWidth, kHeight, 24, 30, 1, kLargeFrames),
        PcmStream(2, 44100, 16, kLargeFrames * kSoundBytesPerFrame / 4)};
    std::vector<AviWriterChunk> chunks;
    for (int32_t f = 0; f < kLargeFrames; ++f) {
      chunks.push_back({0, "db", true, std::vector<uint8_t>(kFrameBytes, static_cast<uint8_t>(f))});
      chunks.push_back({1, "wb", true, std::vector<uint8_t>(kSoundBytesPerFrame, 0x55)});
    }
    const std::string partial = p + ".part";
    if (!WriteAvi(partial, streams, chunks, AviWriterOptions())) std::abort();
    std::rename(partial.c_str(), p.c_str());
    return p;
  }();
  return path;
}

// 50,000 small video chunks interleaved with 50,000 audio chunks: 100,000
// idx1 entries.
const std::string& IndexedClip() {
  static const std::string path = [] {
    const std::string p = DataPath("idx1_100000.avi");
    if (Exists(p)) return p;
    const int32_t frames = kIndexedChunks / 2;
    std::vector<AviWriterStream> streams = {VideoStream(Fourcc("cvid"), 64, 48, 24, 25, 1, frames),
                                            PcmStream(1, 8000, 8, frames * 320)};
    std::vector<AviWriterChunk> chunks;
    for (int32_t f = 0; f < frames; ++f) {
      chunks.push_back({0, "dc", f % 25 == 0, std::vector<uint8_t>(24 + f % 7, 0x11)});
      chunks.push_back({1, "wb", true, std::vector<uint8_t>(320, 0x80)});
    }
    const std::string partial = p + ".part";
    if (!WriteAvi(partial, streams, chunks, AviWriterOptions())) std::abort();
    std::rename(partial.c_str(), p.c_str());
    return p;
  }();
  return path;
}

// 440 raw 1280x720 frames with a block of PCM after each, written as an
// OpenDML file: a RIFF "AVI " and a RIFF "AVIX" part with their indexes.
const std::string& OpenDmlClip() {
  static const std::string path = [] {
    const std::string p = DataPath("opendml_1200mb.avi");
    if (Exists(p)) return p;
    std::vector<AviWriterStream> streams = {
        VideoStream(0, kOdmlWidth, kOdmlHeight, 24, 25, 1, kOdmlFrames),
        PcmStream(2, 44100, 16, kOdmlFrames * kOdmlSoundBytesPerFrame / 4)};
    std::vector<AviWriterChunk> chunks;
    for (int32_t f = 0; f < kOdmlFrames; ++f) {
      chunks.push_back(
          {0, "db", true, std::vector<uint8_t>(kOdmlFrameBytes, static_cast<uint8_t>(f))});
      chunks.push_back({1, "wb", true, std::vector<uint8_t>(kOdmlSoundBytesPerFrame, 0x55)});
    }
    AviWriterOptions options;
    options.openDml = true;
    const std::string partial = p + ".part";
    if (!WriteAvi(partial, streams, chunks, options)) std::abort();
    std::rename(partial.c_str(), p.c_str());
    return p;
  }();
  return path;
}

int64_t PlainReadOf(const std::string& path, std::vector<char>* buffer) {
  int64_t total = 0;
  const int fd = open(path.c_str(), O_RDONLY);
  ssize_t n;
  while ((n = read(fd, buffer->data(), buffer->size())) > 0) total += n;
  close(fd);
  return total;
}

// Opens the file and reads each frame and the sound after it; the bytes read.
int64_t EveryChunkOf(const std::string& path, int32_t frames, uint32_t frameBytes,
                     uint32_t soundBytes, std::vector<uint8_t>* frame,
                     std::vector<uint8_t>* sound) {
  AviFile file;
  if (!file.Open(path.c_str(), nullptr, false, 4, true)) std::abort();
  int64_t total = 0;
  for (int32_t f = 0; f < frames; ++f) {
    uint32_t bytes = frameBytes;
    if (!file.ReadVideoFrame(frame->data(), f, &bytes)) std::abort();
    total += bytes;
    int32_t count = static_cast<int32_t>(soundBytes / 4);
    bytes = soundBytes;
    if (!file.ReadAudio(sound->data(), f * count, &count, &bytes)) std::abort();
    total += bytes;
  }
  return total;
}

void PlainRead(benchmark::State& state) {
  const std::string& path = LargeClip();
  std::vector<char> buffer(CachedFileReader::kBlockSize);
  int64_t total = 0;
  for (auto _ : state) total += PlainReadOf(path, &buffer);
  state.SetBytesProcessed(total);
}
BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

// The reader's own data path without its thread and locks: each 512 KiB
// block read into a block buffer, then copied out to frame-sized
// destinations. Every byte is copied twice, as it is through the cache. The
// argument is the number of block buffers taken in turn: 1 stays in the
// processor's cache, 4 (the reader's slots) do not.
void ReadThenCopyOut(benchmark::State& state) {
  const std::string& path = LargeClip();
  std::vector<std::vector<uint8_t>> blocks(state.range(0),
                                           std::vector<uint8_t>(CachedFileReader::kBlockSize));
  size_t turn = 0;
  std::vector<uint8_t> frame(kFrameBytes);
  int64_t total = 0;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    size_t filled = 0;  // bytes of the current frame copied out so far
    ssize_t n;
    for (;;) {
      std::vector<uint8_t>& block = blocks[turn++ % blocks.size()];
      if ((n = read(fd, block.data(), block.size())) <= 0) break;
      for (size_t at = 0; at < static_cast<size_t>(n);) {
        const size_t take = std::min<size_t>(n - at, kFrameBytes - filled);
        std::memcpy(frame.data() + filled, block.data() + at, take);
        filled = (filled + take) % kFrameBytes;
        at += take;
      }
      total += n;
    }
    close(fd);
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetBytesProcessed(total);
}
BENCHMARK(ReadThenCopyOut)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void AviFileEveryChunk(benchmark::State& state) {
  const std::string& path = LargeClip();
  std::vector<uint8_t> frame(kFrameBytes);
  std::vector<uint8_t> sound(kSoundBytesPerFrame);
  int64_t total = 0;
  for (auto _ : state) {
    total += EveryChunkOf(path, kLargeFrames, kFrameBytes, kSoundBytesPerFrame, &frame, &sound);
  }
  state.SetBytesProcessed(total);
}
BENCHMARK(AviFileEveryChunk)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void CachedReaderInOrder(benchmark::State& state) {
  const std::string& path = LargeClip();
  std::vector<uint8_t> buffer(kFrameBytes);
  int64_t total = 0;
  for (auto _ : state) {
    CachedFileReader reader;
    if (!reader.Open(path.c_str(), 4)) std::abort();
    const uint64_t size = reader.FileSize();
    for (uint64_t at = 0; at + kFrameBytes <= size; at += kFrameBytes) {
      if (!reader.Read(buffer.data(), at, kFrameBytes)) std::abort();
      total += kFrameBytes;
    }
  }
  state.SetBytesProcessed(total);
}
BENCHMARK(CachedReaderInOrder)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void FfprobeOpen(benchmark::State& state) {
  const std::string command = "ffprobe -v quiet " + IndexedClip();
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("ffprobe failed");
  }
}
BENCHMARK(FfprobeOpen)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void AviFileOpenIndexed(benchmark::State& state) {
  const std::string& path = IndexedClip();
  for (auto _ : state) {
    AviFile file;
    if (!file.Open(path.c_str(), nullptr, false, 4, true) || file.IndexEntryCount() != kIndexedChunks) {
      std::abort();
    }
    VideoStreamInfo info;
    file.GetVideoStreamInfo(&info);
    benchmark::DoNotOptimize(info.totalBytes);
  }
}
BENCHMARK(AviFileOpenIndexed)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void PlainReadOpenDml(benchmark::State& state) {
  const std::string& path = OpenDmlClip();
  std::vector<char> buffer(CachedFileReader::kBlockSize);
  int64_t total = 0;
  for (auto _ : state) total += PlainReadOf(path, &buffer);
  state.SetBytesProcessed(total);
}
BENCHMARK(PlainReadOpenDml)->Unit(benchmark::kMillisecond)->MinTime(4)->UseRealTime();

void AviFileEveryChunkOpenDml(benchmark::State& state) {
  const std::string& path = OpenDmlClip();
  std::vector<uint8_t> frame(kOdmlFrameBytes);
  std::vector<uint8_t> sound(kOdmlSoundBytesPerFrame);
  int64_t total = 0;
  for (auto _ : state) {
    total += EveryChunkOf(path, kOdmlFrames, kOdmlFrameBytes, kOdmlSoundBytesPerFrame, &frame,
                          &sound);
  }
  state.SetBytesProcessed(total);
}
BENCHMARK(AviFileEveryChunkOpenDml)->Unit(benchmark::kMillisecond)->MinTime(4)->UseRealTime();

void AviFileOpenOpenDml(benchmark::State& state) {
  const std::string& path = OpenDmlClip();
  for (auto _ : state) {
    AviFile file;
    if (!file.Open(path.c_str(), nullptr, false, 4, true) || file.PartCount() != 2 ||
        !file.HasOpenDmlIndex(true)) {
      std::abort();
    }
  }
}
BENCHMARK(AviFileOpenOpenDml)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

// Keeps each benchmark's speed (bytes per second where it reads, else runs
// per second; the median when repeated), to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !median)) continue;
      const std::string name = run.run_name.function_name +
                               (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
      if (!median && medians_.count(name) > 0) continue;
      if (median) medians_[name] = true;
      const auto bytes = run.counters.find("bytes_per_second");
      speed_[name] =
          bytes != run.counters.end() ? bytes->second.value : 1.0 / run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatio(const char* what, const char* name, const char* baseline) {
    if (speed_.count(name) == 0 || speed_.count(baseline) == 0) return;
    std::printf("%-60s %.3f\n", what, speed_[name] / speed_[baseline]);
  }

 private:
  std::map<std::string, double> speed_;
  std::map<std::string, bool> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nSpeed ratios (> 1: faster than the baseline)\n");
  reporter.PrintRatio("every chunk through AviFile / plain read()", "AviFileEveryChunk",
                      "PlainRead");
  reporter.PrintRatio("in order through CachedFileReader / plain read()", "CachedReaderInOrder",
                      "PlainRead");
  reporter.PrintRatio("read() then one copy out / plain read()", "ReadThenCopyOut/1", "PlainRead");
  reporter.PrintRatio("read() into 4 buffers, one copy out / plain read()",
                      "ReadThenCopyOut/4", "PlainRead");
  reporter.PrintRatio("every chunk through AviFile / read(), 4 buffers, copy",
                      "AviFileEveryChunk", "ReadThenCopyOut/4");
  reporter.PrintRatio("open with 100,000 idx1 entries / ffprobe -v quiet", "AviFileOpenIndexed",
                      "FfprobeOpen");
  reporter.PrintRatio("every chunk of the 1.2 GB OpenDML clip / plain read()",
                      "AviFileEveryChunkOpenDml", "PlainReadOpenDml");
  benchmark::Shutdown();
  return 0;
}
