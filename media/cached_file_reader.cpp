#include "media/cached_file_reader.h"

#include "platform/critical_section_lock.h"
#include "platform/poll_pacer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

// The file-pointer block when the pointer's place is unknown (after a direct
// read or a failed load): the next load seeks, whichever block it is. (After
// open it is -1: the pointer stands at block 0.)
constexpr int32_t kPointerUnknown = -2;

// Out of large-file mode blocks are moved to with one signed 32-bit distance
// from the file's start, so nothing at or beyond 2 GiB can be loaded.
constexpr int64_t kLargestSeek = 0x7FFFFFFF;
// The chunk walk's positions out of large-file mode.
constexpr uint64_t kLargestPosition32 = 0xFFFFFFFFu;

}  // namespace

CachedFileReader::CachedFileReader() {
  InitializeCriticalSection(&tableLock_);
  InitializeCriticalSection(&fileLock_);
  InitializeCriticalSection(&readLock_);
}

CachedFileReader::~CachedFileReader() {
  Close();
  DeleteCriticalSection(&readLock_);
  DeleteCriticalSection(&fileLock_);
  DeleteCriticalSection(&tableLock_);
}

bool CachedFileReader::Open(const char* path, int32_t slots) {
  return Open(OpenFileSource(path), slots);
}

bool CachedFileReader::Open(std::unique_ptr<FileSource> source, int32_t slots) {
  Close();
  bool opened;
  {
    CriticalSectionLock table(&tableLock_);
    directMode_ = 0;
    largeFile_ = false;
    slotCount_ = std::clamp(slots, kMinSlots, kMaxSlots);
    opened = TakeSource(std::move(source)) && AllocateSlots() && (loadsInline_ || StartReadAhead());
  }
  if (!opened) Close();
  return opened;
}

// Called under the table lock.
bool CachedFileReader::TakeSource(std::unique_ptr<FileSource> source) {
  CriticalSectionLock file(&fileLock_);
  if (source == nullptr) return false;
  file_ = std::move(source);
  filePointerBlock_ = -1;
  loadsInline_ = file_->InMemory();
  fileSize_ = file_->Size();
  lastBlock_ = static_cast<uint32_t>(fileSize_ / kBlockSize);
  // A file smaller than a block needs no more than itself in each slot.
  blockBytes_ = static_cast<uint32_t>(std::clamp<uint64_t>(fileSize_, 1, kBlockSize));
  return true;
}

// Called under the table lock.
bool CachedFileReader::AllocateSlots() {
  for (int32_t i = 0; i < slotCount_; ++i) {
    slotBuffers_[i].reset(new (std::nothrow) uint8_t[blockBytes_]);
    if (slotBuffers_[i] == nullptr) return false;
    slotStates_[i] = kSlotEmpty;
    slotStamps_[i] = 0;
  }
  return true;
}

// Called under the table lock: the thread's first look at the slots waits
// until the reader is fully open.
bool CachedFileReader::StartReadAhead() {
  readAhead_.reset(new (std::nothrow) WorkerThread);
  if (readAhead_ == nullptr) return false;
  if (!readAhead_->Create(ReadAheadThread, this)) return false;
  readAhead_->SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
  return true;
}

void CachedFileReader::Close() {
  if (readAhead_ != nullptr) {
    readAhead_->Stop();
    readAhead_.reset();
  }
  CriticalSectionLock table(&tableLock_);
  {
    CriticalSectionLock file(&fileLock_);
    file_.reset();
    loadsInline_ = false;
  }
  for (int32_t i = 0; i < kMaxSlots; ++i) {
    slotBuffers_[i].reset();
    slotStates_[i] = kSlotEmpty;
  }
  slotCount_ = 0;
  useClock_ = 0;
  lastBlock_ = 0;
  fileSize_ = 0;
}

void CachedFileReader::SetDirectMode(bool direct) {
  CriticalSectionLock table(&tableLock_);
  directMode_ = direct ? 1 : 0;
}

void CachedFileReader::SetLargeFile(bool large) { largeFile_ = large; }

uint64_t CachedFileReader::PositionCeiling() const {
  return largeFile_ ? ~0ull : kLargestPosition32;
}

bool CachedFileReader::IsOpen() {
  CriticalSectionLock file(&fileLock_);
  return file_ != nullptr;
}

CachedFileReader::SlotView CachedFileReader::Slot(int32_t index) {
  CriticalSectionLock table(&tableLock_);
  if (index < 0 || index >= kMaxSlots) return SlotView{kSlotEmpty, 0, 0};
  return SlotView{slotStates_[index], slotBlocks_[index], slotStamps_[index]};
}

int32_t CachedFileReader::FilePointerBlock() {
  CriticalSectionLock file(&fileLock_);
  return filePointerBlock_;
}

bool CachedFileReader::Read(void* destination, uint64_t position, uint32_t length) {
  if (length == 0) return true;
  bool direct;
  uint64_t fileSize;
  {
    CriticalSectionLock table(&tableLock_);
    direct = directMode_ != 0;
    fileSize = fileSize_;
  }
  if (direct) return DirectRead(destination, position, length, false);
  // Nothing valid lies past the end of the file: a chunk cut off by it is
  // not read at all but fails, like the end of the data.
  if (position > fileSize || length > fileSize - position) return false;

  CriticalSectionLock read(&readLock_);
  auto* out = static_cast<uint8_t*>(destination);
  const uint64_t first = position >> kBlockShift;
  const uint64_t final = (position + length) >> kBlockShift;
  int64_t offset = static_cast<int64_t>(position - (first << kBlockShift));
  bool result = true;
  for (uint64_t block = first; block <= final && result; ++block) {
    const int64_t start = std::max<int64_t>(offset, 0);
    const int64_t end = std::min<int64_t>(offset + length, kBlockSize);
    if (start < end) {
      result = BlockRead(out, static_cast<uint32_t>(block), static_cast<uint32_t>(start),
                         static_cast<uint32_t>(end - start));
      if (result) out += end - start;
    }
    offset -= kBlockSize;
  }
  return result;
}

bool CachedFileReader::BlockRead(uint8_t* destination, uint32_t block, uint32_t start,
                                 uint32_t count) {
  int32_t slot;
  {
    CriticalSectionLock table(&tableLock_);
    slot = FindSlot(block);
  }
  if (slot < 0) {
    Request(block);
    CriticalSectionLock table(&tableLock_);
    slot = FindSlot(block);
    // Not queued (past the last block, or nothing open), or its load has
    // already failed: either way there is nothing to wait for.
    if (slot < 0) return false;
  }
  WaitWhileRequested(slot);
  {
    CriticalSectionLock table(&tableLock_);
    if (slotStates_[slot] != kSlotLoaded || slotBlocks_[slot] != block) return false;
    std::memcpy(destination, slotBuffers_[slot].get() + start, count);
    slotStamps_[slot] = useClock_;
    ++useClock_;
  }
  Request(block + 1);
  return true;
}

// Called under the table lock.
int32_t CachedFileReader::FindSlot(uint32_t block) const {
  for (int32_t i = 0; i < slotCount_; ++i) {
    if (slotStates_[i] != kSlotEmpty && slotBlocks_[i] == block) return i;
  }
  return -1;
}

// Called under the table lock.
bool CachedFileReader::AnySlotRequested() const {
  for (int32_t i = 0; i < slotCount_; ++i) {
    if (slotStates_[i] == kSlotRequested) return true;
  }
  return false;
}

// Called under the table lock: the first empty slot, else the one used least
// recently (the lowest index among equal stamps).
int32_t CachedFileReader::SlotToReuse() const {
  for (int32_t i = 0; i < slotCount_; ++i) {
    if (slotStates_[i] == kSlotEmpty) return i;
  }
  int32_t chosen = 0;
  for (int32_t i = 1; i < slotCount_; ++i) {
    if (slotStamps_[i] < slotStamps_[chosen]) chosen = i;
  }
  return chosen;
}

void CachedFileReader::WaitWhileRequested(int32_t slot) {
  PollPacer pacer;
  for (;;) {
    {
      CriticalSectionLock table(&tableLock_);
      if (slotStates_[slot] != kSlotRequested) return;
    }
    pacer.Pause();
  }
}

void CachedFileReader::Request(uint32_t block) {
  if (Queue(block) && loadsInline_) LoadNextRequestedBlock();
}

// True when the block was queued now.
bool CachedFileReader::Queue(uint32_t block) {
  PollPacer pacer;
  for (;;) {
    {
      CriticalSectionLock table(&tableLock_);
      if (slotCount_ == 0 || block > lastBlock_) return false;
      // A block already held or waiting needs nothing, so it is looked for
      // before waiting for the thread: a sequential reader asks for the block
      // after its own on every read, mostly while that very block is in
      // flight, and would otherwise wait out each load instead of copying.
      if (FindSlot(block) >= 0) return false;
      if (!AnySlotRequested()) {
        const int32_t chosen = SlotToReuse();
        ++useClock_;
        slotStates_[chosen] = kSlotRequested;
        slotBlocks_[chosen] = block;
        slotStamps_[chosen] = useClock_;
        return true;
      }
    }
    // At most one block waits for the thread at a time.
    pacer.Pause();
  }
}

DWORD WINAPI CachedFileReader::ReadAheadThread(LPVOID self) {
  static_cast<CachedFileReader*>(self)->ReadAheadLoop();
  return 0;
}

// Loads requested blocks one at a time until stopped; sleeps (ever longer,
// up to 100 ms) only while nothing is requested.
void CachedFileReader::ReadAheadLoop() {
  PollPacer pacer;
  for (;;) {
    {
      CriticalSectionLock table(&tableLock_);
      if (!readAhead_->IsRunning()) return;
    }
    if (LoadNextRequestedBlock()) {
      pacer.Restart();
    } else {
      pacer.Pause();
    }
  }
}

// One turn of the read-ahead thread: loads the first requested block. False
// when nothing was requested.
bool CachedFileReader::LoadNextRequestedBlock() {
  int32_t slot = -1;
  uint8_t* buffer = nullptr;
  uint32_t block = 0;
  {
    CriticalSectionLock table(&tableLock_);
    for (int32_t i = 0; i < slotCount_ && slot < 0; ++i) {
      if (slotStates_[i] == kSlotRequested) slot = i;
    }
    if (slot < 0) return false;
    buffer = slotBuffers_[slot].get();
    block = slotBlocks_[slot];
  }
  // The buffer is the thread's alone while its slot is requested: no other
  // block can be queued, and readers copy only from loaded slots.
  const bool loaded = LoadBlock(buffer, block);
  CriticalSectionLock table(&tableLock_);
  slotStates_[slot] = loaded ? kSlotLoaded : kSlotEmpty;
  return true;
}

bool CachedFileReader::LoadBlock(uint8_t* buffer, uint32_t block) {
  CriticalSectionLock file(&fileLock_);
  const uint64_t target = static_cast<uint64_t>(block) << kBlockShift;
  const bool reachable = largeFile_ || target <= static_cast<uint64_t>(kLargestSeek);
  if (file_ == nullptr || !reachable ||
      (filePointerBlock_ + 1 != static_cast<int64_t>(block) && !MoveFilePointer(target, false))) {
    filePointerBlock_ = kPointerUnknown;
    return false;
  }
  filePointerBlock_ = static_cast<int32_t>(block);
  uint32_t got = 0;
  if (!file_->Read(buffer, blockBytes_, &got)) got = 0;
  // After a short read (the last block) the pointer is not at the next
  // block. What the buffer holds past the end of the file is never read: reads
  // reaching past the end fail.
  if (got < kBlockSize) filePointerBlock_ = kPointerUnknown;
  return got > 0;
}

bool CachedFileReader::ProbeRead(void* destination, uint64_t position, uint32_t length) {
  return DirectRead(destination, position, length, true);
}

bool CachedFileReader::DirectRead(void* destination, uint64_t position, uint32_t length,
                                  bool anyPosition) {
  CriticalSectionLock file(&fileLock_);
  filePointerBlock_ = kPointerUnknown;
  if (file_ == nullptr || !MoveFilePointer(position, anyPosition)) return false;
  uint32_t got = 0;
  return file_->Read(destination, length, &got) && got == length;
}

// Called under the file lock. Out of large-file mode only as far as one
// signed 32-bit distance reaches, as AVI 1.0 files have always been read.
bool CachedFileReader::MoveFilePointer(uint64_t position, bool anyPosition) {
  if (file_ == nullptr) return false;
  if (!largeFile_ && !anyPosition && position > static_cast<uint64_t>(kLargestSeek)) return false;
  return file_->Seek(position);
}
