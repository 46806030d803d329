#include "subtitles/subtitle_tags.h"

#include "subtitles/subtitle_markup.h"
#include "subtitles/subtitle_utf8.h"

#include <cstring>

namespace {

using namespace subtitle_markup;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The bytes of the tag "<" "/"? letters ... ">" at s[0 .. n - 1], nothing
// between its letters and its '>' being '<'; 0 when s starts none.
size_t HtmlTagLength(const char* s, size_t n, bool* closing, size_t* nameAt, size_t* nameLength) {
  size_t i = 1;
  *closing = i < n && s[i] == '/';
  if (*closing) ++i;
  *nameAt = i;
  while (i < n && IsLetter(s[i])) ++i;
  *nameLength = i - *nameAt;
  if (*nameLength == 0) return 0;
  for (; i < n && s[i] != '<'; ++i) {
    if (s[i] == '>') return i + 1;
  }
  return 0;
}

uint8_t HtmlStyle(const char* name, size_t length) {
  if (length != 1) return 0;
  switch (Lower(name[0])) {
    case 'i': return kItalic;
    case 'b': return kBold;
    case 'u': return kUnderline;
    case 's': return kStrikeOut;
    default: return 0;
  }
}

void SetStyle(SubtitleTagState* state, uint8_t bit, bool on) {
  state->style = on ? (state->style | bit) : (state->style & ~bit);
}

void Place(SubtitleTagState* state, SubtitleText* text, bool top) {
  if (state->placed) return;
  state->placed = true;
  state->top = top;
  if (top) text->SetTop();
}

// One override code: its name (letters) and the number after it (-1 when none).
void ApplyCode(const char* name, size_t length, int64_t number, SubtitleTagState* state, SubtitleText* text) {
  if (length > 0 && name[0] == 'r') {  // "\r" or "\rStyle"
    state->style = state->baseStyle;
    return;
  }
  if (number < 0) return;
  const auto is = [&](const char* code) { return std::strlen(code) == length && std::memcmp(code, name, length) == 0; };
  if (is("i")) SetStyle(state, kItalic, number != 0);
  else if (is("b")) SetStyle(state, kBold, number == 1 || number > 400);
  else if (is("u")) SetStyle(state, kUnderline, number != 0);
  else if (is("s")) SetStyle(state, kStrikeOut, number != 0);
  else if (is("p")) state->drawing = number > 0;
  else if (is("an") && number >= 1 && number <= 9) Place(state, text, number >= 7);
  else if (is("a") && number >= 1 && number <= 11) Place(state, text, number >= 5 && number <= 7);
}

// The codes of a block's inside, s[0 .. n - 1].
void ApplyOverrides(const char* s, size_t n, SubtitleTagState* state, SubtitleText* text) {
  size_t i = 0;
  while (i < n) {
    if (s[i++] != '\\') continue;
    const size_t nameAt = i;
    while (i < n && IsLetter(s[i])) ++i;
    const size_t nameLength = i - nameAt;
    int64_t number = -1;
    if (i < n && IsDigit(s[i])) number = 0;
    for (; i < n && IsDigit(s[i]); ++i) number = number < 100000 ? number * 10 + (s[i] - '0') : number;
    ApplyCode(s + nameAt, nameLength, number, state, text);
  }
}

// The '}' closing the block that starts at s[0], or null.
const char* BlockEnd(const char* s, size_t n) { return static_cast<const char*>(std::memchr(s, '}', n)); }

// Appends the character at s[0] (n bytes are left; one cut off is none);
// returns its length.
size_t AppendOne(const char* s, size_t n, const SubtitleTagState& state, SubtitleText* text) {
  const size_t length = Utf8SequenceLength(static_cast<unsigned char>(s[0]));
  if (length > n) return n;
  if (!state.drawing && static_cast<unsigned char>(s[0]) >= 32) text->AppendCharacter(s, length, state.style);
  return length;
}

}  // namespace

void AppendSubRipLine(const char* line, size_t length, SubtitleTagState* state, SubtitleText* text) {
  size_t i = 0;
  while (i < length) {
    const char* s = line + i;
    const size_t left = length - i;
    bool closing = false;
    size_t nameAt = 0, nameLength = 0;
    if (s[0] == '<') {
      if (const size_t tag = HtmlTagLength(s, left, &closing, &nameAt, &nameLength)) {
        if (const uint8_t bit = HtmlStyle(s + nameAt, nameLength)) SetStyle(state, bit, !closing);
        i += tag;
        continue;
      }
    }
    if (s[0] == '{' && left > 1 && s[1] == '\\') {
      if (const char* end = BlockEnd(s, left)) {
        ApplyOverrides(s + 1, static_cast<size_t>(end - s - 1), state, text);
        i += static_cast<size_t>(end - s) + 1;
        continue;
      }
    }
    i += AppendOne(s, left, *state, text);
  }
}

void AppendSubStationText(const char* from, size_t length, SubtitleTagState* state, SubtitleText* text) {
  static const char kNoBreakSpace[] = "\xC2\xA0";
  size_t i = 0;
  while (i < length) {
    const char* s = from + i;
    const size_t left = length - i;
    if (s[0] == '{') {
      if (const char* end = BlockEnd(s, left)) {
        ApplyOverrides(s + 1, static_cast<size_t>(end - s - 1), state, text);
        i += static_cast<size_t>(end - s) + 1;
        continue;
      }
    }
    if (s[0] == '\\' && left > 1 && (s[1] == 'N' || s[1] == 'n' || s[1] == 'h')) {
      if (s[1] != 'h') text->AppendLineBreak();
      else if (!state->drawing) text->AppendCharacter(kNoBreakSpace, 2, state->style);
      i += 2;
      continue;
    }
    i += AppendOne(s, left, *state, text);
  }
}
