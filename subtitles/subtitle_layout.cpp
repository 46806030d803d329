#include "subtitles/subtitle_layout.h"

#include "subtitles/subtitle_markup.h"

#include <algorithm>

namespace {

// The marks below 32 are no characters: they neither end a line nor separate words.
bool IsLineBreak(char c) { return c == subtitle_markup::kLineBreak; }
bool IsSeparator(char c) { return c == ' ' || IsLineBreak(c); }

// Splits text[start .. end - 1] at the separator nearest its middle.
void SplitNearMiddle(char* text, size_t start, size_t end) {
  const size_t middle = start + (end - start) / 2;
  size_t left = middle;
  while (left > start && !IsSeparator(text[left])) --left;
  size_t right = middle;
  while (right < end && !IsSeparator(text[right])) ++right;
  // right may be end: the line's own end, never a blank.
  if (middle - left > right - middle) {
    if (right < end && text[right] == ' ') text[right] = '|';
  } else if (text[left] == ' ') {
    text[left] = '|';
  }
}

}  // namespace

int32_t SubtitleFontHeight(int32_t logFontHeight, int32_t dotsPerInch) {
  if (dotsPerInch <= 0) dotsPerInch = 96;
  const int64_t height = int64_t{logFontHeight} * -96 / dotsPerInch;
  return static_cast<int32_t>(std::clamp<int64_t>(height, 12, 64));
}

int32_t SubtitleBandHeight(int32_t fontHeight, int32_t frameHeight) {
  return std::min(fontHeight * 9 / 2, frameHeight);
}

void WrapSubtitleText(char* text, int32_t frameWidth, const SubtitleTextWidth& width) {
  size_t i = 0;
  while (text[i] != 0) {
    if (IsLineBreak(text[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (text[i] != 0 && !IsLineBreak(text[i])) ++i;
    if (width(text + start, i - start) > frameWidth) SplitNearMiddle(text, start, i);
  }
}

int32_t CountSubtitleLines(const char* text) {
  int32_t lines = 1;
  for (const char* c = text; *c != 0; ++c) lines += IsLineBreak(*c) ? 1 : 0;
  return lines;
}

int32_t SubtitleLineTop(int32_t k, int32_t lines, int32_t bandHeight, int32_t fontHeight, bool atTop) {
  if (atTop) return fontHeight / 2 + (k - 1) * fontHeight;
  return bandHeight - (lines - k + 1) * fontHeight - fontHeight / 2;
}

std::vector<SubtitleLine> PlaceSubtitleLines(const char* text, int32_t frameWidth, int32_t bandHeight,
                                             int32_t fontHeight) {
  const bool atTop = subtitle_markup::AtTop(text);
  if (atTop) ++text;
  const int32_t lines = CountSubtitleLines(text);
  std::vector<SubtitleLine> placed;
  placed.reserve(static_cast<size_t>(lines));
  const char* start = text;
  for (int32_t k = 1; k <= lines; ++k) {
    const char* end = start;
    while (*end != 0 && !IsLineBreak(*end)) ++end;
    placed.push_back({start, static_cast<size_t>(end - start), frameWidth / 2,
                      SubtitleLineTop(k, lines, bandHeight, fontHeight, atTop)});
    start = *end != 0 ? end + 1 : end;
  }
  return placed;
}
