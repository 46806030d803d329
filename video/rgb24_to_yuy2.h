// Software RGB24 to YUY2 conversion, for decompressors that can't deliver
// YUY2 (their frames are turned into the player's YUY2 frames here).
//
// Source: B, G, R bytes per pixel, rows of 3 x width bytes rounded up to a
// multiple of 4, bottom-up when biHeight > 0, top-down when biHeight < 0.
// Destination: YUY2 (Y0 U Y1 V per pixel pair), top-down, rows of 2 x width
// bytes rounded up to a multiple of 4. width div 2 pairs per row; with an odd
// width the last pixel of each row is not converted.
#pragma once

#include <cstdint>
#include <memory>

// The "Low Quality (16Bit)" table: 32768 entries indexed by a 15-bit colour
// (r in bits 10-14, g in bits 5-9, b in bits 0-4), each entry the bytes
// Y, U, Y, V of that colour. The decoder owns one; the first low-quality
// conversion builds it and any high-quality conversion frees it.
class Rgb555ToYuy2Table {
 public:
  static constexpr int kEntries = 32768;

  // Builds the table unless it exists; false when memory runs out.
  bool Build();
  void Free() { entries_.reset(); }
  bool IsBuilt() const { return entries_ != nullptr; }
  // Null until built.
  const uint32_t* Entries() const { return entries_.get(); }

 private:
  std::unique_ptr<uint32_t[]> entries_;
};

// The table entry of one 15-bit colour: with R, G, B = 8 x its fields,
// Y = ClampShift8(77 R + 150 G + 29 B), V = ClampShift8(128 R - 107 G - 21 B
// + 32768), U = ClampShift8(128 B - 85 G - 43 R + 32768).
uint32_t Rgb555ToYuy2Entry(uint32_t index);

// One pixel pair (B0 G0 R0 B1 G1 R1) as the word Y0 U Y1 V, in either
// quality (the table is read only in low quality): the arithmetic below.
uint32_t Rgb24PairToYuy2(const uint8_t* pair, bool highQuality, const uint32_t* table);

// Converts one frame.
//  highQuality true:  "High Quality (MMX)": frees *table first; per pixel
//                     Y = floor(58 B / 512) + floor(300 G / 512) + floor(154 R
//                     / 512); from the pair's truncated averages Bs, Gs, Rs:
//                     U = 128 + Bs div 2 + floor(-11008 Rs / 65536) +
//                     floor(-21760 Gs / 65536), V = 128 + Rs div 2 +
//                     floor(-27392 Gs / 65536) + floor(-5120 Bs / 65536),
//                     both clamped to 0 .. 255.
//  highQuality false: "Low Quality (16Bit)": builds *table if need be, looks
//                     up each pixel reduced to 15 bits; Y0 and Y1 from the two
//                     entries, U and V their truncated averages. (The AVX2
//                     form computes the same entries instead of reading them
//                     and reads the table only for the last pairs of a row.)
// Nothing happens when width div 2 or |biHeight| is below 1. Returns false
// only when the low-quality table can't be allocated.
bool ConvertRgb24ToYuy2(const uint8_t* source, uint8_t* destination, int32_t width,
                        int32_t biHeight, bool highQuality, Rgb555ToYuy2Table* table);

namespace reference {
bool ConvertRgb24ToYuy2(const uint8_t* source, uint8_t* destination, int32_t width,
                        int32_t biHeight, bool highQuality, Rgb555ToYuy2Table* table);
}  // namespace reference
