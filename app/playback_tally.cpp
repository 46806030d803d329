#include "app/playback_tally.h"

#include "engine/player.h"

#include <cstdio>

namespace {

// The stretch since the last open or seek.
struct Stretch {
  bool open = false;
  int32_t shownBefore = 0;
  int32_t droppedBefore = 0;
};

PlaybackTally g_tally;
Stretch g_stretch;

void BeginStretch() {
  g_stretch.open = g_player != nullptr && g_player->IsOpen();
  if (!g_stretch.open) return;
  g_stretch.shownBefore = g_player->ShownFrames();
  g_stretch.droppedBefore = g_player->DroppedFrames();
}

// Adds the stretch to a tally without ending it.
void AddStretch(PlaybackTally* tally) {
  if (!g_stretch.open || g_player == nullptr || !g_player->IsOpen()) return;
  tally->framesDropped += g_player->DroppedFrames() - g_stretch.droppedBefore;
  tally->framesShown += g_player->ShownFrames() - g_stretch.shownBefore;
  SoundPort* sound = g_player->Ports().sound;
  if (g_player->SoundPlays() && sound != nullptr) tally->blocksWritten += sound->GetBlockCounter();
}

void EndStretch() {
  AddStretch(&g_tally);
  g_stretch.open = false;
}

}  // namespace

bool OpenPlayer() {
  EndStretch();
  const bool opened = g_player->OpenWithSubtitles();
  if (opened) ++g_tally.filesOpened;
  BeginStretch();
  return opened;
}

bool SeekPlayer(int32_t frame) {
  EndStretch();
  const bool sought = g_player->Seek(frame);
  BeginStretch();
  return sought;
}

void ClosePlayer() {
  EndStretch();
  if (g_player != nullptr) g_player->Close();
}

PlaybackTally CurrentTally() {
  PlaybackTally tally = g_tally;
  AddStretch(&tally);
  return tally;
}

void ResetTally() {
  g_tally = PlaybackTally();
  g_stretch = Stretch();
}

void FormatTally(const PlaybackTally& tally, char* text, size_t capacity) {
  std::snprintf(text, capacity, "frames shown %lld, dropped %lld, sound blocks written %lld, files %d",
                static_cast<long long>(tally.framesShown),
                static_cast<long long>(tally.framesDropped),
                static_cast<long long>(tally.blocksWritten), static_cast<int>(tally.filesOpened));
}
