#include "video/level_bar.h"

#include "platform/vector_helpers.h"
#include "video/yuy2_frame.h"

#include <algorithm>

namespace {

constexpr int32_t kBarWords = 8;       // 16 pixels wide
constexpr int32_t kIconSize = 32;
constexpr int32_t kIconsLeft = 32;     // first frame pixel of icon 0
constexpr int32_t kIconsMinWidth = 160;

struct BarColours {
  uint32_t border;
  uint32_t fill;
};

void DrawBar(uint8_t* frame, int32_t width, int32_t height, int32_t value, bool volume) {
  const int32_t stride = Yuy2RowStride(width);
  const int32_t cells = height / 4;
  const int32_t filled = value * cells / 100;
  const int32_t words = std::min(kBarWords, width / 2);  // clipped to narrow frames
  for (int32_t r = 0; r < cells; ++r) {
    const BarColours colours = (r < cells / 2 || volume) ? BarColours{0x60806080u, 0x50F050F0u}
                                                          : BarColours{0x60706070u, 0x50B050B0u};
    const bool fill = r >= cells - filled;
    for (int32_t line = 0; line < 4; ++line) {
      uint8_t* row = frame + static_cast<intptr_t>(4 * r + line) * stride;
      for (int32_t k = 0; k < words; ++k) {
        const bool border = line == 0 || k == 0 || k == kBarWords - 1;
        if (border) StoreWord(row + 4 * k, colours.border);
        else if (fill) StoreWord(row + 4 * k, colours.fill);
      }
    }
  }
}

// One pixel's luma and its chroma share, blended towards the icon.
struct Blend {
  int32_t threshold;     // T
  int32_t chromaTarget;
};

int32_t LumaTarget(int32_t a, bool selected) {
  return selected ? (a > 192 ? 255 : a) * 3 / 4 : a / 2;
}

int32_t BlendValue(int32_t value, int32_t target, int32_t a, int32_t threshold) {
  return a > threshold ? target : (value * (threshold - a) + target * a) / threshold;
}

void DrawIcons(uint8_t* frame, int32_t width, int32_t height, int32_t selection, const uint8_t* image) {
  const int32_t stride = Yuy2RowStride(width);
  const int32_t selectedIcon = (selection + 1) % 4;
  const int32_t rows = std::min(kIconSize, height);
  for (int32_t i = 0; i < rows; ++i) {
    uint8_t* row = frame + static_cast<intptr_t>(i) * stride;
    const uint8_t* bitmapRow = image + i * kBalanceImageWidth;
    // Frame pixel x shows bitmap column x - 32; words hold pixels 2m, 2m + 1.
    for (int32_t x = kIconsLeft; x < kIconsLeft + kBalanceImageWidth; x += 2) {
      const bool selected = (x - kIconsLeft) / kIconSize == selectedIcon;
      const Blend blend = selected ? Blend{64, 112} : Blend{128, 128};
      uint8_t* word = row + 2 * x;
      int32_t shareU = 0, shareV = 0;
      for (int32_t p = 0; p < 2; ++p) {
        const int32_t a = bitmapRow[x - kIconsLeft + p];
        word[2 * p] = static_cast<uint8_t>(BlendValue(word[2 * p], LumaTarget(a, selected), a, blend.threshold));
        shareU += BlendValue(word[1], blend.chromaTarget, a, blend.threshold);
        shareV += BlendValue(word[3], blend.chromaTarget, a, blend.threshold);
      }
      word[1] = static_cast<uint8_t>(shareU / 2);
      word[3] = static_cast<uint8_t>(shareV / 2);
    }
  }
}

}  // namespace

void DrawLevelBar(uint8_t* frame, int32_t width, int32_t height, int32_t value, int32_t selection,
                  const uint8_t* balanceImage) {
  if (width / 4 < 1 || height / 4 < 1) return;
  selection = (selection % 4 + 4) % 4;  // the BalanceTarget brought into 0 .. 3
  DrawBar(frame, width, height, std::clamp(value, 0, 100), selection == 0);
  if (width >= kIconsMinWidth && balanceImage != nullptr) DrawIcons(frame, width, height, selection, balanceImage);
}
