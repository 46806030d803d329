// The record of the open file that the player shares with its four playback
// threads: the picture's and the sound's geometry and timing, the two rings, and the counters
// that move while it plays.
//
// The plain fields are written by the player on the window's thread while no
// playback thread runs (open, start, seek, close) and only read by the
// threads. The atomics move while playing; each names its one writer.
#pragma once

#include "engine/sample_ring.h"
#include "platform/win32.h"

#include <atomic>
#include <cstdint>

enum PlayerState : int32_t {
  kClosed = 0,
  kPaused = 1,
  kPlaying = 2,
  kOpening = 3,
};

struct PlaybackRecord {
  PlaybackRecord();
  ~PlaybackRecord();
  PlaybackRecord(const PlaybackRecord&) = delete;
  PlaybackRecord& operator=(const PlaybackRecord&) = delete;

  // The player lock: thread pointers, ring setup, target frame and start block
  // while the threads are being created.
  // Lock order: the sound output's lock (SoundPort::Lock) is taken before this
  // one and never while this one is held; the rings' own locks are taken
  // last and held for one operation only.
  CRITICAL_SECTION lock;

  // Picture.
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;      // 2 x width rounded up to a multiple of 4
  int32_t frameSize = 0;   // height x stride
  int32_t frameCount = 0;
  int32_t rate = 1;        // frames per second = rate / scale
  int32_t scale = 1;
  int32_t feederOffset = 0;  // the video feeder starts at current frame + this

  // Sound (valid when soundPlays).
  uint8_t soundPlays = 0;   // the sound output is open and the decoder gives sound
  uint8_t stereo = 0;
  uint8_t sixteenBit = 0;
  int32_t sampleRate = 0;
  int32_t blockLength = 0;  // sample frames per block
  int32_t blockBytes = 0;
  int32_t soundBufferBlocks = 0;  // the sound output's blocks: prefill and buffer length
  int32_t startBlock = 0;         // first block the audio feeder decodes

  SampleRing frameRing;
  SampleRing blockRing;

  std::atomic<int32_t> state{kClosed};      // window's thread
  std::atomic<int32_t> currentFrame{0};     // video thread (player while stopped)
  std::atomic<int32_t> targetFrame{0};      // video thread (player while stopped)
  std::atomic<int32_t> droppedFrames{0};    // video thread
  std::atomic<int32_t> shownFrames{0};      // video thread: frames presented while playing
  // The video thread's passes and pictures presented (playing, paused or
  // redrawn), counted for whoever waits for the thread to move on.
  std::atomic<int32_t> passes{0};
  std::atomic<int32_t> presents{0};
  // Frames the file's data holds: the frame count until the video feeder
  // finds fewer (video feeder; player while stopped).
  std::atomic<int32_t> dataEnd{0x7FFFFFFF};
  std::atomic<int32_t> displacement{0};     // window's thread; ms, positive delays the sound
  std::atomic<uint8_t> endOfVideo{0};       // video feeder
  std::atomic<uint8_t> ready{1};            // window's thread; 0 while a decoder page is open

  // The video ends at the frame count or the end of the data.
  int32_t LastFrameEnd() const {
    const int32_t end = dataEnd.load(std::memory_order_relaxed);
    return end < frameCount ? end : frameCount;
  }

  bool IsOpen() const {
    const int32_t s = state.load(std::memory_order_relaxed);
    return s == kPaused || s == kPlaying;
  }
};
