// How big the frame ring and the block ring are made when a file opens: the
// frame ring takes the share of free memory chosen by "Frame Buffer Size",
// and the block ring holds as much playing time as the frame ring.
#pragma once

#include <cstdint>

// Bytes of one YUY2 row: 2 x width rounded up to a multiple of 4.
int32_t FrameStride(int32_t width);

// The budget for "Frame Buffer Size" option index (0 Auto Allocation: three
// quarters, at most kMostAutoBudget; 1: 10 %, 2: 20 %, 3: 30 %, 4: 50 %) of
// the available bytes.
constexpr uint64_t kMostAutoBudget = uint64_t{1} << 30;
uint64_t FrameBudget(uint64_t availableBytes, uint32_t frameBufferSize);

// Frames that fit the budget, never fewer than 5.
int32_t FrameRingCapacity(uint64_t budget, uint32_t frameBytes);

// The sound buffer's block count: the smallest count, at least 2, whose
// blocks hold two seconds.
int32_t SoundBufferBlocks(int32_t sampleRate, int32_t blockLength);

// Blocks that play as long as frameCapacity frames (scale x sampleRate x
// frames / rate / blockLength in 64-bit steps), at least soundBufferBlocks + 5.
int32_t BlockRingCapacity(int32_t videoScale, int32_t sampleRate, int32_t frameCapacity,
                          int32_t videoRate, int32_t blockLength, int32_t soundBufferBlocks);

// The block ring never takes more than this, whatever playing time the frame
// ring holds: a crafted scale makes each frame last for hours.
constexpr uint64_t kMostBlockRingBytes = uint64_t{1} << 30;
// Blocks cut to what kMostBlockRingBytes holds of blocks of blockBytes, never
// below soundBufferBlocks + 5.
int32_t BoundedBlockRing(int32_t blocks, uint32_t blockBytes, int32_t soundBufferBlocks);
