#include "tests/shell/clip_reference.h"

#include "tests/common/test_paths.h"

#include <algorithm>
#include <cmath>
#include <fstream>

ClipReference LoadClipReference(const std::string& clip) {
  ClipReference reference;
  // "width height frames tone" on the first line, then one keyframe per line.
  std::ifstream info(ClipPath(clip + ".info"));
  int frames = 0;
  info >> reference.width >> reference.height >> frames >> reference.toneHertz;
  for (int k; info >> k;) reference.keyframes.push_back(k);
  reference.rgb = ReadFileBytes(ClipPath(clip + ".rgb"));
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
      for (int c = 0; c < 3; ++c) cells.push_back(sum[c] / count);
    }
  }
  return cells;
}

std::vector<double> CellDifferences(const CellPicture& a, const CellPicture& b) {
  std::vector<double> differences;
  if (a.size() != b.size()) return differences;
  for (size_t i = 0; i < a.size(); i += 3) {
    double d = 0;
    for (int c = 0; c < 3; ++c) d += std::fabs(a[i + c] - b[i + c]);
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
