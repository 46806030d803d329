// What ffmpeg says about a test clip, written beside the clips by
// make_references.sh: every frame decoded to RGB, and the keyframes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct ClipReference {
  int width = 0;
  int height = 0;
  int frames = 0;
  double toneHertz = 0;       // the sound's strongest frequency (0: no sound)
  std::vector<int> keyframes;
  std::vector<uint8_t> rgb;   // frames x height x width x 3, top row first

  bool Loaded() const { return frames > 0; }
  const uint8_t* Frame(int n) const {
    return rgb.data() + static_cast<size_t>(n) * width * height * 3;
  }
};

ClipReference LoadClipReference(const std::string& clip);

// Pictures compared by the mean colours of a grid of cells, which makes the
// comparison blind to how the picture was scaled and to chroma subsampling,
// but not to what it shows. Cells that a hard edge crosses differ by a pixel
// of rounding, so whole pictures are compared by the median cell.
constexpr int kCellsAcross = 16;
constexpr int kCellsDown = 12;

// The cells' mean colours, cell by cell, top row first: red, green, blue.
using CellPicture = std::vector<double>;

// A region (left, top, right, bottom) of a top-down RGB capture of the width.
CellPicture CaptureCells(const std::vector<uint8_t>& capture, int captureWidth, const RECT& region);
// Reference frame n (none when n is out of range).
CellPicture FrameCells(const ClipReference& reference, int frame);

// The median of the cells' differences (0 to 255 per colour).
double MedianCellDifference(const CellPicture& a, const CellPicture& b);

// Of the cells in which frames a and b differ clearly, the share in which the
// picture is nearer to a (1 when the picture is a, 0 when it is b).
double ShareNearer(const CellPicture& picture, const CellPicture& a, const CellPicture& b);
