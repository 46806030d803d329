// A ring of fixed-size elements, each with a flag byte: the frame ring
// (decoded YUY2 pictures) and the block ring (decoded sound blocks).
//
// One producer thread and one consumer thread. Every operation takes the
// ring's lock; the element bytes themselves are written and read outside it:
// the producer owns the element at WriteSlot() until Commit(), the consumer
// owns the element at ReadSlot() until Release(), and the two never coincide.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// Frame ring flags.
enum FrameFlag : uint8_t {
  kFrameSkipped = 0,  // nothing decoded for it (jumped over by the feeder)
  kFrameDecoded = 1,
  kFrameFailed = 2,
};

class SampleRing {
 public:
  SampleRing();
  ~SampleRing();
  SampleRing(const SampleRing&) = delete;
  SampleRing& operator=(const SampleRing&) = delete;

  // Frees what was there, then allocates capacity elements of elementSize
  // bytes (GlobalAlloc, fixed). False when the storage can't be had; the ring
  // is then empty with capacity 0.
  bool Allocate(uint32_t elementSize, int32_t capacity);
  void Free();

  int32_t Count();
  int32_t Capacity();
  uint32_t ElementSize();
  // count x 100 / capacity; 0 without storage.
  int32_t FillPercent();

  // The element at the write index, or null when there is no storage or the
  // ring is full.
  uint8_t* WriteSlot();
  // Marks the write slot filled with the flag. False (and nothing changes)
  // without storage or on a full ring.
  bool Commit(uint8_t flag);

  // The element at the read index and its flag, or null when there is no
  // storage or the ring is empty.
  uint8_t* ReadSlot(uint8_t* flag);
  // Hands the read slot back. False without storage or on an empty ring.
  bool Release();

  // Drops everything queued; the storage stays.
  void Clear();

 private:

  CRITICAL_SECTION lock_;
  uint32_t elementSize_ = 0;
  int32_t capacity_ = 0;
  int32_t count_ = 0;
  uint8_t* storage_ = nullptr;  // GlobalAlloc'd
  int32_t writeIndex_ = 0;
  int32_t readIndex_ = 0;
  uint8_t* flags_ = nullptr;    // one per element
};
