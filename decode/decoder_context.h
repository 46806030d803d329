// The part of the DirectShowDecoder that its filters, pins and their COM
// objects share: the stream descriptions, the audio output format, the two
// locks and the delivery state of the frame or block being decoded.
//
// The video lock guards the video fields and both filters; the audio lock the
// audio fields. Both are re-entrant: a reading thread holds its lock while the
// decompressor calls back into the grabber on the same thread.
#pragma once

#include "decode/audio_block_math.h"
#include "decode/direct_show.h"
#include "media/avi_file.h"

#include <cstdint>
#include <memory>

// Decoded sound that arrived while less was wanted: kept for the next block.
struct OverflowBuffer {
  std::unique_ptr<uint8_t[]> data;
  int32_t readPosition = 0;
  int32_t fill = 0;
  int32_t capacity = 0;
};

class DecoderContext {
 public:
  DecoderContext();
  ~DecoderContext();
  DecoderContext(const DecoderContext&) = delete;
  DecoderContext& operator=(const DecoderContext&) = delete;

  // The formats inside the AviFile (not owned).
  const BITMAPINFOHEADER* VideoHeader() const;
  const WAVEFORMATEX* AudioFormat() const;
  // Width and the absolute height of the video, 0 without a format.
  int32_t VideoWidth() const;
  int32_t VideoHeight() const;

  // Copies the current received sample into the write pointer, as far as
  // bytes are wanted (audio lock held). True when anything was copied.
  bool DrainReceivedSample();
  // Copies what the overflow buffer holds, as far as bytes are wanted.
  void DrainOverflow();
  // The grabber's audio Receive: the sample goes to the caller's block when
  // it fits what is still wanted, else whole into the overflow buffer.
  void AcceptDecodedSound(const uint8_t* data, int32_t length);

  CRITICAL_SECTION videoLock;
  CRITICAL_SECTION audioLock;

  VideoStreamInfo video = {};
  AudioStreamInfo audio = {};
  int32_t codecGivesRgb = 0;  // set by the grabber's video pin
  AudioOutputFormat audioOutput;

  // Video delivery, under the video lock. The frame the decompressor writes
  // into: the caller's frame or the backup frame.
  uint8_t* destinationFrame = nullptr;
  int32_t nextFrame = -2;  // -2: nothing delivered since the graph was built
  // The frames before the first one found past the file's data: the frame
  // count until a read shows the file holds fewer.
  int32_t videoDataEnd = 0;
  std::unique_ptr<uint8_t[]> backupFrame;
  uint32_t backupFrameSize = 0;
  const uint8_t* lastReceivedFrame = nullptr;
  int32_t lastReceivedLength = 0;  // the grabber's last sample's data length
  int32_t videoChunksDelivered = 0;  // counted for inspection (tests, statistics)

  // Audio delivery, under the audio lock.
  int32_t nextBlock = -1;  // -1: nothing delivered yet
  const uint8_t* receivedPointer = nullptr;
  int32_t receivedReadPosition = 0;
  int32_t receivedLength = 0;
  int32_t audioPosition = 0;  // in stream units
  int64_t samplesProduced = 0;
  int32_t bytesPerOutputFrame = 0;
  int32_t bytesWanted = 0;
  uint8_t* writePointer = nullptr;
  OverflowBuffer overflow;
  int32_t unitsPerRead = 1;

 private:
  void CopyOut(const uint8_t* source, int32_t count);
};
