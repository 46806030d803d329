// The pictures and sound of the demo clips, kept apart from the file writing
// so that tests can check them.
#pragma once

#include <cstdint>
#include <vector>

struct DemoClipSettings {
  int32_t width = 320;
  int32_t height = 240;
  int32_t framesPerSecond = 25;
  int32_t seconds = 10;
  int32_t sampleRate = 44100;
  int32_t toneHertz = 440;  // the demo's tone
  // A sync clip instead: black frames with one white frame at the start of
  // every second, and silence with a 1 kHz click of 10 ms at the same moments.
  bool flashAndClick = false;
};

constexpr int32_t kClickHertz = 1000;
constexpr int32_t kClickMilliseconds = 10;

// Bytes of one bottom-up 24-bit BI_RGB frame (rows padded to 4 bytes).
int32_t FrameBytes(const DemoClipSettings& settings);

// Frame number n: a moving picture with the frame number in large digits
// (or a sync clip's black or white frame).
std::vector<uint8_t> DrawFrame(const DemoClipSettings& settings, int32_t frame);

// The 16-bit stereo samples of video frame n's stretch of time: sample
// frames from n x rate / fps to (n + 1) x rate / fps.
std::vector<uint8_t> SoundForFrame(const DemoClipSettings& settings, int32_t frame);

// The seven-segment pattern of a digit: bit 0 top, 1 top right, 2 bottom
// right, 3 bottom, 4 bottom left, 5 top left, 6 middle.
uint8_t DigitSegments(int digit);
