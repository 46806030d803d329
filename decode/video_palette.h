// The palette of a palettized video stream at each frame: the format's own
// palette, changed by the stream's palette-change chunks ("##pc", each an
// AVIPALCHANGE: first entry, entry count (0 for 256), flags, then that many
// PALETTEENTRY bytes red, green, blue, flags) from the frame after which
// they stand. Reading forward applies the changes passed; going back starts
// again from the format's palette. Used on the video side only.
#pragma once

#include "media/avi_file.h"

#include <cstdint>
#include <vector>

// The most palette changes a file is searched for.
constexpr size_t kMostPaletteChanges = 65536;

class VideoPalette {
 public:
  // The format's palette (256 entries, RGBQUAD bytes) and the file's changes.
  void Reset(const uint32_t* formatPalette, std::vector<PaletteChangeRef> changes);
  // The palette that holds for the frame (the entries as RGBQUAD bytes
  // blue, green, red, 0).
  const uint32_t* ForFrame(int32_t frame, AviFile* file);
  bool HasChanges() const { return !changes_.empty(); }

 private:
  void Apply(const PaletteChangeRef& change, AviFile* file);

  uint32_t formatPalette_[256] = {};
  uint32_t current_[256] = {};
  std::vector<PaletteChangeRef> changes_;
  size_t applied_ = 0;  // changes_[0 .. applied_) are in current_
};
