// The arithmetic of decoded sound blocks: the output format derived from the
// file and the "Audio Format" options, how many stream units one read takes,
// where a block starts in the stream, and the drift check of automatic audio
// synchronisation. All 64-bit where products can overflow; nothing divides
// by a rate, scale or size that a damaged or variable-rate file leaves at 0.
#pragma once

#include <cstdint>

// The highest sample rate taken from a file.
constexpr int64_t kMaxSampleRate = 768000;

// The format of the decoded sound blocks.
struct AudioOutputFormat {
  uint8_t stereo = 0;
  uint8_t sixteenBit = 0;
  int32_t samplesPerBlock = 0;  // at the source rate
  int32_t outputSamplesPerBlock = 0;
  int32_t outputSamplesPerSecond = 0;
  int32_t outputBytesPerBlock = 0;
};

// What the output format is derived from.
struct AudioSourceFacts {
  int32_t sourceRate = 0;  // nSamplesPerSec
  int32_t channels = 0;    // nChannels
  int32_t videoRate = 0;   // the video's dwRate, dwScale and dwLength
  int32_t videoScale = 0;
  int32_t videoLength = 0;
  int32_t sampleSize = 0;  // the audio's dwSampleSize
  uint32_t totalBytes = 0; // the audio's chunk sizes summed
};

// About two video frames of sound per block, in a multiple of 4 samples, at
// most one second; halved with "Half Sample Rate" (fullRate false). False
// when the stream gives no usable rate (the sound cannot be played).
bool ComputeAudioOutputFormat(const AudioSourceFacts& facts, bool sixteenBit, bool stereoAllowed,
                              bool fullRate, AudioOutputFormat* format);

// Bytes of one output sample frame (1, 2 or 4).
int32_t BytesPerOutputFrame(const AudioOutputFormat& format);

// Stream units per read: one chunk for variable-size samples, else the units
// the file's data holds per block measured over the video's duration; at
// least 1.
int32_t UnitsPerRead(const AudioSourceFacts& facts, int32_t samplesPerBlock);

// The stream position, in the stream's units, at which block n's sound starts.
int32_t AudioStreamPosition(int32_t block, int32_t samplesPerBlock, int32_t audioRate,
                            int32_t sourceRate, int32_t audioScale);

// True for the blocks at which the drift check runs: every ten seconds.
bool IsDriftCheckBlock(int32_t block, int32_t sourceRate, int32_t samplesPerBlock);

// Decoded and read positions, in milliseconds, for the drift check.
int64_t DecodedMilliseconds(int64_t bufferedBytes, int32_t bytesPerOutputFrame,
                            int64_t samplesProduced, int32_t outputSamplesPerSecond);
int64_t SourceMilliseconds(int32_t audioPosition, int32_t audioScale, int32_t audioRate);

// More than 200 ms apart: the stream is repositioned.
constexpr int64_t kMaxDriftMilliseconds = 200;
