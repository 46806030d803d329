// SubStation Alpha files (.ssa, and .ass, "Advanced"): sections headed by a
// name in brackets. The styles sections give each style's look and place;
// the [Events] section's "Dialogue:" lines are the subtitles. In both, a
// "Format:" line names the fields of the lines after it, in their order;
// an event's Text is the rest of its line, commas and all.
#include "subtitles/subtitle_formats.h"
#include "subtitles/subtitle_line_reader.h"
#include "subtitles/subtitle_list.h"
#include "subtitles/subtitle_markup.h"
#include "subtitles/subtitle_tags.h"
#include "subtitles/subtitle_text.h"
#include "subtitles/subtitle_time.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace subtitle_markup;

// A piece of a line.
struct Span {
  const char* at;
  size_t length;
  bool Is(const char* word) const {  // in any case
    if (std::strlen(word) != length) return false;
    for (size_t i = 0; i < length; ++i) {
      char c = at[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != word[i]) return false;
    }
    return true;
  }
};

Span Trim(Span s) {
  while (s.length > 0 && (s.at[0] == ' ' || s.at[0] == '\t')) ++s.at, --s.length;
  while (s.length > 0 && static_cast<unsigned char>(s.at[s.length - 1]) <= 32) --s.length;
  return s;
}

// The first `count` comma-separated fields of s, trimmed; the last one
// wanted (index count - 1) takes the rest of the line when rest is set.
std::vector<Span> Fields(Span s, size_t count, bool rest) {
  std::vector<Span> fields;
  while (fields.size() < count) {
    const bool last = fields.size() + 1 == count && rest;
    const char* comma = last ? nullptr : static_cast<const char*>(std::memchr(s.at, ',', s.length));
    const size_t n = comma != nullptr ? static_cast<size_t>(comma - s.at) : s.length;
    fields.push_back(last ? Span{s.at, n} : Trim({s.at, n}));
    if (comma == nullptr) break;
    s = {comma + 1, s.length - n - 1};
  }
  return fields;
}

// Where a Format line puts each field: the names it lists, in order.
class FieldOrder {
 public:
  explicit FieldOrder(std::vector<std::string> names) : names_(std::move(names)) {}
  static FieldOrder Parse(Span s) {
    std::vector<std::string> names;
    for (const Span& f : Fields(s, 64, false)) {
      std::string name(f.at, f.length);
      for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
      names.push_back(name);
    }
    return FieldOrder(names);
  }
  // The index of a field (lower case), or -1.
  int IndexOf(const char* name) const {
    for (size_t i = 0; i < names_.size(); ++i) {
      if (names_[i] == name) return static_cast<int>(i);
    }
    return -1;
  }

 private:
  std::vector<std::string> names_;
};

struct Style {
  std::string name;
  uint8_t bits;
  bool top;
};

enum class Section { kOther, kStyles, kOldStyles, kEvents };

constexpr size_t kMaxStyles = 256;

class SubStationReader {
 public:
  SubStationReader(uint32_t rate, uint32_t scale, SubtitleList* list) : rate_(rate), scale_(scale), list_(list) {}

  // False once the list is full.
  bool Line(Span line) {
    line = Trim(line);
    if (line.length > 0 && line.at[0] == '[') {
      section_ = SectionOf(line);
      return true;
    }
    const char* colon = static_cast<const char*>(std::memchr(line.at, ':', line.length));
    if (colon == nullptr || section_ == Section::kOther) return true;
    const Span key = Trim({line.at, static_cast<size_t>(colon - line.at)});
    const Span value = {colon + 1, static_cast<size_t>(line.at + line.length - colon - 1)};
    if (key.Is("format")) Format(value);
    else if (key.Is("style") && section_ != Section::kEvents) AddStyle(value);
    else if (key.Is("dialogue") && section_ == Section::kEvents) return Dialogue(value);
    return true;
  }

 private:
  static Section SectionOf(Span line) {
    if (line.Is("[events]")) return Section::kEvents;
    if (line.Is("[v4+ styles]")) return Section::kStyles;
    if (line.Is("[v4 styles]")) return Section::kOldStyles;
    return Section::kOther;
  }

  void Format(Span value) {
    FieldOrder order = FieldOrder::Parse(value);
    if (section_ != Section::kEvents) {
      styleOrder_ = order;
    } else if (order.IndexOf("start") >= 0 && order.IndexOf("end") >= 0 &&
               order.IndexOf("text") > std::max(order.IndexOf("start"), order.IndexOf("end"))) {
      eventOrder_ = order;  // a line without the three, Text last, is no order to read events by
    }
  }

  static std::string StyleName(Span s) {
    s = Trim(s);
    while (s.length > 0 && s.at[0] == '*') ++s.at, --s.length;  // "*Default" of old files
    return std::string(s.at, s.length);
  }

  // The number in field index (as atoi reads it), or 0 when there is none.
  static int Number(const std::vector<Span>& fields, int index) {
    if (index < 0 || static_cast<size_t>(index) >= fields.size()) return 0;
    return std::atoi(std::string(fields[index].at, fields[index].length).c_str());
  }

  void AddStyle(Span value) {
    const int name = styleOrder_.IndexOf("name");
    if (name < 0 || styles_.size() >= kMaxStyles) return;
    const std::vector<Span> f = Fields(value, 64, false);
    if (static_cast<size_t>(name) >= f.size()) return;
    Style style{StyleName(f[name]), 0, false};
    // True is -1 in these files, but any number but 0 counts.
    if (Number(f, styleOrder_.IndexOf("italic")) != 0) style.bits |= kItalic;
    if (Number(f, styleOrder_.IndexOf("bold")) != 0) style.bits |= kBold;
    if (Number(f, styleOrder_.IndexOf("underline")) != 0) style.bits |= kUnderline;
    if (Number(f, styleOrder_.IndexOf("strikeout")) != 0) style.bits |= kStrikeOut;
    // The alignment as on a numeric keypad, or in old files 1-3 bottom, 5-7 top, 9-11 middle.
    const int a = Number(f, styleOrder_.IndexOf("alignment"));
    style.top = section_ == Section::kOldStyles ? (a >= 5 && a <= 7) : (a >= 7 && a <= 9);
    styles_.push_back(style);
  }

  const Style* FindStyle(const std::vector<Span>& f) const {
    const int index = eventOrder_.IndexOf("style");
    if (index < 0 || static_cast<size_t>(index) >= f.size()) return nullptr;
    const std::string name = StyleName(f[index]);
    for (const Style& s : styles_) {
      if (s.name == name) return &s;
    }
    return nullptr;
  }

  bool Dialogue(Span value) {
    const int start = eventOrder_.IndexOf("start"), end = eventOrder_.IndexOf("end"), text = eventOrder_.IndexOf("text");
    const std::vector<Span> f = Fields(value, static_cast<size_t>(text) + 1, true);
    SubtitleTime first{}, last{};
    if (f.size() != static_cast<size_t>(text) + 1 || !ParseSubtitleClock(f[start].at, f[start].length, &first) ||
        !ParseSubtitleClock(f[end].at, f[end].length, &last)) {
      return true;  // not an event that can be read
    }
    SubtitleTagState state;
    const Style* style = FindStyle(f);
    if (style != nullptr) state.style = state.baseStyle = style->bits;
    SubtitleText out;
    AppendSubStationText(f[text].at, f[text].length, &state, &out);
    if (!state.placed && style != nullptr && style->top) out.SetTop();
    return out.empty() || list_->Append(out.data(), out.size(), SubtitleTimeToFrame(first, rate_, scale_),
                                        SubtitleTimeToFrame(last, rate_, scale_));
  }

  uint32_t rate_, scale_;
  SubtitleList* list_;
  Section section_ = Section::kOther;
  // Without a Format line, events have the fields every writer puts first.
  FieldOrder eventOrder_{{"layer", "start", "end", "style", "name", "marginl", "marginr", "marginv", "effect", "text"}};
  FieldOrder styleOrder_{std::vector<std::string>()};
  std::vector<Style> styles_;
};

}  // namespace

void ReadSubStationAlpha(SubtitleLineReader* reader, uint32_t rate, uint32_t scale, SubtitleList* list) {
  SubStationReader parser(rate, scale, list);
  char line[SubtitleLineReader::kLineSize];
  size_t length = 0;
  while (reader->ReadLine(line, &length)) {
    if (!parser.Line({line, length})) return;
  }
}
