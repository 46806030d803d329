#include "tools/demo_clip/demo_clip.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Colour {
  uint8_t red, green, blue;
};

// A frame under construction, addressed top row first.
class Canvas {
 public:
  Canvas(const DemoClipSettings& settings, std::vector<uint8_t>* bytes)
      : width_(settings.width),
        height_(settings.height),
        stride_(FrameBytes(settings) / settings.height),
        bytes_(bytes) {}

  void Put(int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* pixel = bytes_->data() + static_cast<size_t>(height_ - 1 - y) * stride_ + 3 * x;
    pixel[0] = c.blue;
    pixel[1] = c.green;
    pixel[2] = c.red;
  }

  void Box(int left, int top, int right, int bottom, Colour c) {
    for (int y = std::max(0, top); y < std::min(height_, bottom); ++y) {
      for (int x = std::max(0, left); x < std::min(width_, right); ++x) Put(x, y, c);
    }
  }

  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_;
  int height_;
  int stride_;
  std::vector<uint8_t>* bytes_;
};

// One digit of seven segments in a box of w x 2w, segment thickness t.
void DrawDigit(Canvas* canvas, int digit, int left, int top, int w, Colour c) {
  const int t = std::max(2, w / 4);
  const int h = 2 * w;
  const uint8_t on = DigitSegments(digit);
  const int mid = top + h / 2 - t / 2;
  if (on & 0x01) canvas->Box(left, top, left + w, top + t, c);
  if (on & 0x02) canvas->Box(left + w - t, top, left + w, top + h / 2, c);
  if (on & 0x04) canvas->Box(left + w - t, top + h / 2, left + w, top + h, c);
  if (on & 0x08) canvas->Box(left, top + h - t, left + w, top + h, c);
  if (on & 0x10) canvas->Box(left, top + h / 2, left + t, top + h, c);
  if (on & 0x20) canvas->Box(left, top, left + t, top + h / 2, c);
  if (on & 0x40) canvas->Box(left, mid, left + w, mid + t, c);
}

// The frame number in four digits on a dark plate at the top left.
void DrawCounter(Canvas* canvas, int32_t frame) {
  const int w = std::max(6, canvas->Width() / 16);
  const int gap = w / 2;
  const int margin = w / 2;
  canvas->Box(0, 0, 2 * margin + 4 * w + 3 * gap, 2 * margin + 2 * w, Colour{16, 16, 24});
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", static_cast<int>(frame % 10000));
  for (int i = 0; i < 4; ++i) {
    DrawDigit(canvas, digits[i] - '0', margin + i * (w + gap), margin, w,
              Colour{255, 240, 96});
  }
}

void DrawMovingPicture(Canvas* canvas, const DemoClipSettings& s, int32_t frame) {
  const int width = canvas->Width();
  const int height = canvas->Height();
  // A diagonal colour wash that drifts to the left.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int phase = (x + y + 2 * frame) & 255;
      canvas->Put(x, y, Colour{static_cast<uint8_t>(20 + phase / 4),
                               static_cast<uint8_t>(40 + (y * 80) / height),
                               static_cast<uint8_t>(90 + (255 - phase) / 3)});
    }
  }
  // A ball on a Lissajous path, one turn every four seconds.
  const double t = static_cast<double>(frame) / s.framesPerSecond;
  const int r = std::max(4, height / 10);
  const int cx = static_cast<int>(width / 2 + (width / 2 - r - 2) * std::sin(2 * kPi * t / 4));
  const int cy = static_cast<int>(height / 2 + (height / 2 - r - 2) * std::sin(4 * kPi * t / 4));
  for (int y = cy - r; y <= cy + r; ++y) {
    for (int x = cx - r; x <= cx + r; ++x) {
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
        canvas->Put(x, y, Colour{255, 176, 64});
      }
    }
  }
  // The elapsed part of the clip as a bar along the bottom.
  const int32_t total = s.framesPerSecond * s.seconds;
  const int filled = static_cast<int>(static_cast<int64_t>(width) * (frame + 1) / total);
  canvas->Box(0, height - 4, filled, height, Colour{230, 236, 244});
}

bool FlashFrame(const DemoClipSettings& s, int32_t frame) {
  return frame % s.framesPerSecond == 0;
}

}  // namespace

uint8_t DigitSegments(int digit) {
  static const uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                        0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  return digit >= 0 && digit <= 9 ? kSegments[digit] : 0;
}

int32_t FrameBytes(const DemoClipSettings& settings) {
  const int32_t stride = (settings.width * 3 + 3) / 4 * 4;
  return stride * settings.height;
}

std::vector<uint8_t> DrawFrame(const DemoClipSettings& settings, int32_t frame) {
  std::vector<uint8_t> bytes(static_cast<size_t>(FrameBytes(settings)), 0);
  Canvas canvas(settings, &bytes);
  if (settings.flashAndClick) {
    if (FlashFrame(settings, frame)) {
      canvas.Box(0, 0, settings.width, settings.height, Colour{255, 255, 255});
    }
  } else {
    DrawMovingPicture(&canvas, settings, frame);
  }
  DrawCounter(&canvas, frame);
  return bytes;
}

std::vector<uint8_t> SoundForFrame(const DemoClipSettings& settings, int32_t frame) {
  const int64_t rate = settings.sampleRate;
  const int64_t first = frame * rate / settings.framesPerSecond;
  const int64_t end = (frame + 1) * rate / settings.framesPerSecond;
  const int64_t clickLength = rate * kClickMilliseconds / 1000;
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(end - first) * 4);
  for (int64_t n = first; n < end; ++n) {
    double value;
    if (settings.flashAndClick) {
      const bool clicking = n % rate < clickLength;
      value = clicking ? 0.8 * std::sin(2 * kPi * kClickHertz * static_cast<double>(n) / rate) : 0.0;
    } else {
      value = 0.5 * std::sin(2 * kPi * settings.toneHertz * static_cast<double>(n) / rate);
    }
    const int16_t sample = static_cast<int16_t>(std::lround(value * 32767));
    for (int channel = 0; channel < 2; ++channel) {
      bytes.push_back(static_cast<uint8_t>(sample & 0xFF));
      bytes.push_back(static_cast<uint8_t>((sample >> 8) & 0xFF));
    }
  }
  return bytes;
}
