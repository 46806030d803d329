#include "subtitles/subtitle_track.h"

#include "platform/critical_section_lock.h"
#include "video/yuy2_frame.h"

SubtitleTrack::SubtitleTrack() { InitializeCriticalSection(&lock_); }

SubtitleTrack::~SubtitleTrack() {
  UnloadSubtitles();
  DeleteCriticalSection(&lock_);
}

bool SubtitleTrack::LoadSubtitles(const char* fileName, uint32_t rate, uint32_t scale, int32_t width,
                                  int32_t height) {
  CriticalSectionLock hold(&lock_);
  UnloadLocked();
  dirty_ = true;
  list_ = std::make_unique<SubtitleList>();
  frameWidth_ = width;
  frameHeight_ = height;
  frameStride_ = Yuy2RowStride(width);
  if (list_->Parse(fileName, rate, scale)) return true;
  UnloadLocked();
  return false;
}

void SubtitleTrack::UnloadSubtitles() {
  CriticalSectionLock hold(&lock_);
  UnloadLocked();
}

// The renderer's band bitmap belongs to the loaded file's frame size: it is
// deleted here too, under the same lock, once the renderer has one.
void SubtitleTrack::UnloadLocked() { list_.reset(); }

bool SubtitleTrack::IsLoaded() {
  CriticalSectionLock hold(&lock_);
  return list_ != nullptr;
}

bool SubtitleTrack::FindSubtitle(char* text, int32_t frame) {
  CriticalSectionLock hold(&lock_);
  return list_ != nullptr && list_->FindSubtitle(text, frame);
}
