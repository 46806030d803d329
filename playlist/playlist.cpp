#include "playlist/playlist.h"

#include <algorithm>
#include <cstring>

Playlist* g_playlist = nullptr;

namespace {

constexpr char kSeparator = '\r';

// The list's texts end at their first zero byte, as C strings do.
std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

int32_t CountSeparators(const std::string& text) {
  return static_cast<int32_t>(std::count(text.begin(), text.end(), kSeparator));
}

// Plain byte-wise order: bytes compare by their unsigned value, a prefix first.
bool BytewiseLess(const std::string& a, const std::string& b) {
  const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  return c < 0 || (c == 0 && a.size() < b.size());
}

// The generator the shuffle is specified with: x = x * 214013 + 2531011
// (32-bit, wrapping), yielding bits 16..30.
class LinearCongruential {
 public:
  explicit LinearCongruential(uint32_t seed) : x_(seed) {}
  uint32_t Next() {
    x_ = x_ * 214013u + 2531011u;
    return (x_ >> 16) & 0x7FFFu;
  }

 private:
  uint32_t x_;
};

}  // namespace

Playlist::Playlist() { Recount(); }

void Playlist::Recount() { count_ = 1 + CountSeparators(text_); }

bool Playlist::IsEmpty() const { return count_ == 1 && text_.empty(); }

bool Playlist::ItemBounds(int32_t index, size_t* begin, size_t* end) const {
  if (index < 0 || index >= count_) return false;
  size_t start = 0;
  for (int32_t i = 0; i < index; ++i) start = text_.find(kSeparator, start) + 1;
  const size_t stop = text_.find(kSeparator, start);
  *begin = start;
  *end = stop == std::string::npos ? text_.size() : stop;
  return true;
}

std::string Playlist::Item(int32_t index) const {
  size_t begin = 0, end = 0;
  if (!ItemBounds(std::max(index, 0), &begin, &end)) return std::string();
  return text_.substr(begin, end - begin);
}

void Playlist::Item(int32_t index, char* destination, size_t capacity) const {
  if (destination == nullptr || capacity == 0) return;
  const std::string item = Item(index);
  const size_t length = std::min(item.size(), capacity - 1);
  std::memcpy(destination, item.data(), length);
  destination[length] = '\0';
}

size_t Playlist::ItemLength(int32_t index) const {
  size_t begin = 0, end = 0;
  return ItemBounds(std::max(index, 0), &begin, &end) ? end - begin : 0;
}

std::vector<std::string> Playlist::Items() const {
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

void Playlist::SetText(const std::string& text) {
  text_ = UpToNul(text);
  Recount();
}

void Playlist::Append(const std::string& path) {
  const std::string clean = UpToNul(path);
  if (text_.empty()) {
    text_ = clean;
    Recount();
    return;
  }
  text_ += kSeparator;
  text_ += clean;
  count_ += 1 + CountSeparators(clean);
}

void Playlist::Replace(const std::string& path, int32_t index) {
  size_t begin = 0, end = 0;
  if (!ItemBounds(index, &begin, &end)) return;
  text_.replace(begin, end - begin, UpToNul(path));
  Recount();
}

void Playlist::Delete(int32_t index) {
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

void Playlist::Rebuild(const std::vector<std::string>& items) {
  Playlist rebuilt;
  for (const std::string& item : items) rebuilt.Append(item);
  *this = rebuilt;
}

// Stable, so equal items keep their order, like the repeated selection of the
// smallest item (first of equals) that this ordering is defined by.
void Playlist::SortByFullPath() {
  if (IsEmpty()) return;
  std::vector<std::string> items = Items();
  std::stable_sort(items.begin(), items.end(), BytewiseLess);
  Rebuild(items);
}

void Playlist::Reverse() {
  if (IsEmpty()) return;
  std::vector<std::string> items = Items();
  std::reverse(items.begin(), items.end());
  Rebuild(items);
}

void Playlist::Randomize(uint32_t seed) {
  LinearCongruential generator(seed);
  std::vector<std::string> left = Items();
  std::vector<std::string> shuffled;
  shuffled.reserve(left.size());
  while (!left.empty()) {
    const uint64_t r = generator.Next();
    const size_t pick = static_cast<size_t>(r * left.size() / 32768u);
    shuffled.push_back(std::move(left[pick]));
    left.erase(left.begin() + static_cast<std::ptrdiff_t>(pick));
  }
  Rebuild(shuffled);
}

int32_t Playlist::MoveItem(int32_t current, int32_t position) {
  if (current < 0 || current >= count_ || position < 0 || position >= count_ ||
      position == current) {
    return current;
  }
  const int32_t step = position > current ? 1 : -1;
  for (int32_t i = current; i != position; i += step) {
    const std::string moving = Item(i);
    Replace(Item(i + step), i);
    Replace(moving, i + step);
  }
  return position;
}

int32_t Playlist::ClampIndex(int32_t index) const {
  return std::max(std::min(index, count_ - 1), 0);
}
