// YUY2 to 32-bit RGB conversion for the presenter's RGB and non-overlay modes.
//
// The output is the presenter's conversion buffer: width x height pixels
// 0x00RRGGBB (blue in the low byte), top row first, row r at out + r x width.
// Both qualities convert width div 2 source words per row; with an odd width
// the last column of the buffer is not written.
#pragma once

#include <cstdint>
#include <memory>

// The "Low Quality (16Bit)" lookup table: 65536 entries 0x00RRGGBB indexed by
// key = (V >> 3) << 11 | (Y >> 2) << 5 | (U >> 3). The presenter owns one,
// the first low-quality conversion builds it, and it stays until Free.
class YuvLookup {
 public:
  static constexpr int kEntries = 65536;

  // Builds the table unless it exists; false when memory runs out.
  bool Build();
  void Free() { entries_.reset(); }
  bool IsBuilt() const { return entries_ != nullptr; }
  // Null until built.
  const uint32_t* Entries() const { return entries_.get(); }

 private:
  std::unique_ptr<uint32_t[]> entries_;
};

// The table entry of one key: ClampShift8 of 259y + 369v, 259y - 88u - 183v
// - 2199 and 259y + 467u for R, G and B, with u = (U >> 3) x 8 - 128,
// y = (Y >> 2) x 4, v = (V >> 3) x 8 - 128 taken from the key.
uint32_t YuvLookupEntry(uint32_t key);

// Converts one frame (pitch = bytes per source row) into out.
//  highQuality true:  "High Quality (MMX)": R = sat(Y + rV), G = sat(Y + gU
//                     + gV), B = sat(Y + bU) with the terms floor(c x (chroma
//                     - 128) / 256) for c = 359, -88, -183, 454. Does nothing
//                     and returns false when HasMmx() is false (the buffer
//                     keeps its content).
//  highQuality false: "Low Quality (16Bit)": two lookups per source word in
//                     *table, which is built first if need be. Returns false
//                     only when the table can't be allocated. (The vector
//                     forms compute the same entries from the key, which is
//                     faster than reading them, and read the table only for
//                     the last few words of a row.)
// Nothing happens for a width below 2 or a height below 1 (returns true).
bool ConvertYuy2ToRgb32(const uint8_t* frame, int32_t width, int32_t height, int32_t pitch,
                        uint32_t* out, bool highQuality, YuvLookup* table);

namespace reference {
// The plain scalar forms, literal to the arithmetic above (and the fallback).
bool ConvertYuy2ToRgb32(const uint8_t* frame, int32_t width, int32_t height, int32_t pitch,
                        uint32_t* out, bool highQuality, YuvLookup* table);
}  // namespace reference
