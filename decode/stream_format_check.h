// The decoder's checks of the stream formats a file declares (its
// BITMAPINFOHEADER and WAVEFORMATEX), made before anything is sized from
// them, and the picture sizes derived from a usable header. Portable: the
// fields are passed as the header holds them.
#pragma once

#include <cstdint>

struct AudioStreamInfo;

// Larger than any picture the program plays (8K is 7,680 x 4,320), small
// enough that every size computed from it fits 32 bits.
constexpr int64_t kMaxVideoSide = 16384;
constexpr int64_t kMaxVideoPixels = 8192 * 8192;
// The largest usable picture at 32 bits a pixel: no decompressor's buffer
// claim beyond it is believed.
constexpr uint32_t kMostPictureBytes = static_cast<uint32_t>(kMaxVideoPixels * 4);

// The picture height of a biHeight (negative for top-down rows), in 64 bits
// so that the most negative value has one.
int64_t PictureHeight(int32_t biHeight);

// A picture some decompressor could deliver: both sides at least 1 and
// within the limits above.
bool UsableVideoSize(int32_t biWidth, int32_t biHeight);

// Bytes of a picture of the given depth, rows rounded up to 4 bytes, computed
// as the format states it; 0 for a size or depth that is not usable.
uint32_t PictureBytes(int32_t bitCount, int32_t width, int32_t height);

// A WAVEFORMATEX up to and including its cbSize.
constexpr uint32_t kWaveFormatSize = 18;

// The cbSize a WAVEFORMATEX of formatSize bytes can hold: the stated one,
// cut to the bytes that follow its 18-byte header.
uint16_t FittedCbSize(uint32_t formatSize, uint16_t cbSize);

// The most frames a second a stream header is believed.
constexpr int64_t kMostFramesPerSecond = 1000;

// A video rate that makes sense: dwRate and dwScale above 0 and at most
// kMostFramesPerSecond. Any other is taken from the main header's
// dwMicroSecPerFrame (rate 1,000,000, scale the microseconds) when that
// makes sense; false when neither does.
bool RepairVideoRate(uint32_t microSecPerFrame, int32_t* rate, int32_t* scale);

// The sound stream's timing made sense of, in the stream description and in
// its format (the AviFile's copy): a dwRate or dwScale of 0 is taken from
// the format when the samples are of a fixed size (rate nAvgBytesPerSec, or
// for PCM nSamplesPerSec x nBlockAlign, scale dwSampleSize); a PCM format's
// nSamplesPerSec of 0 from the stream header (dwRate x dwSampleSize div
// (dwScale x nBlockAlign)), its nAvgBytesPerSec to match. False when the
// timing stays unknown.
bool RepairSoundRates(AudioStreamInfo* audio);
