// The process-wide owner of the open file's decoder.
//
// Open creates a decoder, opens the file with the settings of the options
// record, shows the collected opening messages once under "Opening troubles"
// and keeps the decoder while the file is open. Every other operation forwards
// to the current decoder and, when there is none, answers false or 0 and
// writes nothing (a caller's text is cleared).
#pragma once

#include "decode/decoder.h"

#include <cstddef>
#include <cstdint>
#include <string>

class DecoderHolder {
 public:
  // Creates a decoder and opens the file with the options; messages are
  // appended to the text. Returns the decoder (even when opening failed, so
  // that the holder can release it) and whether it opened.
  typedef Decoder* (*OpenFunction)(const char* fileName, std::string* messages, bool* opened);

  // The shown text is cut to the 1,024-byte message buffer.
  static constexpr size_t kMessageCapacity = 1024;

  DecoderHolder();
  ~DecoderHolder();
  DecoderHolder(const DecoderHolder&) = delete;
  DecoderHolder& operator=(const DecoderHolder&) = delete;

  bool Open(const char* fileName);
  void Release();
  Decoder* Current() const { return decoder_; }

  // IsAudioOpen of the decoder, and "Disable Audio" off.
  bool AudioPlays();
  // The output format and the output bytes per block.
  bool AudioFormat(uint8_t* stereo, uint8_t* sixteenBit, int32_t* samplesPerSecond,
                   int32_t* samplesPerBlock, int32_t* bytesPerBlock);

  bool IsVideoOpen();
  bool IsAudioOpen();
  void DescribeVideoDecoders(char* text, size_t capacity);
  void DescribeAudioDecoders(char* text, size_t capacity);
  void GetVideoInfo(int32_t* width, int32_t* height, int32_t* frameCount, int32_t* rate,
                    int32_t* scale, int32_t* bitCount, int32_t* planes, int32_t* sampleSize,
                    uint32_t* totalBytes);
  void GetVideoSummary(int32_t* width, int32_t* height, int32_t* frameCount, int32_t* rate,
                       int32_t* scale, int32_t* codecGivesRgb);
  bool ReadVideoFrame(uint8_t* destination, int32_t frame);
  int32_t PreviousKeyframe(int32_t frame);
  int32_t NextKeyframe(int32_t frame);
  bool ShowVideoDecoderPages(HWND parent);
  bool ShowAudioDecoderPages(HWND parent);
  void GetAudioInfo(int32_t* channels, int32_t* bitsPerSample, int32_t* samplesPerSecond,
                    int32_t* sampleSize, uint32_t* totalBytes, int32_t* totalSamples);
  void GetAudioOutputFormat(uint8_t* stereo, uint8_t* sixteenBit, int32_t* samplesPerSecond,
                            int32_t* samplesPerBlock);
  bool ReadAudioBlock(uint8_t* destination, int32_t block);
  void DropAudio();
  void HasIndex(uint8_t* flag);

  // The function Open uses; the Windows build starts with the DirectShow
  // decoder, tests install their own. Returns the previous one.
  static OpenFunction SetOpenFunction(OpenFunction function);

  // Where the "Opening troubles" box finds its owner window: the Windows
  // build names the main window; without one the box has no owner.
  typedef HWND (*OwnerFunction)();
  static OwnerFunction SetOwnerFunction(OwnerFunction function);

 private:
  Decoder* decoder_ = nullptr;
};

// The holder of the application, created at start-up.
extern DecoderHolder* g_decoderHolder;
