// The subtitle object: the loaded list, and the band it draws the current
// subtitle into and merges into the bottom of every frame. The main thread
// loads, unloads and changes the look while the video thread renders, so
// every access goes through the one lock; the renderer holds it for its
// whole run (it is re-entrant).
#pragma once

#include "platform/win32.h"
#include "subtitles/subtitle_list.h"
#include "subtitles/subtitle_rasterizer.h"

#include <cstdint>
#include <memory>
#include <string>

// How the subtitles look, from the options record: taken once a frame.
struct SubtitleStyle {
  LOGFONTA font;
  COLORREF colour;
  bool transparent;
  bool shadow;
};

class SubtitleTrack {
 public:
  // Without a rasteriser the track loads and finds subtitles but draws none.
  explicit SubtitleTrack(std::unique_ptr<SubtitleRasterizer> rasterizer = nullptr);
  ~SubtitleTrack();
  SubtitleTrack(const SubtitleTrack&) = delete;
  SubtitleTrack& operator=(const SubtitleTrack&) = delete;

  // Replaces the list with the subtitles of fileName, their times turned
  // into frames at rate / scale, for frames of width x height; a file in
  // neither UTF-8 nor UTF-16 is read in the code page of charSet (the
  // subtitle font's). Marks the band dirty. True when at least one entry was
  // read; on false nothing is loaded.
  bool LoadSubtitles(const char* fileName, uint32_t rate, uint32_t scale, int32_t width, int32_t height,
                     uint8_t charSet = kDefaultCharSet);
  // The loaded file read again, for a subtitle font of another character
  // set: a file in neither UTF-8 nor UTF-16 then reads in its code page.
  // False, loading nothing, when no file is loaded.
  bool ReloadSubtitles(uint8_t charSet);
  // Drops the list and the band.
  void UnloadSubtitles();

  bool IsLoaded();
  // SubtitleList::FindSubtitle under the lock; false with nothing loaded.
  bool FindSubtitle(char* text, int32_t frame);

  // Burns the subtitle of frameNumber into the bottom rows of a YUY2 frame
  // of the loaded size, or the top rows for a subtitle placed at the top
  // (video thread). The band is drawn again only when the
  // text changes or the band is dirty; otherwise it is only merged. Frames
  // without a subtitle stay untouched.
  void RenderSubtitle(uint8_t* frame, int32_t frameNumber, const SubtitleStyle& style);

  // A new font: the next render builds a band of the new size.
  void DropBand();
  // A new colour or outline choice: the next render draws the band again.
  void SetDirty(bool dirty);
  bool Dirty();

  int32_t FrameWidth() const { return frameWidth_; }
  int32_t FrameHeight() const { return frameHeight_; }
  int32_t FrameStride() const { return frameStride_; }
  // The band's height and font height once a render made the band (tests).
  int32_t BandHeight() const { return bandHeight_; }
  int32_t FontHeight() const { return fontHeight_; }

 private:
  void UnloadLocked();
  void DropBandLocked();
  bool MakeBand(const LOGFONTA& font);
  void DrawBand(const SubtitleStyle& style);

  std::unique_ptr<SubtitleList> list_;
  std::string fileName_;  // of the list, and the rate and scale it was read at
  uint32_t rate_ = 0, scale_ = 0;
  int32_t frameWidth_ = 0;
  int32_t frameHeight_ = 0;
  int32_t bandHeight_ = 0;
  CRITICAL_SECTION lock_;
  char workText_[SubtitleList::kTextBufferSize] = {};     // gets line breaks inserted
  char currentText_[SubtitleList::kTextBufferSize] = {};  // from FindSubtitle
  char drawnText_[SubtitleList::kTextBufferSize] = {};    // the text in the band now
  int32_t frameStride_ = 0;
  std::unique_ptr<SubtitleRasterizer> rasterizer_;
  uint8_t* band_ = nullptr;  // the rasteriser's bits, null until a render needs them
  int32_t fontHeight_ = 0;
  bool dirty_ = false;
};

// The program's subtitle track, created at start-up.
extern SubtitleTrack* g_subtitleTrack;
