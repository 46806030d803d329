// The fixed-layout records of an AVI file as the parser keeps them: the main
// header ("avih"), a stream header ("strh") and an idx1 entry. Declared here
// rather than taken from <vfw.h> so that the portable core builds everywhere;
// all fields are little-endian in the file and in memory.
#pragma once

#include <cstdint>

constexpr uint32_t AVIF_HASINDEX = 0x10;
constexpr uint32_t AVIF_MUSTUSEINDEX = 0x20;
constexpr uint32_t AVIIF_KEYFRAME = 0x10;

// "avih": 56 bytes.
struct MainAviHeader {
  uint32_t dwMicroSecPerFrame;
  uint32_t dwMaxBytesPerSec;
  uint32_t dwPaddingGranularity;
  uint32_t dwFlags;
  uint32_t dwTotalFrames;
  uint32_t dwInitialFrames;
  uint32_t dwStreams;
  uint32_t dwSuggestedBufferSize;
  uint32_t dwWidth;
  uint32_t dwHeight;
  uint32_t dwReserved[4];
};
static_assert(sizeof(MainAviHeader) == 56, "avih layout");

// "strh", kept in 64 bytes; the bytes past the chunk's size stay zero.
struct AviStreamHeader {
  uint32_t fccType;
  uint32_t fccHandler;
  uint32_t dwFlags;
  uint16_t wPriority;
  uint16_t wLanguage;
  uint32_t dwInitialFrames;
  uint32_t dwScale;
  uint32_t dwRate;
  uint32_t dwStart;
  uint32_t dwLength;
  uint32_t dwSuggestedBufferSize;
  uint32_t dwQuality;
  uint32_t dwSampleSize;
  // The frame rectangle: four 16-bit values in most files, four 32-bit ones
  // in some old writers. Nothing reads it.
  uint8_t rcFrame[16];
};
static_assert(sizeof(AviStreamHeader) == 64, "strh layout");

// One idx1 record.
struct AviIndexEntry {
  uint32_t ckid;
  uint32_t dwFlags;
  uint32_t dwChunkOffset;
  uint32_t dwChunkLength;
};
static_assert(sizeof(AviIndexEntry) == 16, "idx1 layout");
