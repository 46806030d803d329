#include "decode/video_palette.h"

#include <cstring>
#include <utility>

namespace {

constexpr uint32_t kChangeHeader = 4;

}  // namespace

void VideoPalette::Reset(const uint32_t* formatPalette, std::vector<PaletteChangeRef> changes) {
  std::memcpy(formatPalette_, formatPalette, sizeof formatPalette_);
  std::memcpy(current_, formatPalette_, sizeof current_);
  changes_ = std::move(changes);
  applied_ = 0;
}

const uint32_t* VideoPalette::ForFrame(int32_t frame, AviFile* file) {
  if (applied_ > 0 && changes_[applied_ - 1].frame > frame) {
    std::memcpy(current_, formatPalette_, sizeof current_);
    applied_ = 0;
  }
  while (applied_ < changes_.size() && changes_[applied_].frame <= frame) Apply(changes_[applied_++], file);
  return current_;
}

// A change read short brings the entries it holds.
void VideoPalette::Apply(const PaletteChangeRef& change, AviFile* file) {
  uint8_t bytes[kChangeHeader + 4 * 256];
  const uint32_t read = file->ReadChunk(change.chunk, bytes, sizeof bytes);
  if (read < kChangeHeader) return;
  const uint32_t first = bytes[0];
  const uint32_t count = bytes[1] == 0 ? 256 : bytes[1];
  for (uint32_t i = 0; i < count && first + i < 256 && kChangeHeader + 4 * (i + 1) <= read; ++i) {
    const uint8_t* entry = bytes + kChangeHeader + 4 * i;
    current_[first + i] = entry[2] | (entry[1] << 8) | (static_cast<uint32_t>(entry[0]) << 16);
  }
}
