// FOURCC codes: four ASCII bytes as they stand in the file, read as one
// little-endian 32-bit word.
#pragma once

#include <cstdint>

constexpr uint32_t MakeFourcc(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
         static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

constexpr uint32_t kFourccRiff = MakeFourcc('R', 'I', 'F', 'F');
constexpr uint32_t kFourccList = MakeFourcc('L', 'I', 'S', 'T');
// The kind the chunk walk gives every plain chunk; it never appears in a file.
constexpr uint32_t kFourccData = MakeFourcc('D', 'A', 'T', 'A');
constexpr uint32_t kFourccAvi = MakeFourcc('A', 'V', 'I', ' ');
constexpr uint32_t kFourccHdrl = MakeFourcc('h', 'd', 'r', 'l');
constexpr uint32_t kFourccAvih = MakeFourcc('a', 'v', 'i', 'h');
constexpr uint32_t kFourccStrl = MakeFourcc('s', 't', 'r', 'l');
constexpr uint32_t kFourccStrh = MakeFourcc('s', 't', 'r', 'h');
constexpr uint32_t kFourccStrf = MakeFourcc('s', 't', 'r', 'f');
constexpr uint32_t kFourccMovi = MakeFourcc('m', 'o', 'v', 'i');
constexpr uint32_t kFourccIdx1 = MakeFourcc('i', 'd', 'x', '1');
constexpr uint32_t kFourccVids = MakeFourcc('v', 'i', 'd', 's');
constexpr uint32_t kFourccAuds = MakeFourcc('a', 'u', 'd', 's');
// OpenDML: the RIFF form of the parts after the first, the "odml" list with
// its "dmlh" header, and a stream's "indx" super index.
constexpr uint32_t kFourccAvix = MakeFourcc('A', 'V', 'I', 'X');
constexpr uint32_t kFourccOdml = MakeFourcc('o', 'd', 'm', 'l');
constexpr uint32_t kFourccDmlh = MakeFourcc('d', 'm', 'l', 'h');
constexpr uint32_t kFourccIndx = MakeFourcc('i', 'n', 'd', 'x');
