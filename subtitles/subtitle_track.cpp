#include "subtitles/subtitle_track.h"

#include "platform/critical_section_lock.h"
#include "subtitles/subtitle_band.h"
#include "subtitles/subtitle_layout.h"
#include "subtitles/subtitle_markup.h"
#include "subtitles/subtitle_pixels.h"
#include "video/yuy2_frame.h"

#include <cstring>

SubtitleTrack* g_subtitleTrack = nullptr;

SubtitleTrack::SubtitleTrack(std::unique_ptr<SubtitleRasterizer> rasterizer)
    : rasterizer_(std::move(rasterizer)) {
  InitializeCriticalSection(&lock_);
}

SubtitleTrack::~SubtitleTrack() {
  UnloadSubtitles();
  DeleteCriticalSection(&lock_);
}

bool SubtitleTrack::LoadSubtitles(const char* fileName, uint32_t rate, uint32_t scale, int32_t width,
                                  int32_t height, uint8_t charSet) {
  CriticalSectionLock hold(&lock_);
  UnloadLocked();
  dirty_ = true;
  list_ = std::make_unique<SubtitleList>();
  fileName_ = fileName != nullptr ? fileName : "";
  rate_ = rate;
  scale_ = scale;
  frameWidth_ = width;
  frameHeight_ = height;
  frameStride_ = Yuy2RowStride(width);
  if (list_->Parse(fileName, rate, scale, charSet)) return true;
  UnloadLocked();
  return false;
}

bool SubtitleTrack::ReloadSubtitles(uint8_t charSet) {
  CriticalSectionLock hold(&lock_);
  if (list_ == nullptr) return false;
  const std::string fileName = fileName_;
  return LoadSubtitles(fileName.c_str(), rate_, scale_, frameWidth_, frameHeight_, charSet);
}

void SubtitleTrack::UnloadSubtitles() {
  CriticalSectionLock hold(&lock_);
  UnloadLocked();
}

// The band belongs to the loaded file's frame size.
void SubtitleTrack::UnloadLocked() {
  DropBandLocked();
  list_.reset();
}

void SubtitleTrack::DropBandLocked() {
  if (band_ != nullptr) rasterizer_->DeleteBand();
  band_ = nullptr;
}

bool SubtitleTrack::IsLoaded() {
  CriticalSectionLock hold(&lock_);
  return list_ != nullptr;
}

bool SubtitleTrack::FindSubtitle(char* text, int32_t frame) {
  CriticalSectionLock hold(&lock_);
  return list_ != nullptr && list_->FindSubtitle(text, frame);
}

void SubtitleTrack::DropBand() {
  CriticalSectionLock hold(&lock_);
  DropBandLocked();
}

void SubtitleTrack::SetDirty(bool dirty) {
  CriticalSectionLock hold(&lock_);
  dirty_ = dirty;
}

bool SubtitleTrack::Dirty() {
  CriticalSectionLock hold(&lock_);
  return dirty_;
}

void SubtitleTrack::RenderSubtitle(uint8_t* frame, int32_t frameNumber, const SubtitleStyle& style) {
  CriticalSectionLock hold(&lock_);
  if (list_ == nullptr || rasterizer_ == nullptr || frameWidth_ <= 0 || frameHeight_ <= 0) return;
  if (band_ == nullptr && !MakeBand(style.font)) return;
  if (!list_->FindSubtitle(currentText_, frameNumber)) return;
  if (dirty_ || std::strcmp(currentText_, drawnText_) != 0) DrawBand(style);
  // A band for the top goes onto the first rows: the frame as if it ended there.
  const int32_t bandBottom = subtitle_markup::AtTop(drawnText_) ? bandHeight_ : frameHeight_;
  MergeSubtitleBand(frame, frameWidth_, bandBottom, band_, bandHeight_, style.transparent);
}

bool SubtitleTrack::MakeBand(const LOGFONTA& font) {
  fontHeight_ = rasterizer_->FontHeight(font);
  bandHeight_ = SubtitleBandHeight(fontHeight_, frameHeight_);
  band_ = rasterizer_->CreateBand(frameWidth_, bandHeight_, frameStride_);
  dirty_ = true;
  return band_ != nullptr;
}

void SubtitleTrack::DrawBand(const SubtitleStyle& style) {
  std::memcpy(drawnText_, currentText_, sizeof drawnText_);
  std::memcpy(workText_, currentText_, sizeof workText_);
  dirty_ = false;
  std::memset(band_, 0, static_cast<size_t>(frameStride_) * bandHeight_);
  rasterizer_->DrawLines(workText_, style.font, frameWidth_, bandHeight_, fontHeight_);
  MarkSubtitleOutline(band_, frameWidth_, bandHeight_, frameStride_,
                      style.shadow ? SubtitleShadowOffset(fontHeight_) : 0);
  ConvertSubtitleBand(band_, frameWidth_, bandHeight_, frameStride_, ColorToYuy2(style.colour));
}
