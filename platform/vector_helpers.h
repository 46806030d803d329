// Small helpers shared by the vector forms of the pixel routines.
#pragma once

#include <cstdint>
#include <cstring>

// Marks a routine built on SSE2. SSE2 is part of every x86-64 processor, but
// not of the 32-bit baseline the program is also built for: there these
// routines run only when CurrentVectorLevel() says so, and the code that makes
// that choice (and every scalar form) stays free of SSE2 instructions.
#define VELMORA_SSE2 __attribute__((target("sse2")))

// A 32-bit lane holding two 16-bit constants, `low` in the low half.
constexpr int32_t LanePair(int32_t low, int32_t high) {
  return static_cast<int32_t>((static_cast<uint32_t>(high) << 16) |
                              (static_cast<uint32_t>(low) & 0xFFFF));
}

// Unaligned little-endian 32-bit access.
inline uint32_t LoadWord(const uint8_t* p) {
  uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}
inline void StoreWord(uint8_t* p, uint32_t w) { std::memcpy(p, &w, 4); }

// x clamped to 0 .. 255.
inline uint8_t SaturateByte(int32_t x) {
  return static_cast<uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x));
}
