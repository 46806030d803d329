#include "tests/shell/clip_reference.h"

#include "tests/common/test_paths.h"

#include <cstdio>
#include <algorithm>
#include <cmath>
#include <cstdlib>

const char kCinepakPcmClip[] = "cinepak_pcm16.avi";
const char kRawMp3Clip[] = "raw_mp3.avi";
const char kMsVideoSilentClip[] = "msvc_silent.avi";

namespace {

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  uint8_t buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  std::fclose(file);
  return bytes;
}

}  // namespace

int ClipReference::KeyframeAtOrBefore(int n) const {
  int found = 0;
  for (int k : keyframes) {
    if (k <= n) found = k;
  }
  return found;
}

ClipReference LoadClipReference(const std::string& clip) {
  ClipReference reference;
  const std::vector<uint8_t> info = ReadWhole(ClipPath(clip + ".info"));
  const std::string text(info.begin(), info.end());
  // "width height frames tone" on the first line, then one keyframe per line.
  char* cursor = const_cast<char*>(text.c_str());
  reference.width = static_cast<int>(std::strtol(cursor, &cursor, 10));
  reference.height = static_cast<int>(std::strtol(cursor, &cursor, 10));
  const int frames = static_cast<int>(std::strtol(cursor, &cursor, 10));
  reference.toneHertz = std::strtod(cursor, &cursor);
  for (;;) {
    char* before = cursor;
    const long k = std::strtol(cursor, &cursor, 10);
    if (cursor == before) break;
    reference.keyframes.push_back(static_cast<int>(k));
  }
  reference.rgb = ReadWhole(ClipPath(clip + ".rgb"));
  const size_t frameBytes = static_cast<size_t>(reference.width) * reference.height * 3;
  if (frameBytes > 0 && reference.rgb.size() >= frameBytes * frames) reference.frames = frames;
  return reference;
}

namespace {

// Mean colours of the cells of a picture of w x h pixels, leaving out a
// pixel at each cell edge.
CellPicture Cells(const uint8_t* pixels, size_t stride, int w, int h) {
  CellPicture cells;
  if (w < kCellsAcross * 3 || h < kCellsDown * 3) return cells;
  for (int cy = 0; cy < kCellsDown; ++cy) {
    for (int cx = 0; cx < kCellsAcross; ++cx) {
      const int x0 = cx * w / kCellsAcross + 1, x1 = (cx + 1) * w / kCellsAcross - 1;
      const int y0 = cy * h / kCellsDown + 1, y1 = (cy + 1) * h / kCellsDown - 1;
      double sum[3] = {0, 0, 0};
      for (int y = y0; y < y1; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = x0; x < x1; ++x) {
          for (int c = 0; c < 3; ++c) sum[c] += row[3 * x + c];
        }
      }
      const double count = static_cast<double>(x1 - x0) * (y1 - y0);
      for (int c = 0; c < 3; ++c) cells.means.push_back(sum[c] / count);
    }
  }
  return cells;
}

std::vector<double> CellDifferences(const CellPicture& a, const CellPicture& b) {
  std::vector<double> differences;
  if (a.means.size() != b.means.size()) return differences;
  for (size_t i = 0; i < a.means.size(); i += 3) {
    double d = 0;
    for (int c = 0; c < 3; ++c) d += std::fabs(a.means[i + c] - b.means[i + c]);
    differences.push_back(d / 3);
  }
  return differences;
}

}  // namespace

CellPicture CaptureCells(const std::vector<uint8_t>& capture, int captureWidth, const RECT& r) {
  if (r.left < 0 || r.top < 0 || r.right > captureWidth ||
      static_cast<size_t>(r.bottom) * captureWidth * 3 > capture.size()) {
    return CellPicture();
  }
  const uint8_t* origin = capture.data() + (static_cast<size_t>(r.top) * captureWidth + r.left) * 3;
  return Cells(origin, static_cast<size_t>(captureWidth) * 3, r.right - r.left, r.bottom - r.top);
}

CellPicture FrameCells(const ClipReference& reference, int frame) {
  if (frame < 0 || frame >= reference.frames) return CellPicture();
  return Cells(reference.Frame(frame), static_cast<size_t>(reference.width) * 3, reference.width,
               reference.height);
}

double MeanCellDifference(const CellPicture& a, const CellPicture& b) {
  const std::vector<double> d = CellDifferences(a, b);
  if (d.empty()) return 1e9;
  double sum = 0;
  for (double v : d) sum += v;
  return sum / d.size();
}

double MedianCellDifference(const CellPicture& a, const CellPicture& b) {
  std::vector<double> d = CellDifferences(a, b);
  if (d.empty()) return 1e9;
  std::nth_element(d.begin(), d.begin() + d.size() / 2, d.end());
  return d[d.size() / 2];
}

double ShareNearer(const CellPicture& picture, const CellPicture& a, const CellPicture& b) {
  const std::vector<double> apart = CellDifferences(a, b);
  const std::vector<double> toA = CellDifferences(picture, a);
  const std::vector<double> toB = CellDifferences(picture, b);
  if (apart.empty() || toA.size() != apart.size() || toB.size() != apart.size()) return 0;
  int cells = 0;
  int nearer = 0;
  for (size_t i = 0; i < apart.size(); ++i) {
    if (apart[i] < 20) continue;  // the frames agree here
    ++cells;
    nearer += toA[i] < toB[i] ? 1 : 0;
  }
  return cells > 0 ? static_cast<double>(nearer) / cells : 0;
}
