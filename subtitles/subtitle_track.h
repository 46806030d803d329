// The subtitle object: the loaded list and what the renderer needs to know
// about the frames it draws into. The main thread loads and unloads while the
// video thread renders, so every access goes through the one lock; the
// renderer holds it for its whole run (it is re-entrant).
#pragma once

#include "platform/win32.h"
#include "subtitles/subtitle_list.h"

#include <cstdint>
#include <memory>

class SubtitleTrack {
 public:
  SubtitleTrack();
  ~SubtitleTrack();
  SubtitleTrack(const SubtitleTrack&) = delete;
  SubtitleTrack& operator=(const SubtitleTrack&) = delete;

  // Replaces the list with the subtitles of fileName, their SubRip times
  // turned into frames at rate / scale, for frames of width x height.
  // Marks the band dirty. True when at least one entry was read; on false
  // nothing is loaded.
  bool LoadSubtitles(const char* fileName, uint32_t rate, uint32_t scale, int32_t width, int32_t height);
  void UnloadSubtitles();

  bool IsLoaded();
  // SubtitleList::FindSubtitle under the lock; false with nothing loaded.
  bool FindSubtitle(char* text, int32_t frame);

  // Under the lock, for the renderer.
  CRITICAL_SECTION* Lock() { return &lock_; }
  int32_t FrameWidth() const { return frameWidth_; }
  int32_t FrameHeight() const { return frameHeight_; }
  int32_t FrameStride() const { return frameStride_; }
  bool Dirty() const { return dirty_; }
  void SetDirty(bool dirty) { dirty_ = dirty; }

 private:
  void UnloadLocked();

  std::unique_ptr<SubtitleList> list_;
  int32_t frameWidth_ = 0;
  int32_t frameHeight_ = 0;
  CRITICAL_SECTION lock_;
  int32_t frameStride_ = 0;
  bool dirty_ = false;
};
