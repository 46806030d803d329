#include "app/playlist_layout.h"

PlaylistLayout LayOutPlaylist(int32_t currentIndex, int32_t count, int32_t height) {
  int32_t top = currentIndex * kPlaylistLineHeight - height / 2;
  if (top > count * kPlaylistLineHeight - height) top = count * kPlaylistLineHeight - height;
  if (top < -kPlaylistLineHeight) top = -kPlaylistLineHeight;
  PlaylistLayout layout;
  layout.topOffset = top;
  layout.scroll = top + 3 * kPlaylistLineHeight;
  layout.firstIndex = top / kPlaylistLineHeight - 1;
  layout.lineCount = height / kPlaylistLineHeight + 3;
  return layout;
}

int32_t PlaylistLineTop(int32_t index, int32_t topOffset) {
  return kPlaylistLineHeight * index - topOffset - kPlaylistLineHeight / 2;
}

int32_t PlaylistRowAt(int32_t y, int32_t scroll) {
  return (y + scroll + kPlaylistLineHeight / 2) / kPlaylistLineHeight - 3;
}
