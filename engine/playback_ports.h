// The outputs and services the playback engine works through. The program
// plugs in the SoundOutput, the VideoPresenter, the main window and its
// ShellSignals; tests plug in fakes, so that the engine's decisions run
// natively with a scripted clock and sound counter.
//
// Who calls what: the player calls on the window's thread while no playback
// thread runs; the video thread calls the picture, the window and SetPlaying,
// SetVolume, GetBlockCounter; the audio output thread writes sound blocks.
#pragma once

#include "engine/playback_clock.h"
#include "engine/shell_signals.h"
#include "platform/win32.h"
#include "settings/options.h"

#include <cstdint>

struct IDirectDraw;
class DecoderHolder;
class SubtitleTrack;

// The looping sound buffer of blocks (SoundOutput). Every call takes the
// sound output's own lock; Lock/Unlock hold it across several calls.
class SoundPort {
 public:
  virtual ~SoundPort() {}
  virtual bool Open(HWND window, int32_t sampleRate, bool stereo, bool sixteenBit,
                    int32_t framesPerBlock, int32_t blockCount) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() = 0;
  // Starts (looping) or stops the buffer; nothing when unchanged.
  virtual void SetPlaying(bool playing) = 0;
  virtual void SetVolume(int32_t percent) = 0;
  // The block the write index names is not the one playing.
  virtual bool CanWriteBlock() = 0;
  virtual bool LockNextBlock(uint8_t** block, int32_t* frames) = 0;
  virtual bool UnlockBlock() = 0;
  virtual void ResyncWriteIndex() = 0;
  // The blocks-written counter: the audio clock.
  virtual void SetBlockCounter(int32_t value) = 0;
  virtual void CountBlock() = 0;
  virtual int32_t GetBlockCounter() = 0;
  // Holds the sound output's lock across several calls. Lock order: before
  // the player lock (the prefill), never inside it.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
};

// The picture output (VideoPresenter). Present draws with the options of
// the video thread's pass, so one frame never mixes two settings.
class PicturePort {
 public:
  virtual ~PicturePort() {}
  virtual bool Setup(IDirectDraw* directDraw, HWND window, const RECT* videoRect, int32_t width,
                     int32_t height, int32_t pitch, uint32_t allowFlags) = 0;
  virtual bool Present(const uint8_t* frame, const Options& options) = 0;
  virtual void Release() = 0;
  virtual void Shutdown() = 0;
  // PresentMode 0..7.
  virtual int32_t Mode() = 0;
};

// The screen saver and power settings switched off while a file is open.
struct SystemSettings {
  int32_t powerOff = 0;
  int32_t lowPower = 0;
  int32_t screenSaver = 0;
};

// The main window and the system, as far as the engine needs them.
class PlaybackHost {
 public:
  virtual ~PlaybackHost() {}
  virtual HWND MainWindow() = 0;
  virtual IDirectDraw* DirectDraw() = 0;
  // "<file title> - Velmora Player", and back to the default title.
  virtual void ShowFileTitle(const char* path) = 0;
  virtual void ShowDefaultTitle() = 0;
  virtual void Repaint() = 0;
  // The window's outer size now.
  virtual void WindowSize(int32_t* width, int32_t* height) = 0;
  // Client area = video size plus the status strip, then "Please Wait".
  virtual void FitWindowToVideo() = 0;
  virtual void RestoreWindowSize(int32_t width, int32_t height) = 0;
  virtual void LeaveFullscreen() = 0;
  // Posts WM_COMMAND id with lParam to the main window.
  virtual void PostCommand(int32_t id, LPARAM lParam) = 0;
  // The status strip: progress -1 shows the time, 0..100 a fill percentage.
  virtual void DrawStatus(int32_t progress) = 0;
  // Black around the video rectangle (and the strip unless fullscreen), after
  // the presenter was set up again.
  virtual void DrawBorders() = 0;
  virtual void ReopenDrawDib() = 0;
  // The physical memory free now (GlobalMemoryStatus), for the frame ring.
  virtual uint64_t AvailableMemory() = 0;
  virtual void SaveAndDisableSystemSettings(SystemSettings* saved) = 0;
  virtual void RestoreSystemSettings(const SystemSettings& saved) = 0;
};

// The in-place effects the threads run over frames and sound blocks; the
// program's are the video and audio filters with the options record. The
// frame effects get the video thread's snapshot of the options for the pass.
struct FrameEffects {
  void (*applyVideoFilters)(const Options& options, uint8_t* frame, int32_t width, int32_t height,
                            int32_t frameNumber);
  void (*drawLevelBar)(const Options& options, uint8_t* frame, int32_t width, int32_t height);
  void (*fadeStep)(uint8_t* frame, int32_t width, int32_t height);
  void (*applyAudioFilters)(uint8_t* block, bool stereo, bool sixteenBit, int32_t frames);
};

struct PlaybackPorts {
  SoundPort* sound = nullptr;
  PicturePort* picture = nullptr;
  PlaybackHost* host = nullptr;
  PlaybackTime* time = nullptr;
  DecoderHolder* decoders = nullptr;
  ShellSignals* shell = nullptr;
  // Loaded beside the video at open, unloaded at close; none: no subtitles.
  SubtitleTrack* subtitles = nullptr;
  FrameEffects effects = {};
};
