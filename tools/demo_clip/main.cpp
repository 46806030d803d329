// velmora_demo_clip: writes the project's own clips, uncompressed so that
// they play without any decompressor.
//
//   velmora_demo_clip OUTPUT.avi [--size WxH] [--seconds N] [--fps N]
//                                [--tone HZ] [--flash]
//
// The default is the demo: 320x240, 25 frames per second, 10 seconds, a
// moving picture with the frame number, and a 440 Hz tone. --flash makes a
// sync clip: a white frame and a click at the start of every second.
#include "tools/avi_writer.h"
#include "tools/demo_clip/demo_clip.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: velmora_demo_clip OUTPUT.avi [--size WxH] [--seconds N] [--fps N] "
               "[--tone HZ] [--flash]\n");
  return 2;
}

bool ParseNumber(const char* text, int32_t low, int32_t high, int32_t* value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
  *value = static_cast<int32_t>(parsed);
  return true;
}

bool ParseSize(const char* text, DemoClipSettings* settings) {
  int width = 0;
  int height = 0;
  char tail = 0;
  if (std::sscanf(text, "%dx%d%c", &width, &height, &tail) != 2) return false;
  if (width < 16 || height < 16 || width > 4096 || height > 4096) return false;
  settings->width = width;
  settings->height = height;
  return true;
}

bool ParseArguments(int argc, char** argv, std::string* output, DemoClipSettings* settings) {
  if (argc < 2 || argv[1][0] == '-') return false;
  *output = argv[1];
  for (int i = 2; i < argc; ++i) {
    const char* option = argv[i];
    if (std::strcmp(option, "--flash") == 0) {
      settings->flashAndClick = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    bool ok = false;
    if (std::strcmp(option, "--size") == 0) ok = ParseSize(value, settings);
    if (std::strcmp(option, "--seconds") == 0) ok = ParseNumber(value, 1, 3600, &settings->seconds);
    if (std::strcmp(option, "--fps") == 0) ok = ParseNumber(value, 1, 120, &settings->framesPerSecond);
    if (std::strcmp(option, "--tone") == 0) ok = ParseNumber(value, 20, 20000, &settings->toneHertz);
    if (!ok) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output;
  DemoClipSettings settings;
  if (!ParseArguments(argc, argv, &output, &settings)) return Usage();

  const int32_t frames = settings.framesPerSecond * settings.seconds;
  const int64_t samples = static_cast<int64_t>(settings.sampleRate) * settings.seconds;
  std::vector<AviWriterStream> streams = {
      VideoStream(0 /* BI_RGB */, settings.width, settings.height, 24,
                  static_cast<uint32_t>(settings.framesPerSecond), 1,
                  static_cast<uint32_t>(frames)),
      PcmStream(2, static_cast<uint32_t>(settings.sampleRate), 16,
                static_cast<uint32_t>(samples))};
  std::vector<AviWriterChunk> chunks;
  chunks.reserve(2 * static_cast<size_t>(frames));
  for (int32_t frame = 0; frame < frames; ++frame) {
    chunks.emplace_back(0, "db", true, DrawFrame(settings, frame));
    chunks.emplace_back(1, "wb", true, SoundForFrame(settings, frame));
  }
  AviWriterOptions options;
  options.microSecPerFrame = static_cast<uint32_t>(1000000 / settings.framesPerSecond);
  std::string error;
  if (!WriteAvi(output, streams, chunks, options, nullptr, &error)) {
    std::fprintf(stderr, "velmora_demo_clip: %s: %s\n", output.c_str(), error.c_str());
    return 1;
  }
  std::printf("%s: %dx%d, %d frames at %d fps, %d Hz stereo%s\n", output.c_str(),
              static_cast<int>(settings.width), static_cast<int>(settings.height),
              static_cast<int>(frames), static_cast<int>(settings.framesPerSecond),
              static_cast<int>(settings.sampleRate),
              settings.flashAndClick ? ", flash and click every second" : "");
  return 0;
}
