// The fixed-layout records of an AVI file as the parser keeps them: the main
// header ("avih"), a stream header ("strh") and an idx1 entry. Declared here
// rather than taken from <vfw.h> so that the portable core builds everywhere;
// all fields are little-endian in the file and in memory.
#pragma once

#include <cstdint>

constexpr uint32_t AVIF_HASINDEX = 0x10;
constexpr uint32_t AVIF_MUSTUSEINDEX = 0x20;
constexpr uint32_t AVIIF_KEYFRAME = 0x10;
constexpr uint32_t AVISF_VIDEO_PALCHANGES = 0x10000;

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

// OpenDML (AVI 2.0) indexes. A stream's "indx" chunk is a super index whose
// entries point at "ix##" standard indexes (or, in some files, is itself a
// standard index); both start with this 24-byte header.
constexpr uint8_t AVI_INDEX_OF_INDEXES = 0x00;
constexpr uint8_t AVI_INDEX_OF_CHUNKS = 0x01;
// Bit 31 of a standard index entry's size: the chunk is NOT a keyframe.
constexpr uint32_t AVISTDINDEX_DELTAFRAME = 0x80000000u;

struct AviIndexHeader {
  uint16_t wLongsPerEntry;
  uint8_t bIndexSubType;
  uint8_t bIndexType;
  uint32_t nEntriesInUse;
  uint32_t dwChunkId;
  // A standard index: the base its entries' offsets count from, then one
  // reserved word. A super index: three reserved words.
  uint32_t qwBaseOffsetLow;
  uint32_t qwBaseOffsetHigh;
  uint32_t dwReserved;
};
static_assert(sizeof(AviIndexHeader) == 24, "index header layout");

// One super index entry: where an "ix##" chunk's header stands.
struct AviSuperIndexEntry {
  uint32_t qwOffsetLow;
  uint32_t qwOffsetHigh;
  uint32_t dwSize;
  uint32_t dwDuration;
};
static_assert(sizeof(AviSuperIndexEntry) == 16, "super index entry layout");
