// Pixel and sample routines against memcpy of the same bytes and against
// libswscale's (pictures) or libswresample's (sound) nearest equivalent,
// measured in the same run. After the usual Google Benchmark output a table
// gives, per routine and size: ns per pixel (per sample for the audio
// filters, per input sample frame for the PCM conversions), GB/s of bytes
// written, the time as a multiple of memcpy's and the library's time divided
// by ours.
//
// Run from an optimised tree, e.g. build-x/native/bench/pixel_bench; the
// table uses the median CPU time of the repetitions (--benchmark_repetitions).

#include "platform/cpu_features.h"
#include "audio/audio_filters.h"
#include "decode/pcm_conversion.h"
#include "video/picture_to_yuy2.h"
#include "video/rgb24_to_yuy2.h"
#include "video/auto_level.h"
#include "video/color_balance.h"
#include "video/fade_step.h"
#include "video/flip_filters.h"
#include "video/histogram.h"
#include "video/interpolate_uv.h"
#include "video/neighbour_filters.h"
#include "video/point_filters.h"
#include "video/present_packing.h"
#include "video/resize_rows.h"
#include "platform/vector_level.h"
#include "video/yuy2_frame.h"
#include "video/yuy2_to_rgb32.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixfmt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

struct Size {
  int width;
  int height;
};
constexpr Size kSizes[] = {{640, 480}, {1920, 1080}};

std::string SizeName(const Size& s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// One row of the closing table.
struct TableRow {
  std::string routine;  // our benchmark
  std::string memcpy;   // memcpy of the bytes it writes
  std::string swscale;  // libswscale's (or libswresample's) nearest equivalent, or empty
  double units;         // pixels (or samples) per iteration
  double bytes;         // bytes written per iteration
};
std::vector<TableRow> g_table;

void Register(const std::string& name, std::function<void(benchmark::State&)> body) {
  benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& state) { body(state); })
      ->Unit(benchmark::kMicrosecond);
}

// memcpy of `bytes` bytes between two buffers, registered once per size.
std::string MemcpyBaseline(size_t bytes) {
  static std::map<size_t, std::string> registered;
  auto found = registered.find(bytes);
  if (found != registered.end()) return found->second;
  const std::string name = "memcpy/" + std::to_string(bytes);
  Register(name, [bytes](benchmark::State& state) {
    std::vector<uint8_t> from = RandomBytes(bytes, 1), to(bytes);
    for (auto _ : state) {
      std::memcpy(to.data(), from.data(), bytes);
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  });
  registered[bytes] = name;
  return name;
}

// A libswscale conversion of one whole frame; its buffers are laid out by
// libavutil for the formats (planes, palette), the source filled at random.
std::string SwscaleBaseline(const std::string& what, const Size& in, AVPixelFormat inFormat, const Size& out,
                            AVPixelFormat outFormat, int flags) {
  const std::string name = "swscale_" + what + "/" + SizeName(in) + "->" + SizeName(out);
  Register(name, [=](benchmark::State& state) {
    SwsContext* context = sws_getContext(in.width, in.height, inFormat, out.width, out.height, outFormat,
                                         flags, nullptr, nullptr, nullptr);
    uint8_t* src[4] = {};
    uint8_t* dst[4] = {};
    int srcStride[4] = {}, dstStride[4] = {};
    const int inBytes = av_image_alloc(src, srcStride, in.width, in.height, inFormat, 32);
    const int outBytes = av_image_alloc(dst, dstStride, out.width, out.height, outFormat, 32);
    if (context == nullptr || inBytes < 0 || outBytes < 0) {
      state.SkipWithError("libswscale set-up failed");
    } else {
      const std::vector<uint8_t> random = RandomBytes(static_cast<size_t>(inBytes), 2);
      std::memcpy(src[0], random.data(), random.size());
      for (auto _ : state) {
        sws_scale(context, src, srcStride, 0, in.height, dst, dstStride);
        benchmark::ClobberMemory();
      }
    }
    av_freep(&src[0]);
    av_freep(&dst[0]);
    sws_freeContext(context);
  });
  return name;
}

void AddRow(const std::string& name, const std::string& copy, const std::string& sws, double units, double bytes) {
  g_table.push_back({name, copy, sws, units, bytes});
}

// --- conversions ---------------------------------------------------------------

void RegisterYuy2ToRgb32(const Size& s) {
  const size_t outBytes = static_cast<size_t>(s.width) * s.height * 4;
  const std::string copy = MemcpyBaseline(outBytes);
  const std::string sws = SwscaleBaseline("yuyv422_to_bgra", s, AV_PIX_FMT_YUYV422, s, AV_PIX_FMT_BGRA, SWS_POINT);
  for (bool high : {true, false}) {
    const std::string name = std::string("ConvertYuy2ToRgb32 ") + (high ? "high" : "low") + "/" + SizeName(s);
    Register(name, [s, high](benchmark::State& state) {
      const int32_t pitch = Yuy2RowStride(s.width);
      std::vector<uint8_t> frame = RandomBytes(static_cast<size_t>(pitch) * s.height, 3);
      std::vector<uint32_t> out(static_cast<size_t>(s.width) * s.height);
      YuvLookup table;
      for (auto _ : state) {
        ConvertYuy2ToRgb32(frame.data(), s.width, s.height, pitch, out.data(), high, &table);
        benchmark::ClobberMemory();
      }
    });
    AddRow(name, copy, sws, double(s.width) * s.height, double(outBytes));
  }
}

void RegisterRgb24ToYuy2(const Size& s) {
  const size_t outBytes = static_cast<size_t>(Yuy2RowStride(s.width)) * s.height;
  const std::string copy = MemcpyBaseline(outBytes);
  const std::string sws = SwscaleBaseline("bgr24_to_yuyv422", s, AV_PIX_FMT_BGR24, s, AV_PIX_FMT_YUYV422, SWS_POINT);
  // Top-down sources (raw RGB24 files) and bottom-up ones (most decompressors).
  for (int32_t rows : {-s.height, s.height}) {
    for (bool high : {true, false}) {
      const std::string name = std::string("ConvertRgb24ToYuy2 ") + (high ? "high" : "low") +
                               (rows < 0 ? " top-down/" : " bottom-up/") + SizeName(s);
      Register(name, [s, high, rows, outBytes](benchmark::State& state) {
        std::vector<uint8_t> source = RandomBytes(static_cast<size_t>((3 * s.width + 3) / 4 * 4) * s.height, 4);
        std::vector<uint8_t> out(outBytes);
        Rgb555ToYuy2Table table;
        for (auto _ : state) {
          ConvertRgb24ToYuy2(source.data(), out.data(), s.width, rows, high, &table);
          benchmark::ClobberMemory();
        }
      });
      AddRow(name, copy, sws, double(s.width) * s.height, double(outBytes));
    }
  }
}

// The other uncompressed picture forms into YUY2, each against libswscale's
// conversion of the same form (nearest-neighbour: no filtering, as ours).
void RegisterPictureForms(const Size& s) {
  struct Form {
    const char* name;
    PictureForm form;
    AVPixelFormat swscale;
    bool rgb;  // both qualities
  };
  const Form forms[] = {{"rgb32", PictureForm::kRgb32, AV_PIX_FMT_BGRA, true},
                        {"rgb555", PictureForm::kRgb555, AV_PIX_FMT_RGB555LE, true},
                        {"rgb565", PictureForm::kRgb565, AV_PIX_FMT_RGB565LE, true},
                        {"pal8", PictureForm::kPalette8, AV_PIX_FMT_PAL8, true},
                        {"pal1", PictureForm::kPalette1, AV_PIX_FMT_MONOWHITE, true},
                        {"uyvy", PictureForm::kUyvy, AV_PIX_FMT_UYVY422, false},
                        {"yvyu", PictureForm::kYvyu, AV_PIX_FMT_YVYU422, false},
                        {"i420", PictureForm::kI420, AV_PIX_FMT_YUV420P, false}};
  const size_t outBytes = static_cast<size_t>(Yuy2RowStride(s.width)) * s.height;
  const std::string copy = MemcpyBaseline(outBytes);
  for (const Form& f : forms) {
    const std::string sws = SwscaleBaseline(std::string(f.name) + "_to_yuyv422", s, f.swscale, s,
                                            AV_PIX_FMT_YUYV422, SWS_POINT);
    for (const bool high : {true, false}) {
      if (!high && !f.rgb) continue;
      const std::string name = std::string("ConvertPictureToYuy2 ") + f.name + (f.rgb ? (high ? " high/" : " low/") : "/") +
                               SizeName(s);
      Register(name, [s, f, high, outBytes](benchmark::State& state) {
        PictureLayout layout;
        layout.form = f.form;
        layout.width = s.width;
        layout.biHeight = -s.height;
        const std::vector<uint8_t> source = RandomBytes(PictureLayoutBytes(layout), 4);
        std::vector<uint32_t> palette(256);
        std::memcpy(palette.data(), RandomBytes(1024, 9).data(), 1024);
        std::vector<uint8_t> out(outBytes);
        Rgb555ToYuy2Table table;
        for (auto _ : state) {
          ConvertPictureToYuy2(layout, source.data(), palette.data(), out.data(), high, &table);
          benchmark::ClobberMemory();
        }
      });
      AddRow(name, copy, sws, double(s.width) * s.height, double(outBytes));
    }
  }
}

// The presenter's non-overlay resize of a whole frame from `in` to `out`.
void RegisterResize(const Size& in, const Size& out) {
  const int32_t stride = ((3 * out.width - 1) / 4) * 4 + 4;
  const size_t outBytes = static_cast<size_t>(stride) * out.height;
  const std::string copy = MemcpyBaseline(outBytes);
  const std::string sws = SwscaleBaseline("bgr24_bilinear", in, AV_PIX_FMT_BGR24, out, AV_PIX_FMT_BGR24, SWS_BILINEAR);
  for (bool bilinear : {true, false}) {
    const std::string name = std::string(bilinear ? "ResizeRowBilinear" : "ResizeRowNearest") + " frame/" +
                             SizeName(in) + "->" + SizeName(out);
    Register(name, [in, out, stride, bilinear](benchmark::State& state) {
      std::vector<uint8_t> source = RandomBytes(static_cast<size_t>(in.width) * in.height * 4, 5);
      for (size_t i = 3; i < source.size(); i += 4) source[i] = 0;
      const uint32_t* pixels = reinterpret_cast<const uint32_t*>(source.data());
      std::vector<uint8_t> dib(static_cast<size_t>(stride) * out.height + 512);
      const int32_t stepX = static_cast<int32_t>((int64_t{in.width} * 65536 - 65536) / out.width);
      const int32_t stepY = static_cast<int32_t>((int64_t{in.height} * 65536 - 65536) / out.height);
      for (auto _ : state) {
        for (int32_t i = 0; i < out.height; ++i) {
          const int32_t q = i * stepY;
          const uint32_t* rowA = pixels + static_cast<size_t>(in.height - 1 - (q >> 16)) * in.width;
          uint8_t* row = dib.data() + static_cast<size_t>(i) * stride;
          if (bilinear) ResizeRowBilinear(rowA, rowA - in.width, q, row, stepX, out.width);
          else ResizeRowNearest(rowA, row, stepX, out.width);
        }
        benchmark::ClobberMemory();
      }
    });
    AddRow(name, copy, bilinear ? sws : "", double(out.width) * out.height, double(outBytes));
  }
}

void RegisterPackings(const Size& s) {
  const size_t pixels = static_cast<size_t>(s.width) * s.height;
  struct Packing {
    const char* name;
    size_t bytesPerPixel;
    void (*pack)(const std::vector<uint32_t>&, const std::vector<uint8_t>&, const Size&, const PackTarget&);
  };
  const Packing packings[] = {
      {"PackFrameRgb16", 2, [](auto& rgb, auto&, const Size& s, const PackTarget& t) { PackFrameRgb16(rgb.data(), s.width, s.height, t); }},
      {"PackFrameRgb24", 3, [](auto& rgb, auto&, const Size& s, const PackTarget& t) { PackFrameRgb24(rgb.data(), s.width, s.height, t); }},
      {"PackFrameUyvy", 2, [](auto&, auto& yuy2, const Size& s, const PackTarget& t) { PackFrameUyvy(yuy2.data(), s.width, s.height, Yuy2RowStride(s.width), t); }},
  };
  for (const Packing& p : packings) {
    const size_t outBytes = pixels * p.bytesPerPixel;
    const std::string name = std::string(p.name) + "/" + SizeName(s);
    Register(name, [s, p, pixels, outBytes](benchmark::State& state) {
      std::vector<uint8_t> random = RandomBytes(pixels * 4, 6);
      std::vector<uint32_t> rgb(pixels);
      std::memcpy(rgb.data(), random.data(), pixels * 4);
      for (auto& px : rgb) px &= 0xFFFFFF;
      std::vector<uint8_t> surface(outBytes + 64);
      const PackTarget target{surface.data(), static_cast<int32_t>(s.width * p.bytesPerPixel), 0, 0};
      for (auto _ : state) {
        p.pack(rgb, random, s, target);
        benchmark::ClobberMemory();
      }
    });
    AddRow(name, MemcpyBaseline(outBytes), "", double(pixels), double(outBytes));
  }
}

// --- in-place video filters ----------------------------------------------------

void RegisterVideoFilters(const Size& s) {
  const size_t frameBytes = static_cast<size_t>(Yuy2RowStride(s.width)) * s.height;
  const std::string copy = MemcpyBaseline(frameBytes);
  using Filter = std::function<void(uint8_t*, int32_t, int32_t)>;
  const std::pair<const char*, Filter> filters[] = {
      {"FlipVertical", FlipVertical},
      {"FlipHorizontal", FlipHorizontal},
      {"AutoLevel", [](uint8_t* f, int32_t w, int32_t h) { AutoLevel(f, w, h); }},
      {"DoubleContrast", DoubleContrast},
      {"DoubleSaturation", DoubleSaturation},
      {"InterpolateUV", InterpolateUV},
      {"Negative", Negative},
      {"Grayscale", Grayscale},
      {"Soften", Soften},
      {"Sharpen", Sharpen},
      {"ApplyColorBalance", [](uint8_t* f, int32_t w, int32_t h) { ApplyColorBalance(f, w, h, {60, 70, 40}); }},
      {"DrawHistogram", DrawHistogram},
      {"FadeStep", FadeStep},
  };
  for (const auto& filter : filters) {
    const std::string name = std::string(filter.first) + "/" + SizeName(s);
    const Filter f = filter.second;
    Register(name, [s, f, frameBytes](benchmark::State& state) {
      // A fresh random frame each time (outside the timing), so that filters
      // like Auto Level and the fade see real pictures, not their own output.
      const std::vector<uint8_t> source = RandomBytes(frameBytes, 7);
      std::vector<uint8_t> frame(frameBytes);
      for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(frame.data(), source.data(), frameBytes);
        state.ResumeTiming();
        f(frame.data(), s.width, s.height);
        benchmark::ClobberMemory();
      }
    });
    AddRow(name, copy, "", double(s.width) * s.height, double(frameBytes));
  }
}

// --- audio filters over a 2-second block ------------------------------------------

void RegisterAudioFilters() {
  constexpr int32_t kFrames = 2 * 44100;
  using Filter = std::function<void(uint8_t*, bool, int32_t)>;
  const std::pair<const char*, Filter> filters[] = {
      {"SwapChannels", [](uint8_t* b, bool sixteen, int32_t n) { SwapChannels(b, true, sixteen, n); }},
      {"RemoveVoice", [](uint8_t* b, bool sixteen, int32_t n) { RemoveVoice(b, true, sixteen, n); }},
      {"AutoVolume", [](uint8_t* b, bool sixteen, int32_t n) { AutoVolume(b, true, sixteen, n); }},
      {"ApplyAudioFilters all", [](uint8_t* b, bool sixteen, int32_t n) {
         AudioFilterFlags all{1, 1, 1};
         ApplyAudioFilters(all, b, true, sixteen, n);
       }},
  };
  for (bool sixteen : {true, false}) {
    const size_t bytes = static_cast<size_t>(kFrames) * (sixteen ? 4 : 2);
    const std::string copy = MemcpyBaseline(bytes);
    for (const auto& filter : filters) {
      const std::string name = std::string(filter.first) + (sixteen ? " 16-bit" : " 8-bit") + " stereo 2 s";
      const Filter f = filter.second;
      Register(name, [f, sixteen, bytes](benchmark::State& state) {
        const std::vector<uint8_t> source = RandomBytes(bytes, 8);
        std::vector<uint8_t> block(bytes);
        for (auto _ : state) {
          state.PauseTiming();
          std::memcpy(block.data(), source.data(), bytes);
          state.ResumeTiming();
          f(block.data(), sixteen, kFrames);
          benchmark::ClobberMemory();
        }
      });
      AddRow(name, copy, "", 2.0 * kFrames, double(bytes));
    }
  }
}

// --- PCM conversions over one second of sound ---------------------------------

// libswresample converting the same second (24-bit sound from the 32-bit
// samples ffmpeg's decoders give it), same rate in and out.
std::string SwresampleBaseline(const std::string& what, int rate, int channels, AVSampleFormat in,
                               int outChannels, AVSampleFormat out) {
  const std::string name = "swresample_" + what;
  Register(name, [=](benchmark::State& state) {
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, channels);
    av_channel_layout_default(&outLayout, outChannels);
    SwrContext* context = nullptr;
    if (swr_alloc_set_opts2(&context, &outLayout, out, rate, &inLayout, in, rate, 0, nullptr) < 0 ||
        swr_init(context) < 0) {
      state.SkipWithError("libswresample set-up failed");
      swr_free(&context);
      return;
    }
    const std::vector<uint8_t> source =
        RandomBytes(static_cast<size_t>(rate) * channels * av_get_bytes_per_sample(in), 10);
    std::vector<uint8_t> target(static_cast<size_t>(rate) * outChannels * av_get_bytes_per_sample(out));
    const uint8_t* src[1] = {source.data()};
    uint8_t* dst[1] = {target.data()};
    for (auto _ : state) {
      swr_convert(context, dst, rate, src, rate);
      benchmark::ClobberMemory();
    }
    swr_free(&context);
  });
  return name;
}

void RegisterPcmConversions() {
  struct Conversion {
    const char* name;
    int rate;
    PcmShape from;
    AVSampleFormat swresample;
    PcmShape to;
  };
  const Conversion conversions[] = {
      {"s24 stereo 44100 to s16 stereo", 44100, {2, SampleType::kSigned24, 0}, AV_SAMPLE_FMT_S32, {2, SampleType::kSigned16, 0}},
      {"f32 stereo 48000 to s16 stereo", 48000, {2, SampleType::kFloat32, 0}, AV_SAMPLE_FMT_FLT, {2, SampleType::kSigned16, 0}},
      {"s16 5.1 48000 to s16 stereo", 48000, {6, SampleType::kSigned16, 0}, AV_SAMPLE_FMT_S16, {2, SampleType::kSigned16, 0}},
      {"s16 5.1 48000 to u8 mono", 48000, {6, SampleType::kSigned16, 0}, AV_SAMPLE_FMT_S16, {1, SampleType::kUnsigned8, 0}},
      {"s24 7.1 192000 to s16 stereo", 192000, {8, SampleType::kSigned24, 0}, AV_SAMPLE_FMT_S32, {2, SampleType::kSigned16, 0}},
      {"f64 mono 8000 to u8 mono", 8000, {1, SampleType::kFloat64, 0}, AV_SAMPLE_FMT_DBL, {1, SampleType::kUnsigned8, 0}},
  };
  for (const Conversion& c : conversions) {
    const size_t outBytes = static_cast<size_t>(c.rate) * c.to.BytesPerFrame();
    const AVSampleFormat out = c.to.type == SampleType::kSigned16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_U8;
    const std::string baseline = SwresampleBaseline(c.name, c.rate, c.from.channels, c.swresample, c.to.channels, out);
    const std::string name = std::string("PcmConverter ") + c.name;
    Register(name, [c, outBytes](benchmark::State& state) {
      const std::vector<uint8_t> source = RandomBytes(static_cast<size_t>(c.rate) * c.from.BytesPerFrame(), 11);
      std::vector<uint8_t> target(outBytes);
      PcmConverter converter(c.from, c.to, false);
      for (auto _ : state) {
        converter.Convert(source.data(), static_cast<int32_t>(source.size()), target.data());
        benchmark::ClobberMemory();
      }
    });
    AddRow(name, MemcpyBaseline(outBytes), baseline, double(c.rate), double(outBytes));
  }
}

// Keeps the measured time of every benchmark for the closing table: the
// median when repeated, else the single run. The table uses the thread's CPU
// time, which other processes on a busy machine disturb less than the wall
// clock (every routine here runs on one thread).
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Iteration && run.repetitions > 1) continue;
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      times[run.run_name.str()] = run.GetAdjustedCPUTime() * 1000.0;  // microseconds -> ns
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;  // nanoseconds per iteration
};

std::string BaseName(const std::string& runName) { return runName.substr(0, runName.find("/min_time")); }

void PrintTable(const std::map<std::string, double>& measured) {
  std::map<std::string, double> times;
  for (const auto& m : measured) times[BaseName(m.first)] = m.second;
  std::printf("\n%-52s %10s %9s %8s %9s %9s\n", "routine", "time us", "ns/unit", "GB/s", "/memcpy", "lib/ours");
  for (const TableRow& row : g_table) {
    auto ours = times.find(row.routine);
    if (ours == times.end()) continue;
    const double t = ours->second;
    std::printf("%-52s %10.1f %9.3f %8.2f", row.routine.c_str(), t / 1000.0, t / row.units, row.bytes / t);
    auto copy = times.find(row.memcpy);
    if (copy != times.end()) std::printf(" %9.2f", t / copy->second);
    else std::printf(" %9s", "-");
    auto sws = row.swscale.empty() ? times.end() : times.find(row.swscale);
    if (sws != times.end()) std::printf(" %9.2f", sws->second / t);
    else std::printf(" %9s", "-");
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  SetHasMmx(true);  // benchmark the MMX routines even on a machine without it
  for (const Size& s : kSizes) {
    RegisterYuy2ToRgb32(s);
    RegisterRgb24ToYuy2(s);
    RegisterPictureForms(s);
    RegisterPackings(s);
    RegisterVideoFilters(s);
  }
  RegisterResize({320, 240}, {640, 480});
  RegisterResize({1280, 720}, {1920, 1080});
  RegisterAudioFilters();
  RegisterPcmConversions();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTable(reporter.times);
  benchmark::Shutdown();
  return 0;
}
