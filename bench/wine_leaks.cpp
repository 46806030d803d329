// What the system's own components keep per use, measured without any code
// of the player (run under Wine by bench/wine_leaks.sh):
//   - filter graphs made and released: the process's event handles, by kind
//     (manual- or auto-reset), and its commit charge, before and after;
//   - a Cinepak clip decoded through the installed decompressor with
//     ICDecompress: the commit charge after its frames in turn, and after
//     its first frame over and over.
//
//   wine_leaks.exe CINEPAK_CLIP.avi
// prints one line per measurement.
#include <windows.h>
#include <dshow.h>
#include <psapi.h>
#include <vfw.h>
#include <winternl.h>

#include "tools/event_kind.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kGraphs = 200;
constexpr int kDecodes = 1000;

long long CommitKb() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<long long>(counters.PagefileUsage) / 1024;
}

// The process's open event handles: manual-reset ones first, auto-reset second.
std::pair<int, int> EventHandles() {
  std::pair<int, int> counts(0, 0);
  for (uintptr_t value = 4; value < 0x10000; value += 4) {
    const EventKind kind = KindOfEvent(reinterpret_cast<HANDLE>(value));
    if (kind == EventKind::kNotAnEvent) continue;
    ++(kind == EventKind::kManualReset ? counts.first : counts.second);
  }
  return counts;
}

void MeasureGraphs() {
  for (const CLSID* clsid : {&CLSID_FilterGraphNoThread, &CLSID_FilterGraph, &CLSID_FilterGraphNoThread}) {
    const std::pair<int, int> before = EventHandles();
    const long long commitBefore = CommitKb();
    int made = 0;
    for (int i = 0; i < kGraphs; ++i) {
      IGraphBuilder* graph = nullptr;
      if (FAILED(CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&graph)))) {
        continue;
      }
      ++made;
      graph->Release();
    }
    const long long commitAfter = CommitKb();
    const std::pair<int, int> after = EventHandles();
    std::printf("%s: %d graphs made and released: manual-reset events %+d, auto-reset events %+d, "
                "commit %+lld KB\n",
                clsid == &CLSID_FilterGraph ? "FilterGraph" : "FilterGraphNoThread", made,
                after.first - before.first, after.second - before.second, commitAfter - commitBefore);
  }
}

struct Chunk {
  size_t offset;
  uint32_t size;
};

// The first video format and the "00dc" chunks of the movie list, found by a
// plain scan (the clip is one of ours: a small, regular file).
bool ScanClip(const std::vector<uint8_t>& file, BITMAPINFOHEADER* format, std::vector<Chunk>* chunks) {
  *format = {};
  for (size_t i = 0; i + 8 <= file.size(); ++i) {
    uint32_t size = 0;
    std::memcpy(&size, &file[i + 4], 4);
    if (format->biSize == 0 && std::memcmp(&file[i], "strf", 4) == 0 && i + 8 + sizeof *format <= file.size()) {
      std::memcpy(format, &file[i + 8], sizeof *format);
    } else if (std::memcmp(&file[i], "00dc", 4) == 0 && size > 12 && i + 8 + size <= file.size()) {
      chunks->push_back({i + 8, size});
      i += 7 + size;
    }
  }
  return format->biSize != 0 && !chunks->empty();
}

void MeasureCinepak(const char* path) {
  std::vector<uint8_t> file;
  if (FILE* f = std::fopen(path, "rb")) {
    file.resize(64u << 20);
    file.resize(std::fread(file.data(), 1, file.size(), f));
    std::fclose(f);
  }
  BITMAPINFOHEADER in;
  std::vector<Chunk> chunks;
  if (!ScanClip(file, &in, &chunks)) {
    std::printf("%s: no video chunks found\n", path);
    return;
  }
  BITMAPINFOHEADER out = in;
  out.biCompression = BI_RGB;
  out.biBitCount = 24;
  out.biSizeImage = (in.biWidth * 3 + 3) / 4 * 4 * in.biHeight;
  HIC codec = ICOpen(ICTYPE_VIDEO, in.biCompression, ICMODE_DECOMPRESS);
  if (codec == nullptr || ICDecompressBegin(codec, &in, &out) != ICERR_OK) {
    std::printf("%s: no decompressor\n", path);
    if (codec != nullptr) ICClose(codec);
    return;
  }
  std::vector<uint8_t> picture(out.biSizeImage);
  for (const bool inTurn : {false, true, true}) {
    const long long before = CommitKb();
    for (int i = 0; i < kDecodes; ++i) {
      const Chunk& chunk = chunks[inTurn ? i % chunks.size() : 0];
      in.biSizeImage = chunk.size;
      ICDecompress(codec, 0, &in, &file[chunk.offset], &out, picture.data());
    }
    std::printf("%d decodes of %s: commit %+lld KB\n", kDecodes,
                inTurn ? "the frames in turn" : "the first frame", CommitKb() - before);
  }
  ICDecompressEnd(codec);
  ICClose(codec);
}

}  // namespace

int main(int argc, char** argv) {
  CoInitialize(nullptr);
  MeasureGraphs();
  if (argc > 1) MeasureCinepak(argv[1]);
  CoUninitialize();
  return 0;
}
