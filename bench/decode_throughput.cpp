// Decoding throughput of the DirectShow decoder (a Windows program, run under
// Wine by bench/decode_throughput.sh, which sets ffmpeg's decode of the same
// clips beside it): frames per second reading every frame in order, and
// reading keyframes only, in random order (each read starts at a keyframe).
//
//   decode_throughput.exe CLIP...
// prints one line per clip: name, frames, keyframes, sequential fps, keyframe fps.
#include "decode/direct_show_decoder.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

double Seconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / frequency.QuadPart;
}

// Repeats the reads until at least a second has passed; frames per second.
template <class ReadAll>
double FramesPerSecond(int framesPerPass, ReadAll readAll) {
  const double start = Seconds();
  int frames = 0;
  do {
    readAll();
    frames += framesPerPass;
  } while (Seconds() - start < 1.0);
  return frames / (Seconds() - start);
}

}  // namespace

int main(int argc, char** argv) {
  CoInitialize(nullptr);
  for (int i = 1; i < argc; ++i) {
    DirectShowDecoder decoder;
    std::string messages;
    DecoderOpenSettings settings;
    settings.disableAudio = true;
    settings.highQuality = [] { return true; };
    if (!decoder.Open(argv[i], &messages, settings)) {
      std::fprintf(stderr, "%s: %s\n", argv[i], messages.c_str());
      continue;
    }
    int32_t width = 0, height = 0, count = 0;
    decoder.GetVideoInfo(&width, &height, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    std::vector<uint8_t> frame(static_cast<size_t>((width * 2 + 3) / 4 * 4) * height);
    std::vector<int32_t> keyframes;
    for (int32_t f = 0; f < count; ++f) {
      if (decoder.PreviousKeyframe(f) == f) keyframes.push_back(f);
    }
    std::shuffle(keyframes.begin(), keyframes.end(), std::mt19937(1));

    const double sequential = FramesPerSecond(count, [&] {
      for (int32_t f = 0; f < count; ++f) decoder.ReadVideoFrame(frame.data(), f);
    });
    const double random = FramesPerSecond(static_cast<int>(keyframes.size()), [&] {
      for (int32_t f : keyframes) decoder.ReadVideoFrame(frame.data(), f);
    });
    std::printf("%s %d %zu %.1f %.1f\n", argv[i], count, keyframes.size(), sequential, random);
  }
  CoUninitialize();
  return 0;
}
