// UTF-8, the form subtitle texts are kept in whatever the file's encoding.
#pragma once

#include <cstddef>
#include <cstdint>

// What stands for bytes that name no character.
constexpr char32_t kReplacementCharacter = 0xFFFD;

// The bytes of the sequence that starts with lead (1 for a byte that starts
// none: a continuation byte or one that UTF-8 never uses).
inline size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  return 1;
}

inline bool IsUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Writes the UTF-8 form of c (surrogates and values past U+10FFFF as the
// replacement character) into out, which has room for 4 bytes; returns the
// bytes written.
inline size_t EncodeUtf8(char32_t c, char* out) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// The character at bytes[0 .. size - 1] when they start with a well-formed
// sequence (no overlong forms, no surrogates, nothing past U+10FFFF): its
// value, and its length in *length. Otherwise the replacement character, with
// *length 1, so that decoding resumes at the next byte.
inline char32_t DecodeUtf8(const unsigned char* bytes, size_t size, size_t* length) {
  *length = 1;
  const unsigned char lead = bytes[0];
  const size_t n = Utf8SequenceLength(lead);
  if (n == 1) return lead < 0x80 ? lead : kReplacementCharacter;
  if (n > size) return kReplacementCharacter;
  // The second byte's range excludes overlong forms, surrogates and values past U+10FFFF.
  const unsigned char second = bytes[1];
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (second < low || second > high) return kReplacementCharacter;
  char32_t c = lead & (0xFF >> (n + 1));
  for (size_t i = 1; i < n; ++i) {
    if (!IsUtf8Continuation(bytes[i])) return kReplacementCharacter;
    c = (c << 6) | (bytes[i] & 0x3F);
  }
  *length = n;
  return c;
}
