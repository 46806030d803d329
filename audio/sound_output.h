// The sound output: one looping DirectSound buffer divided into equal blocks,
// a position notification at every block start, and a small time-critical
// thread that records which block the play cursor has just entered.
//
// The player's audio output thread writes a block whenever the block the
// write index names is not the one playing (CanWriteBlock), and counts it in
// the blocks-written counter, which is the clock the picture follows.
//
// Three threads touch it: the audio output thread (lock, write, unlock,
// count), the video thread (counter, volume, play and stop) and the
// notification thread (notified index). One critical section guards every
// field; each operation holds it for its whole duration.
#pragma once

#include "platform/worker_thread.h"
#include "platform/win32.h"

#include <atomic>
#include <cstdint>
#include <memory>

struct IDirectSound;
struct IDirectSoundBuffer;
struct IDirectSoundNotify;

// SetVolume's value for a volume in percent, in hundredths of a decibel:
// -3000 x (1 - (e^(p/100) - 1) / (e - 1)), truncated, within -10000 .. 0.
int32_t VolumeForPercent(int32_t percent);

// Which block a position notification stands for. With one event per block
// (up to 62 blocks) the event is the block. Beyond that the events are
// shared round the buffer (block i signals event i mod eventCount), and the
// block is the one of that event nearest the play cursor (or, without the
// cursor, the first one after the current block); the notified block never
// steps back.
struct BlockFollower {
  int32_t blockCount = 2;
  int32_t eventCount = 2;
  int32_t blockSize = 1;  // bytes
  // played: the play cursor's byte offset, or -1 when it was not read.
  int32_t BlockOfEvent(int32_t event, int32_t current, int64_t played) const;
};

class SoundOutput {
 public:
  SoundOutput();
  ~SoundOutput();  // closes
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  // Closes, then creates the buffer of blockCount (at least 2) blocks of
  // framesPerBlock sample frames, its notifications and the notification
  // thread. False on any DirectSound, event or thread failure (everything is
  // closed again).
  bool Open(HWND window, int32_t sampleRate, bool stereo, bool sixteenBit,
            int32_t framesPerBlock, int32_t blockCount);
  // Stops the notification thread and releases everything; safe when closed.
  void Close();
  bool IsOpen();

  void SetPlaying(bool playing);
  // Only audible when the buffer was made with "Enable Volume Control".
  void SetVolume(int32_t percent);

  bool CanWriteBlock();
  // Locks the block at the write index; the frame count is the first locked
  // length in sample frames.
  bool LockNextBlock(uint8_t** block, int32_t* frames);
  // Unlocks; on success the write index moves on one block.
  bool UnlockBlock();
  // write index := notified index.
  void ResyncWriteIndex();

  void SetBlockCounter(int32_t value);
  void CountBlock();
  int32_t GetBlockCounter();

  void Lock();
  void Unlock();

  // For the statistics and tests.
  int32_t BlockCount();
  int32_t BlockSize();
  int32_t WriteIndex();
  int32_t NotifiedIndex();
  IDirectSoundBuffer* Buffer();

 private:
  static DWORD WINAPI NotificationRoutine(LPVOID self);
  bool CreateBuffers(HWND window, int32_t framesPerBlock);
  bool CreateNotifications();
  void StopNotificationThread();
  void ReleaseAll();

  uint8_t stereo_ = 0;
  uint8_t sixteenBit_ = 0;
  uint8_t playing_ = 0;
  IDirectSound* sound_ = nullptr;
  IDirectSoundBuffer* primary_ = nullptr;
  IDirectSoundBuffer* secondary_ = nullptr;
  IDirectSoundNotify* notify_ = nullptr;
  int32_t blockCounter_ = 0;
  int32_t writeIndex_ = 0;
  int32_t blockSize_ = 0;
  void* lockedFirst_ = nullptr;
  void* lockedSecond_ = nullptr;
  DWORD lockedFirstLength_ = 0;
  DWORD lockedSecondLength_ = 0;
  int32_t sampleRate_ = 0;
  // Guards every field. Lock order: taken before the player lock, never
  // inside it; the notification thread takes only this one.
  CRITICAL_SECTION lock_;
  struct Notification {
    DWORD offset;
    HANDLE event;
  };
  // blockCount + 1 offsets; the events of the first eventCount entries are
  // the block events, entry blockCount's the stop event.
  std::unique_ptr<Notification[]> notifications_;
  int32_t blockCount_ = 2;
  int32_t eventCount_ = 0;
  std::atomic<int32_t> notifiedIndex_{0};  // written by the notification thread
  std::unique_ptr<WorkerThread> thread_;   // the notification thread
};

// The application's sound output, created at start-up.
extern SoundOutput* g_soundOutput;
