#include "video/histogram.h"

#include "platform/vector_helpers.h"
#include "platform/vector_level.h"
#include "video/yuy2_rows.h"

#include <algorithm>
#include <cstring>

namespace {

using Counts = uint32_t[256];

void CountScalar(uint8_t* frame, int32_t width, int32_t height, Counts counts) {
  std::memset(counts, 0, sizeof(Counts));
  const int32_t bytes = WordBytes(width);
  ForEachRow(frame, width, height, [&](uint8_t* row) {
    for (int32_t i = 0; i < bytes; i += 2) ++counts[row[i]];
  });
}

// Four partial tables, so that runs of equal lumas do not wait on each
// other's increments; summed at the end.
void CountInterleaved(uint8_t* frame, int32_t width, int32_t height, Counts counts) {
  static_assert(sizeof(Counts) == 1024, "256 counters");
  uint32_t partial[4][256] = {};
  const int32_t bytes = WordBytes(width);
  ForEachRow(frame, width, height, [&](uint8_t* row) {
    int32_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
      const uint64_t w = static_cast<uint64_t>(LoadWord(row + i)) | static_cast<uint64_t>(LoadWord(row + i + 4)) << 32;
      ++partial[0][w & 0xFF];
      ++partial[1][(w >> 16) & 0xFF];
      ++partial[2][(w >> 32) & 0xFF];
      ++partial[3][(w >> 48) & 0xFF];
    }
    for (; i < bytes; i += 2) ++partial[0][row[i]];
  });
  for (int k = 0; k < 256; ++k) counts[k] = partial[0][k] + partial[1][k] + partial[2][k] + partial[3][k];
}

// The bars: column j shows bin (255 j) div (W div 4), averaged with the bins
// skipped since the previous column's bin; each bin scaled by 10 / W.
void DrawBars(uint8_t* frame, int32_t width, int32_t height, const Counts counts) {
  const int32_t columns = width / 4, stride = Yuy2RowStride(width);
  static const uint32_t kBar[3] = {0x15902B70u, 0x2F004060u, 0x65106A24u};
  int32_t previous = -1;
  for (int32_t j = 0; j + 1 < columns; ++j) {
    const int32_t bin = 255 * j / columns;
    // The column's own bin and every bin skipped since the previous column.
    // When columns outnumber bins a bin shows again, alone.
    int64_t sum = static_cast<int64_t>(counts[bin]) * 10 / width;
    int32_t taken = 1;
    for (int32_t k = previous + 1; k < bin; ++k, ++taken) sum += static_cast<int64_t>(counts[k]) * 10 / width;
    previous = bin;
    const int32_t bar = static_cast<int32_t>(std::min<int64_t>(sum / taken, height));
    for (int32_t r = 0; r < bar; ++r) {
      uint8_t* at = frame + static_cast<intptr_t>(height - 1 - r) * stride + 8 * j;
      for (int k = 0; k < 3; ++k) StoreWord(at + 4 * k, kBar[k]);
    }
  }
}

}  // namespace

namespace reference {

void DrawHistogram(uint8_t* frame, int32_t width, int32_t height) {
  if (width < 1 || height < 1) return;
  Counts counts;
  CountScalar(frame, width, height, counts);
  DrawBars(frame, width, height, counts);
}

}  // namespace reference

void DrawHistogram(uint8_t* frame, int32_t width, int32_t height) {
  if (width < 1 || height < 1) return;
  Counts counts;
  if (CurrentVectorLevel() >= VectorLevel::kSse2) CountInterleaved(frame, width, height, counts);
  else CountScalar(frame, width, height, counts);
  DrawBars(frame, width, height, counts);
}
