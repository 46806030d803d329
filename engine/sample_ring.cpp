#include "engine/sample_ring.h"

#include "platform/critical_section_lock.h"

#include <cstring>
#include <new>

SampleRing::SampleRing() { InitializeCriticalSection(&lock_); }

SampleRing::~SampleRing() {
  Free();
  DeleteCriticalSection(&lock_);
}

bool SampleRing::Allocate(uint32_t elementSize, int32_t capacity) {
  Free();
  CriticalSectionLock guard(&lock_);
  if (capacity < 1 || elementSize < 1) return false;
  const uint64_t bytes = static_cast<uint64_t>(elementSize) * static_cast<uint64_t>(capacity);
  if (bytes > static_cast<uint64_t>(SIZE_MAX)) return false;
  storage_ = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(bytes)));
  if (storage_ == nullptr) return false;
  flags_ = new (std::nothrow) uint8_t[capacity];
  if (flags_ == nullptr) {
    GlobalFree(storage_);
    storage_ = nullptr;
    return false;
  }
  std::memset(flags_, 0, static_cast<size_t>(capacity));
  elementSize_ = elementSize;
  capacity_ = capacity;
  count_ = 0;
  writeIndex_ = 0;
  readIndex_ = 0;
  return true;
}

void SampleRing::Free() {
  CriticalSectionLock guard(&lock_);
  if (storage_ != nullptr) GlobalFree(storage_);
  storage_ = nullptr;
  delete[] flags_;
  flags_ = nullptr;
  capacity_ = 0;
  count_ = 0;
  writeIndex_ = 0;
  readIndex_ = 0;
}

int32_t SampleRing::Count() {
  CriticalSectionLock guard(&lock_);
  return count_;
}

int32_t SampleRing::Capacity() {
  CriticalSectionLock guard(&lock_);
  return capacity_;
}

uint32_t SampleRing::ElementSize() {
  CriticalSectionLock guard(&lock_);
  return elementSize_;
}

int32_t SampleRing::FillPercent() {
  CriticalSectionLock guard(&lock_);
  if (capacity_ < 1) return 0;
  return static_cast<int32_t>(static_cast<int64_t>(count_) * 100 / capacity_);
}

uint8_t* SampleRing::WriteSlot() {
  CriticalSectionLock guard(&lock_);
  if (storage_ == nullptr || count_ >= capacity_) return nullptr;
  return storage_ + static_cast<size_t>(writeIndex_) * elementSize_;
}

bool SampleRing::Commit(uint8_t flag) {
  CriticalSectionLock guard(&lock_);
  if (storage_ == nullptr || count_ >= capacity_) return false;
  flags_[writeIndex_] = flag;
  writeIndex_ = (writeIndex_ + 1) % capacity_;
  ++count_;
  return true;
}

uint8_t* SampleRing::ReadSlot(uint8_t* flag) {
  CriticalSectionLock guard(&lock_);
  if (storage_ == nullptr || count_ < 1) return nullptr;
  if (flag != nullptr) *flag = flags_[readIndex_];
  return storage_ + static_cast<size_t>(readIndex_) * elementSize_;
}

bool SampleRing::Release() {
  CriticalSectionLock guard(&lock_);
  if (storage_ == nullptr || count_ < 1) return false;
  readIndex_ = (readIndex_ + 1) % capacity_;
  --count_;
  return true;
}

void SampleRing::Clear() {
  CriticalSectionLock guard(&lock_);
  readIndex_ = writeIndex_;
  count_ = 0;
}
