// The only way the player reads a media file: read-only, in blocks of
// 512 KiB, a few of them kept in memory, loaded one at a time by a read-ahead
// thread that each read keeps one block ahead of the reader. A source in
// memory has its blocks loaded by the reading thread itself, with no thread.
//
// Locks: the table lock guards the slot table, the use clock and the
// direct-mode flag; the file lock guards the file handle, the file pointer and
// the file-pointer block; the read lock makes each cached read whole, so that
// reads from several threads do not interleave their blocks. Order: read lock,
// then table lock; table lock, then file lock (open and close only, which must
// not run while a read is in progress). All waiting is done by polling.
#pragma once

#include "media/file_source.h"
#include "platform/worker_thread.h"
#include "platform/win32.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CachedFileReader {
 public:
  static constexpr uint32_t kBlockShift = 19;
  static constexpr uint32_t kBlockSize = 1u << kBlockShift;  // 524,288 bytes
  static constexpr int32_t kMinSlots = 2;
  static constexpr int32_t kMaxSlots = 256;

  enum SlotState : int32_t { kSlotEmpty = 0, kSlotRequested = 1, kSlotLoaded = 2 };

  // What one slot holds, for inspection.
  struct SlotView {
    int32_t state;
    uint32_t block;
    uint64_t stamp;
  };

  CachedFileReader();
  ~CachedFileReader();
  CachedFileReader(const CachedFileReader&) = delete;
  CachedFileReader& operator=(const CachedFileReader&) = delete;

  // Opens the file read-only with slots cache blocks (held to 2 .. 256) and
  // starts the read-ahead thread. Any file that was open is closed first.
  bool Open(const char* path, int32_t slots);
  // The same over a source already open (null fails).
  bool Open(std::unique_ptr<FileSource> source, int32_t slots);

  // Copies length bytes from the file position; true only if every byte was
  // obtained: a read reaching past the end of the file fails. Unless the
  // reader is in large-file mode, data at 2 GiB and beyond cannot be read.
  bool Read(void* destination, uint64_t position, uint32_t length);

  // Stops the thread, closes the file and frees the blocks. Safe when closed.
  void Close();

  // While set, reads go straight to the file past the cache (the index loader
  // reads the whole idx1 table this way). Open clears it.
  void SetDirectMode(bool direct);

  // Large-file mode, for OpenDML files: blocks anywhere in the file load and
  // positions are 64-bit. Off (AVI 1.0 files), the file pointer is moved with
  // one signed 32-bit distance, so nothing at or beyond 2 GiB loads, and the
  // chunk walk keeps its positions below 4 GiB. Open clears it; set it only
  // while no read is in progress.
  void SetLargeFile(bool large);
  // The largest position the chunk walk may reach in this mode.
  uint64_t PositionCeiling() const;

  // Reads straight from the file at any position, whatever the modes, past
  // the cache: for telling an OpenDML file before the mode is chosen.
  bool ProbeRead(void* destination, uint64_t position, uint32_t length);

  // Queues a block for the read-ahead thread, after waiting until no other
  // block is waiting for it. Blocks past the last one, and blocks that a slot
  // already holds or waits for, are not queued.
  void Request(uint32_t block);

  bool IsOpen();
  int32_t SlotCount() const { return slotCount_; }
  // The file size divided by the block size, rounded down.
  uint32_t LastBlock() const { return lastBlock_; }
  // The size of the open file, to bound what a caller allocates for it.
  uint64_t FileSize() const { return fileSize_; }
  SlotView Slot(int32_t index);
  int32_t FilePointerBlock();

 private:
  bool TakeSource(std::unique_ptr<FileSource> source);
  bool Queue(uint32_t block);
  bool AllocateSlots();
  bool StartReadAhead();
  static DWORD WINAPI ReadAheadThread(LPVOID self);
  void ReadAheadLoop();
  bool LoadNextRequestedBlock();
  bool LoadBlock(uint8_t* buffer, uint32_t block);
  bool BlockRead(uint8_t* destination, uint32_t block, uint32_t start, uint32_t count);
  int32_t FindSlot(uint32_t block) const;
  bool AnySlotRequested() const;
  int32_t SlotToReuse() const;
  void WaitWhileRequested(int32_t slot);
  bool DirectRead(void* destination, uint64_t position, uint32_t length, bool anyPosition);
  bool MoveFilePointer(uint64_t position, bool anyPosition);

  int32_t slotCount_ = 0;
  std::unique_ptr<uint8_t[]> slotBuffers_[kMaxSlots];
  int32_t slotStates_[kMaxSlots] = {};
  uint32_t slotBlocks_[kMaxSlots] = {};
  uint64_t slotStamps_[kMaxSlots] = {};
  uint64_t useClock_ = 0;
  CRITICAL_SECTION tableLock_;
  CRITICAL_SECTION fileLock_;
  CRITICAL_SECTION readLock_;
  std::unique_ptr<WorkerThread> readAhead_;
  std::unique_ptr<FileSource> file_;
  bool loadsInline_ = false;  // set at open: a source in memory, no read-ahead thread
  // The block at whose start the file pointer stands after the last load;
  // -1 after open and -2 after a direct read, both of which force a seek.
  int32_t filePointerBlock_ = -1;
  uint32_t lastBlock_ = 0;
  uint32_t blockBytes_ = kBlockSize;  // each slot's size: a block, or the whole of a smaller file
  uint64_t fileSize_ = 0;
  uint8_t directMode_ = 0;
  std::atomic<bool> largeFile_{false};
};
