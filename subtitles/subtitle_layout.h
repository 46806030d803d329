// Text layout of the subtitle band, apart from the drawing itself: the font
// and band heights, where long lines wrap and where each line goes. Texts are
// in the stored form of subtitle_markup.h: lines separated by '|', and marks
// below 32 that take no room of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The width in pixels of text[0 .. length - 1] in the subtitle font (in the
// styles its marks, and those before it, give).
using SubtitleTextWidth = std::function<int32_t(const char* text, size_t length)>;

// A LOGFONT height (negative: the character height) in pixels on a screen of
// dotsPerInch: lfHeight * -96 div dotsPerInch, clamped to 12 .. 64. A screen
// that reports no resolution counts as 96 dots per inch.
int32_t SubtitleFontHeight(int32_t logFontHeight, int32_t dotsPerInch);

// Four and a half font heights (truncated), but no taller than the frame.
int32_t SubtitleBandHeight(int32_t fontHeight, int32_t frameHeight);

// Splits every line wider than frameWidth once, near its middle: the blank
// nearest the middle byte becomes '|' (on a tie the one before it). A line
// with no blank on the nearer side stays whole and is clipped when drawn.
// The halves are not measured again. text is zero-terminated; a top mark
// before it is measured with the first line.
void WrapSubtitleText(char* text, int32_t frameWidth, const SubtitleTextWidth& width);

// 1 + the '|' in text.
int32_t CountSubtitleLines(const char* text);

// The top of line k (1 .. lines) of a text of `lines` lines, so that the last
// line's top sits one and a half font heights above the band's bottom. Lines
// that don't fit run off the top (negative) and are clipped when drawn.
// atTop, for a band at the top of the picture: the first line's top half a
// font height below the band's top, the others under it (those that don't
// fit run off the bottom).
int32_t SubtitleLineTop(int32_t k, int32_t lines, int32_t bandHeight, int32_t fontHeight, bool atTop = false);

// One line to draw, centred on x, its top at y; empty lines have length 0.
struct SubtitleLine {
  const char* text;
  size_t length;
  int32_t x, y;
};

// The lines of a wrapped text in drawing order, placed in a band of
// frameWidth x bandHeight: at the top of it when the text starts with the top
// mark (the mark belongs to no line).
std::vector<SubtitleLine> PlaceSubtitleLines(const char* text, int32_t frameWidth, int32_t bandHeight,
                                             int32_t fontHeight);
