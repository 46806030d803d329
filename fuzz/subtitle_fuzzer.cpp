// MicroDVD, SubRip and SubStation Alpha subtitle files through SubtitleList
// (one fuzzer per format, built from this file with SUBTITLE_FORMAT naming the
// format): never crashes, and every list keeps its rules whatever file it came
// from: the limits, texts of valid UTF-8 whose only bytes below 32 are
// well-placed marks, FindSubtitle's answers against the entries, and the band
// layout of each text. A broken rule aborts.
//
// The first byte picks the video rate and scale the times are turned into
// frames with, and the font character set whose code page reads a file in
// neither UTF-8 nor UTF-16; the rest is the file.
#include "fuzz/fuzz_check.h"
#include "subtitles/subtitle_layout.h"
#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_list.h"
#include "subtitles/subtitle_markup.h"
#include "subtitles/subtitle_utf8.h"

namespace {

// Whole UTF-8 characters; the top mark only first; a style mark only before
// a character, and only where the style changes; something to show.
void CheckText(const char* text, size_t length) {
  using namespace subtitle_markup;
  size_t k = AtTop(text) ? 1 : 0;
  Require(k < length);
  uint8_t style = 0;
  bool shown = false;
  while (k < length) {
    const unsigned char c = static_cast<unsigned char>(text[k]);
    if (IsStyleMark(text[k])) {
      Require(StyleOf(text[k]) != style && k + 1 < length && static_cast<unsigned char>(text[k + 1]) >= 32);
      style = StyleOf(text[k++]);
      continue;
    }
    Require(c >= 32);
    size_t n = 0;
    const char32_t character = DecodeUtf8(reinterpret_cast<const unsigned char*>(text + k), length - k, &n);
    Require(n == Utf8SequenceLength(c) && (character != kReplacementCharacter || n == 3));
    shown = true;
    k += n;
  }
  Require(shown);
}

void CheckEntries(const SubtitleList& list, bool loaded) {
  Require(loaded == (list.Count() > 0));
  Require(list.Count() <= SubtitleList::kMaxEntries && list.PoolBytes() <= SubtitleList::kMaxPoolBytes);
  for (int32_t i = 0; i < list.Count(); ++i) {
    const int32_t offset = list.Entry(i).textOffset;
    Require(offset >= 0 && static_cast<size_t>(offset) < list.PoolBytes());
    const char* text = list.Text(i);
    const size_t length = strnlen(text, list.PoolBytes() - static_cast<size_t>(offset));
    Require(length > 0 && length <= SubtitleList::kMaxTextLength && offset + length < list.PoolBytes());
    CheckText(text, length);
  }
}

int32_t FirstActive(const SubtitleList& list, int32_t frame) {
  for (int32_t i = 0; i < list.Count(); ++i) {
    if (list.IsActive(i, frame)) return i;
  }
  return -1;
}

// One FindSubtitle against the rules: the cursor's entry, the gap after it,
// the next entry, else the first active one.
void CheckFind(SubtitleList* list, int32_t frame) {
  const int32_t c = list->Cursor();
  const bool gap = c >= 0 && c < list->Count() - 1 && list->Entry(c).endFrame <= frame &&
                   frame < list->Entry(c + 1).firstFrame;
  int32_t want = -1;
  if (list->IsActive(c, frame)) want = c;
  else if (!gap) want = list->IsActive(c + 1, frame) ? c + 1 : FirstActive(*list, frame);
  char text[SubtitleList::kTextBufferSize];
  const bool found = list->FindSubtitle(text, frame);
  Require(found == (want >= 0));
  Require(list->Cursor() == (found ? want : c));
  if (found) Require(std::strcmp(text, list->Text(want)) == 0);
}

// Wrapping only turns blanks into '|'; the placed lines are the text's lines
// (after its top mark), the first at the top or the last at the bottom.
void CheckLayout(const char* text, int32_t frameWidth) {
  char work[SubtitleList::kTextBufferSize];
  std::strcpy(work, text);
  WrapSubtitleText(work, frameWidth, [](const char*, size_t length) { return static_cast<int32_t>(length * 7); });
  for (size_t i = 0; text[i] != 0; ++i) Require(work[i] == text[i] || (text[i] == ' ' && work[i] == '|'));
  const bool top = subtitle_markup::AtTop(work);
  const std::vector<SubtitleLine> lines = PlaceSubtitleLines(work, frameWidth, 85, 19);
  Require(static_cast<int32_t>(lines.size()) == CountSubtitleLines(work + (top ? 1 : 0)));
  size_t bytes = lines.size() - 1 + (top ? 1 : 0);  // the separators and the mark
  for (const SubtitleLine& line : lines) {
    Require(line.text >= work + (top ? 1 : 0) && line.text + line.length <= work + std::strlen(work));
    bytes += line.length;
  }
  Require(bytes == std::strlen(work));
  Require(top ? lines.front().y == 9 : lines.back().y == 85 - 19 - 9);
}

constexpr std::pair<uint32_t, uint32_t> kRates[] = {{25, 1}, {30000, 1001}, {24000, 1001}, {1, 1},
                                                    {0, 1},  {25, 0},       {0xFFFFFFFFu, 1}, {1, 0xFFFFFFFFu}};
// Western, default, Cyrillic, Japanese, Korean, Johab, Simplified and
// Traditional Chinese, Greek, Vietnamese, Thai, Central European, symbol.
constexpr uint8_t kCharSets[] = {0, 1, 204, 128, 129, 130, 134, 136, 161, 163, 222, 238, 2};

}  // namespace

// Parses the file as the given format and checks the list, a few frames
// around each entry, and the layout of every text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto [rate, scale] = kRates[data[0] % (sizeof kRates / sizeof kRates[0])];
  const uint8_t charSet = kCharSets[data[0] / 8 % sizeof kCharSets];
  SubtitleLineReader reader(reinterpret_cast<const char*>(data + 1), size - 1, charSet);
  SubtitleList list;
  const bool loaded = list.Parse(&reader, SubtitleFormat::SUBTITLE_FORMAT, rate, scale);
  CheckEntries(list, loaded);
  const int32_t checked = list.Count() < 64 ? list.Count() : 64;
  for (int32_t i = 0; i < checked; ++i) {
    const SubtitleEntry e = list.Entry(i);
    for (int64_t f : {int64_t{e.firstFrame} - 1, int64_t{e.firstFrame}, int64_t{e.endFrame} - 1,
                      int64_t{e.endFrame}}) {
      if (f >= INT32_MIN && f <= INT32_MAX) CheckFind(&list, static_cast<int32_t>(f));
    }
    CheckLayout(list.Text(i), 40 + 61 * i % 700);
  }
  return 0;
}
