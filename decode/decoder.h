// The decoding interface that the playback engine, the sound output and the
// shell see. A decoder opens one file, describes its streams and, on request,
// decodes one video frame or one sound block into a buffer the caller owns,
// synchronously on the caller's thread.
//
// Video frames come out as packed YUY2 (Y0 U Y1 V per pixel pair), top row
// first, rows of 2 x width bytes rounded up to a multiple of 4. Sound blocks
// come out as interleaved PCM in the format of GetAudioOutputFormat, exactly
// one block's worth of sample frames; block n starts at output sample frame
// n x samples per block.
//
// ReadVideoFrame is called from one playback thread and ReadAudioBlock from
// another at the same time; everything else runs on the user-interface thread
// while no playback thread reads. Out-parameters are pointers that may be null.
// The slot order below is part of the contract.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

class Decoder {
 public:
  virtual ~Decoder() {}

  virtual bool IsVideoOpen() = 0;
  virtual bool IsAudioOpen() = 0;
  // Append the decompressor chain's names to a text the caller has cleared.
  virtual void DescribeVideoDecoders(char* text, size_t capacity) = 0;
  virtual void DescribeAudioDecoders(char* text, size_t capacity) = 0;
  virtual void Close() = 0;
  // Nothing is written unless video is open; height is always positive.
  virtual void GetVideoInfo(int32_t* width, int32_t* height, int32_t* frameCount, int32_t* rate,
                            int32_t* scale, int32_t* bitCount, int32_t* planes,
                            int32_t* sampleSize, uint32_t* totalBytes) = 0;
  // The flag (written whenever its pointer is not null) says that the
  // decompressor gives RGB24, converted to YUY2 in software.
  virtual void GetVideoSummary(int32_t* width, int32_t* height, int32_t* frameCount,
                               int32_t* rate, int32_t* scale, int32_t* codecGivesRgb) = 0;
  // False for a frame out of range, a failed read or decode, and an empty
  // chunk (a repeated picture).
  virtual bool ReadVideoFrame(uint8_t* destination, int32_t frame) = 0;
  virtual int32_t PreviousKeyframe(int32_t frame) = 0;
  virtual int32_t NextKeyframe(int32_t frame) = 0;
  virtual bool ShowVideoDecoderPages(HWND parent) = 0;
  virtual bool ShowAudioDecoderPages(HWND parent) = 0;
  // The file's own sound format; every given pointer receives 0 without sound.
  virtual void GetAudioInfo(int32_t* channels, int32_t* bitsPerSample, int32_t* samplesPerSecond,
                            int32_t* sampleSize, uint32_t* totalBytes,
                            int32_t* totalSamples) = 0;
  // The decoded blocks' format; nothing is written unless audio is open.
  virtual void GetAudioOutputFormat(uint8_t* stereo, uint8_t* sixteenBit,
                                    int32_t* samplesPerSecond, int32_t* samplesPerBlock) = 0;
  virtual bool ReadAudioBlock(uint8_t* destination, int32_t block) = 0;
  // Gives the sound up for good.
  virtual void DropAudio() = 0;
  // Writes whether the file's index table was loaded (seeking needs it).
  virtual void HasIndex(uint8_t* flag) = 0;
  // The number of frames the file's data holds as far as reading has found:
  // the frame count until a read meets the end of the data (a file cut off,
  // or a header that claims more frames), then the first frame past it.
  // Called by the video feeder.
  virtual int32_t VideoDataEnd() = 0;
};
