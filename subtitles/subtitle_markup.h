// What a stored subtitle text holds besides its characters. A text is UTF-8;
// '|' separates its lines; and two kinds of mark, the only bytes below 32 in
// it, carry its look:
// - a style mark, kStyleMark | the style bits, sets the style of the
//   characters after it, on this line and the lines after (the style at the
//   start of a text is plain); the readers write one only before a character
//   whose style differs from the one before;
// - the top mark, only as the first byte, puts the subtitle at the top of the
//   picture instead of the bottom.
#pragma once

#include <cstdint>

namespace subtitle_markup {

constexpr uint8_t kItalic = 1, kBold = 2, kUnderline = 4, kStrikeOut = 8;
constexpr uint8_t kAllStyles = 15;
constexpr char kStyleMark = 0x10;  // up to 0x1F
constexpr char kTopMark = 0x01;
constexpr char kLineBreak = '|';

inline bool IsStyleMark(char c) { return (static_cast<unsigned char>(c) & 0xF0) == 0x10; }
inline uint8_t StyleOf(char mark) { return static_cast<uint8_t>(mark & kAllStyles); }
inline char StyleMark(uint8_t style) { return static_cast<char>(kStyleMark | (style & kAllStyles)); }
inline bool AtTop(const char* text) { return text[0] == kTopMark; }

}  // namespace subtitle_markup
