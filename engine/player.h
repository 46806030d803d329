// The player: the one object that stands for the file being played. The
// window procedure drives it (open, play, pause, seek, close); its four
// playback threads read and advance it.
//
// Every operation runs on the window's thread. Open, Start, Seek and Close
// stop the playback threads before they touch the rings or the decoder.
#pragma once

#include "engine/playback_clock.h"
#include "engine/playback_ports.h"
#include "engine/playback_record.h"
#include "platform/worker_thread.h"

#include <cstdint>
#include <memory>

class Player {
 public:
  // A player whose ports are taken from portsSource at each open (the
  // program's player is created before the objects it uses).
  explicit Player(PlaybackPorts (*portsSource)());
  // A player over the given ports.
  explicit Player(const PlaybackPorts& ports);
  ~Player();  // closes
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Opens the play list's current item, paused on its first frame (at the
  // application's resume position, which is then cleared). False when the
  // file can't be opened: the player is then closed with the default title.
  bool Open();
  // Open, then load a subtitle file found beside the video ("&Auto Load").
  bool OpenWithSubtitles();
  // Opens the named file (Open takes the play list's current item).
  bool OpenFile(const char* path);

  // (Re)creates the clock and the threads from the current frame. False
  // when a thread could not be created (none is left running then).
  bool Start();
  // Stops the four threads (video thread, audio output, audio feeder, video
  // feeder) and deletes the clock.
  void StopThreads();

  void Play();   // state 2 if a file is open
  void Pause();  // playing becomes paused
  // Seeks to the keyframe at or before frame; only a file with an index can
  // be sought anywhere but frame 0. The state stays. False when refused, or
  // when the threads could not be started again (the file is closed then).
  bool Seek(int32_t frame);
  void Close();

  // Shows the video or audio decompressor's property pages; seeks to the
  // current frame when they report a change.
  void ShowDecoderPage(HWND parent, bool video);

  // What the shell reads.
  int32_t State() const { return record_.state.load(std::memory_order_relaxed); }
  bool IsOpen() const { return record_.IsOpen(); }
  bool IsSeekable() const { return seekable_ != 0; }
  int32_t CurrentFrame() const { return record_.currentFrame.load(std::memory_order_relaxed); }
  int32_t FrameCount() const { return record_.frameCount; }
  int32_t VideoWidth() const { return record_.width; }
  int32_t VideoHeight() const { return record_.height; }
  int32_t VideoRate() const { return record_.rate; }
  int32_t VideoScale() const { return record_.scale; }
  int32_t DroppedFrames() const { return record_.droppedFrames.load(std::memory_order_relaxed); }
  // Frames that reached the screen while playing, since the file opened.
  int32_t ShownFrames() const { return record_.shownFrames.load(std::memory_order_relaxed); }
  // The video thread's passes and pictures presented so far (they only grow).
  int32_t VideoPasses() const { return record_.passes.load(std::memory_order_relaxed); }
  int32_t PicturesPresented() const { return record_.presents.load(std::memory_order_relaxed); }
  int32_t Displacement() const { return record_.displacement.load(std::memory_order_relaxed); }
  void SetDisplacement(int32_t milliseconds) {
    record_.displacement.store(milliseconds, std::memory_order_relaxed);
  }
  // The ring fill for the statistics ("%i/%i Frames", "%i/%i Blocks").
  SampleRing& FrameRing() { return record_.frameRing; }
  SampleRing& BlockRing() { return record_.blockRing; }
  bool SoundPlays() const { return record_.soundPlays != 0; }
  // The open file's path, or null when closed.
  const char* FileName() const { return fileName_.get(); }

  // For the engine's threads and tests.
  PlaybackRecord& Record() { return record_; }
  const PlaybackPorts& Ports() const { return ports_; }

 private:
  void ResolvePorts();
  bool DescribeVideo();
  void SizeRings();
  void OpenSound();
  void Prefill();
  bool WaitForPrefillBlocks();
  bool CreateThread(std::unique_ptr<WorkerThread>* slot, WorkerThread::Routine routine,
                    int priority);
  bool LoadSubtitlesBeside(const char* videoPath);

  PlaybackPorts ports_;
  PlaybackPorts (*portsSource_)() = nullptr;
  PlaybackRecord record_;
  int32_t windowWidth_ = 0;   // the window's outer size before the open
  int32_t windowHeight_ = 0;
  uint8_t seekable_ = 0;
  std::unique_ptr<char[]> fileName_;  // 1,024 bytes while open
  std::unique_ptr<WorkerThread> videoThread_;
  std::unique_ptr<WorkerThread> videoFeeder_;
  std::unique_ptr<WorkerThread> audioFeeder_;
  std::unique_ptr<WorkerThread> audioOutput_;
  std::unique_ptr<PlaybackClock> clock_;
  SystemSettings savedSettings_;

  friend class PlayerThreads;
};

// The application's player, created at start-up.
extern Player* g_player;
