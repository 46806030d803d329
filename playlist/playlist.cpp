#include "playlist/playlist.h"

#include <algorithm>

Playlist::Playlist() { Recount(); }

void Playlist::Recount() {
  count_ = 1 + static_cast<int32_t>(std::count(text_.begin(), text_.end(), '\r'));
}

bool Playlist::IsEmpty() const { return count_ == 1 && text_.empty(); }

void Playlist::SetText(const std::string& text) {
  // The list is a NUL-terminated text: anything after a zero byte is not part of it.
  text_ = text.substr(0, text.find('\0'));
  Recount();
}
