#include "subtitles/subtitle_list.h"

#include "subtitles/subtitle_formats.h"
#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_utf8.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool SubtitleList::FormatOf(const char* fileName, SubtitleFormat* format) {
  const char* dot = std::strrchr(fileName, '.');
  if (dot == nullptr) return false;
  char extension[4] = "";
  size_t n = 0;
  for (const char* c = dot + 1; *c != 0; ++c) {
    if (n == 3) return false;
    extension[n++] = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  }
  if (std::strcmp(extension, "sub") == 0) *format = SubtitleFormat::kMicroDvd;
  else if (std::strcmp(extension, "srt") == 0) *format = SubtitleFormat::kSubRip;
  else if (std::strcmp(extension, "ssa") == 0 || std::strcmp(extension, "ass") == 0) *format = SubtitleFormat::kSubStationAlpha;
  else return false;
  return true;
}

bool SubtitleList::Parse(const char* fileName, uint32_t rate, uint32_t scale, uint8_t charSet) {
  Clear();
  SubtitleFormat format;
  if (fileName == nullptr || !FormatOf(fileName, &format)) return false;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName, "rb"));
  if (!file) return false;
  SubtitleLineReader reader(file.get(), charSet);
  return Parse(&reader, format, rate, scale);
}

bool SubtitleList::Parse(SubtitleLineReader* reader, SubtitleFormat format, uint32_t rate,
                         uint32_t scale) {
  Clear();
  switch (format) {
    case SubtitleFormat::kMicroDvd:
      ReadMicroDvd(reader, this);
      break;
    case SubtitleFormat::kSubRip:
      ReadSubRip(reader, rate, scale, this);
      break;
    case SubtitleFormat::kSubStationAlpha:
      ReadSubStationAlpha(reader, rate, scale, this);
      break;
  }
  if (entries_.empty()) {
    Clear();
    return false;
  }
  pool_.shrink_to_fit();
  entries_.shrink_to_fit();
  cursor_ = 0;
  return true;
}

bool SubtitleList::Append(const char* text, size_t length, int32_t firstFrame, int32_t endFrame) {
  if (length > kMaxTextLength) {
    length = kMaxTextLength;
    while (length > 0 && IsUtf8Continuation(static_cast<unsigned char>(text[length]))) --length;
  }
  if (Count() >= kMaxEntries || pool_.size() + length + 1 > kMaxPoolBytes) return false;
  entries_.push_back({static_cast<int32_t>(pool_.size()), firstFrame, endFrame});
  pool_.insert(pool_.end(), text, text + length);
  pool_.push_back(0);
  return true;
}

void SubtitleList::Clear() {
  std::vector<char>().swap(pool_);
  std::vector<SubtitleEntry>().swap(entries_);
  cursor_ = 0;
}

bool SubtitleList::IsActive(int32_t index, int32_t frame) const {
  if (index < 0 || index >= Count()) return false;
  const SubtitleEntry& e = entries_[index];
  return e.firstFrame <= frame && frame < e.endFrame;
}

bool SubtitleList::FindSubtitle(char* text, int32_t frame) {
  if (entries_.empty()) return false;
  const int32_t c = cursor_;
  if (IsActive(c, frame)) return Take(c, text);
  if (c >= 0 && c < Count() - 1 && entries_[c].endFrame <= frame && frame < entries_[c + 1].firstFrame) {
    return false;
  }
  if (IsActive(c + 1, frame)) return Take(c + 1, text);
  for (int32_t i = 0; i < Count(); ++i) {
    if (IsActive(i, frame)) return Take(i, text);
  }
  return false;
}

bool SubtitleList::Take(int32_t index, char* text) {
  if (text != nullptr) std::strcpy(text, Text(index));
  cursor_ = index;
  return true;
}
