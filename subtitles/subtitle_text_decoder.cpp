#include "subtitles/subtitle_text_decoder.h"

#include "subtitles/subtitle_utf8.h"

namespace {

constexpr char32_t kByteOrderMark = 0xFEFF;

// A well-formed sequence starting with lead, read from source.
bool ReadValidSequence(SubtitleByteSource* source, int lead) {
  unsigned char bytes[4] = {static_cast<unsigned char>(lead)};
  const size_t n = Utf8SequenceLength(bytes[0]);
  if (n == 1) return false;
  for (size_t i = 1; i < n; ++i) {
    const int c = source->Get();
    if (c == EOF) return false;
    bytes[i] = static_cast<unsigned char>(c);
  }
  size_t length = 0;
  DecodeUtf8(bytes, n, &length);
  return length == n;
}

bool IsAsciiLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// True when at least half of the bytes from 0xC0 up (the letters of every
// Windows alphabet) touch an ASCII letter: accented letters of Western words.
bool ReadsAsWesternWords(SubtitleByteSource* source) {
  size_t letters = 0, inAsciiWords = 0;
  int before = EOF;
  for (int c = source->Get(); c != EOF && c != 0;) {
    const int after = source->Get();
    if (c >= 0xC0) {
      ++letters;
      if (IsAsciiLetter(before) || IsAsciiLetter(after)) ++inAsciiWords;
    }
    before = c;
    c = after;
  }
  return letters > 0 && inAsciiWords * 2 >= letters;
}

constexpr uint32_t kCyrillicCodePage = 1251, kGreekCodePage = 1253, kWesternCodePage = 1252;

}  // namespace

SubtitleTextDecoder::SubtitleTextDecoder(SubtitleByteSource* source, uint8_t charSet) : source_(source) {
  int markBytes = 0;
  encoding_ = Detect(source, &markBytes);
  source->Rewind();
  if (encoding_ == SubtitleEncoding::kCodePage) {
    codePage_.reset(new SubtitleCodePage(ChooseCodePage(source, charSet)));
  }
  for (int i = 0; i < markBytes; ++i) source->Get();
}

uint32_t SubtitleTextDecoder::ChooseCodePage(SubtitleByteSource* source, uint8_t charSet) {
  const uint32_t fonts = SubtitleCodePage::OfCharSet(charSet);
  if (fonts != kCyrillicCodePage && fonts != kGreekCodePage) return fonts;
  const bool western = ReadsAsWesternWords(source);
  source->Rewind();
  return western ? kWesternCodePage : fonts;
}

SubtitleEncoding SubtitleTextDecoder::Detect(SubtitleByteSource* source, int* markBytes) {
  const int b0 = source->Get(), b1 = source->Get();
  if (b0 == 0xFF && b1 == 0xFE) return *markBytes = 2, SubtitleEncoding::kUtf16Le;
  if (b0 == 0xFE && b1 == 0xFF) return *markBytes = 2, SubtitleEncoding::kUtf16Be;
  const int b2 = source->Get();
  if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF) return *markBytes = 3, SubtitleEncoding::kUtf8;
  source->Rewind();
  bool multiByte = false;
  for (int c = source->Get(); c != EOF && c != 0; c = source->Get()) {
    if (c < 0x80) continue;
    if (!ReadValidSequence(source, c)) return SubtitleEncoding::kCodePage;
    multiByte = true;
  }
  return multiByte ? SubtitleEncoding::kUtf8 : SubtitleEncoding::kCodePage;
}

char32_t SubtitleTextDecoder::Next() {
  char32_t c = kByteOrderMark;
  while (c == kByteOrderMark && !ended_) c = NextOnce();
  if (c == 0) ended_ = true;
  return ended_ ? 0 : c;
}

char32_t SubtitleTextDecoder::NextOnce() {
  switch (encoding_) {
    case SubtitleEncoding::kUtf8:
      return NextUtf8();
    case SubtitleEncoding::kUtf16Le:
    case SubtitleEncoding::kUtf16Be:
      return NextUtf16();
    case SubtitleEncoding::kCodePage:
      return NextInCodePage();
  }
  return 0;
}

int SubtitleTextDecoder::Byte() {
  const int c = heldByte_ != EOF ? heldByte_ : source_->Get();
  heldByte_ = EOF;
  return c;
}

// A broken sequence is one replacement character, up to the first byte
// that can't continue it (which starts the next character).
char32_t SubtitleTextDecoder::NextUtf8() {
  unsigned char bytes[4];
  const int lead = Byte();
  if (lead == EOF) return 0;
  bytes[0] = static_cast<unsigned char>(lead);
  const size_t n = Utf8SequenceLength(bytes[0]);
  size_t got = 1;
  while (got < n) {
    const int c = Byte();
    if (c == EOF || !IsUtf8Continuation(static_cast<unsigned char>(c))) {
      heldByte_ = c;
      break;
    }
    bytes[got++] = static_cast<unsigned char>(c);
  }
  size_t length = 0;
  const char32_t c = DecodeUtf8(bytes, got, &length);
  return length == got ? c : kReplacementCharacter;
}

int32_t SubtitleTextDecoder::Utf16Unit() {
  if (heldUnit_ >= 0) {
    const int32_t unit = heldUnit_;
    heldUnit_ = -1;
    return unit;
  }
  const int first = source_->Get();
  const int second = first == EOF ? EOF : source_->Get();
  if (second == EOF) return -1;  // an odd last byte is no character
  return encoding_ == SubtitleEncoding::kUtf16Le ? first | (second << 8) : (first << 8) | second;
}

char32_t SubtitleTextDecoder::NextUtf16() {
  const int32_t unit = Utf16Unit();
  if (unit < 0) return 0;
  if (unit < 0xD800 || unit > 0xDFFF) return static_cast<char32_t>(unit);
  if (unit >= 0xDC00) return kReplacementCharacter;  // a low surrogate alone
  const int32_t low = Utf16Unit();
  if (low >= 0xDC00 && low <= 0xDFFF) {
    return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
  }
  heldUnit_ = low;  // the end, or the next character
  return kReplacementCharacter;
}

char32_t SubtitleTextDecoder::NextInCodePage() {
  const int b = Byte();
  if (b == EOF || b == 0) return 0;
  const uint8_t byte = static_cast<uint8_t>(b);
  if (!codePage_->IsLeadByte(byte)) return codePage_->Decode(byte);
  const int trail = Byte();
  char32_t c = kReplacementCharacter;
  if (trail != EOF && trail != 0 && codePage_->Decode(byte, static_cast<uint8_t>(trail), &c)) return c;
  heldByte_ = trail;  // the end, or a character of its own
  return kReplacementCharacter;
}
