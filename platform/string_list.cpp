#include "platform/string_list.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kSeparator = '\r';

// The list's texts end at their first zero byte, as C strings do.
std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

int32_t CountSeparators(const std::string& text) {
  return static_cast<int32_t>(std::count(text.begin(), text.end(), kSeparator));
}

}  // namespace

StringList::StringList() { Recount(); }

void StringList::Recount() { count_ = 1 + CountSeparators(text_); }

bool StringList::IsEmpty() const { return count_ == 1 && text_.empty(); }

bool StringList::ItemBounds(int32_t index, size_t* begin, size_t* end) const {
  if (index < 0 || index >= count_) return false;
  size_t start = 0;
  for (int32_t i = 0; i < index; ++i) start = text_.find(kSeparator, start) + 1;
  const size_t stop = text_.find(kSeparator, start);
  *begin = start;
  *end = stop == std::string::npos ? text_.size() : stop;
  return true;
}

std::string StringList::Item(int32_t index) const {
  size_t begin = 0, end = 0;
  if (!ItemBounds(std::max(index, 0), &begin, &end)) return std::string();
  return text_.substr(begin, end - begin);
}

void StringList::Item(int32_t index, char* destination, size_t capacity) const {
  if (destination == nullptr || capacity == 0) return;
  const std::string item = Item(index);
  const size_t length = std::min(item.size(), capacity - 1);
  std::memcpy(destination, item.data(), length);
  destination[length] = '\0';
}

size_t StringList::ItemLength(int32_t index) const {
  size_t begin = 0, end = 0;
  return ItemBounds(std::max(index, 0), &begin, &end) ? end - begin : 0;
}

std::vector<std::string> StringList::Items() const {
  std::vector<std::string> items;
  items.reserve(count_);
  size_t start = 0;
  for (;;) {
    const size_t stop = text_.find(kSeparator, start);
    if (stop == std::string::npos) break;
    items.push_back(text_.substr(start, stop - start));
    start = stop + 1;
  }
  items.push_back(text_.substr(start));
  return items;
}

void StringList::SetText(const std::string& text) {
  text_ = UpToNul(text);
  Recount();
}

void StringList::Append(const std::string& item) {
  const std::string clean = UpToNul(item);
  if (text_.empty()) {
    text_ = clean;
    Recount();
    return;
  }
  text_ += kSeparator;
  text_ += clean;
  count_ += 1 + CountSeparators(clean);
}

void StringList::Replace(const std::string& item, int32_t index) {
  size_t begin = 0, end = 0;
  if (!ItemBounds(index, &begin, &end)) return;
  text_.replace(begin, end - begin, UpToNul(item));
  Recount();
}

void StringList::Delete(int32_t index) {
  size_t begin = 0, end = 0;
  if (ItemBounds(index, &begin, &end)) {
    if (end < text_.size()) {
      text_.erase(begin, end + 1 - begin);  // the item and the separator after it
    } else if (begin > 0) {
      text_.erase(begin - 1);  // the last item and the separator before it
    } else {
      text_.clear();  // the only item
    }
  }
  Recount();
}

void StringList::Rebuild(const std::vector<std::string>& items) {
  StringList rebuilt;
  for (const std::string& item : items) rebuilt.Append(item);
  *this = rebuilt;
}
