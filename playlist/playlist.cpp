#include "playlist/playlist.h"

#include <algorithm>
#include <cstring>

Playlist* g_playlist = nullptr;

namespace {

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
  if (current < 0 || current >= Count() || position < 0 || position >= Count() ||
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
  return std::max(std::min(index, Count() - 1), 0);
}
