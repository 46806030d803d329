#include "subtitles/subtitle_line_reader.h"

#include "subtitles/subtitle_utf8.h"

#include <algorithm>
#include <cctype>
#include <limits>

SubtitleLineReader::SubtitleLineReader(std::FILE* file, uint8_t charSet)
    : source_(file), decoder_(&source_, charSet) {}

SubtitleLineReader::SubtitleLineReader(const char* data, size_t size, uint8_t charSet)
    : source_(data, size), decoder_(&source_, charSet) {}

int SubtitleLineReader::Peek() {
  if (pendingAt_ == pendingSize_) {
    const char32_t c = decoder_.Next();
    if (c == 0) return EOF;
    pendingSize_ = EncodeUtf8(c, pending_);
    pendingAt_ = 0;
  }
  return static_cast<unsigned char>(pending_[pendingAt_]);
}

int SubtitleLineReader::Get() {
  const int c = Peek();
  if (c != EOF) ++pendingAt_;
  return c;
}

bool SubtitleLineReader::ReadLine(char* line, size_t* length) {
  size_t n = 0;
  for (int c = Peek(); c != EOF; c = Peek()) {
    // A character that would not fit whole starts the next piece.
    if (pendingAt_ == 0 && n + pendingSize_ > kLineSize - 1) break;
    line[n++] = static_cast<char>(Get());
    if (c == '\n') break;
  }
  line[n] = 0;
  if (length != nullptr) *length = n;
  return n > 0;
}

bool SubtitleLineReader::ReadNumber(int32_t* value) {
  while (Peek() != EOF && std::isspace(Peek())) Get();
  const int sign = Peek();
  const bool negative = sign == '-';
  if (sign == '-' || sign == '+') Get();
  if (Peek() == EOF || !std::isdigit(Peek())) return false;
  int64_t magnitude = 0;
  for (; Peek() != EOF && std::isdigit(Peek()); Get()) {
    magnitude = std::min<int64_t>(magnitude * 10 + (Peek() - '0'), int64_t{1} << 32);
  }
  const int64_t v = negative ? -magnitude : magnitude;
  *value = static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
  return true;
}
