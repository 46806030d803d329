#include "subtitles/subtitle_line_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace {
constexpr size_t kChunk = 16384;
}

SubtitleLineReader::SubtitleLineReader(std::FILE* file)
    : file_(file), storage_(new char[kChunk]), data_(storage_.get()) {
  SkipByteOrderMark();
}

SubtitleLineReader::SubtitleLineReader(const char* data, size_t size) : data_(data), size_(size) {
  SkipByteOrderMark();
}

void SubtitleLineReader::SkipByteOrderMark() {
  static const char kMark[] = "\xEF\xBB\xBF";
  if (file_ != nullptr) Fill();
  if (size_ >= 3 && std::memcmp(data_, kMark, 3) == 0) position_ = 3;
}

bool SubtitleLineReader::Fill() {
  if (file_ == nullptr || ended_) return false;
  size_ = std::fread(storage_.get(), 1, kChunk, file_);
  position_ = 0;
  return size_ > 0;
}

int SubtitleLineReader::Get() {
  if (pushed_ != EOF) {
    const int c = pushed_;
    pushed_ = EOF;
    return c;
  }
  if (ended_) return EOF;
  if (position_ == size_ && !Fill()) {
    ended_ = true;
    return EOF;
  }
  const int c = static_cast<unsigned char>(data_[position_++]);
  if (c == 0) {
    ended_ = true;
    return EOF;
  }
  return c;
}

void SubtitleLineReader::Unget(int c) { pushed_ = c; }

bool SubtitleLineReader::ReadLine(char* line, size_t* length) {
  size_t n = 0;
  while (n < kLineSize - 1) {
    const int c = Get();
    if (c == EOF) break;
    line[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  line[n] = 0;
  if (length != nullptr) *length = n;
  return n > 0;
}

bool SubtitleLineReader::ReadNumber(int32_t* value) {
  int c = Get();
  while (c != EOF && std::isspace(c)) c = Get();
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = Get();
  }
  if (c == EOF || !std::isdigit(c)) {
    Unget(c);
    return false;
  }
  int64_t magnitude = 0;
  for (; c != EOF && std::isdigit(c); c = Get()) {
    magnitude = std::min<int64_t>(magnitude * 10 + (c - '0'), int64_t{1} << 32);
  }
  Unget(c);
  const int64_t v = negative ? -magnitude : magnitude;
  *value = static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
  return true;
}
