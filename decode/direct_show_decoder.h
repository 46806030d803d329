// The Decoder of the program: opens the AVI file itself, builds a DirectShow
// graph from the program's source filter, the installed decompressors and
// the program's grabber filter, runs it, and then decodes one frame or one
// sound block at a time, synchronously, on the thread that asks.
//
// Locks: ReadVideoFrame holds the video lock and ReadAudioBlock the audio
// lock from start to end, so that both streams decode in parallel; neither
// is ever held while taking the other. Open, Close and DropAudio run on the
// user-interface thread while no playback thread reads.
#pragma once

#include "decode/com_ptr.h"
#include "decode/decoder.h"
#include "decode/decoder_context.h"
#include "decode/direct_show.h"
#include "decode/filter_chain.h"
#include "video/rgb24_to_yuy2.h"

#include <array>
#include <memory>
#include <functional>
#include <string>
#include <vector>

class AviFile;
class AviSplitterFilter;
class SampleGrabberFilter;

// What Open is given, from the options record.
struct DecoderOpenSettings {
  bool sixteenBit = true;          // not "Use 8 Bit Depth"
  bool stereoAllowed = true;       // not "Deny Stereo"
  bool fullRate = true;            // not "Half Sample Rate"
  bool useSecondaryAudio = false;  // "Use Secondary Audio Stream"
  int cacheSlots = 2;              // "File Cache Size" index + 2
  bool allowIndex = true;          // "Allow Using AVI Seeking Index"
  bool safeBackupMode = false;     // "Safe Video Backup Mode"
  // Options the user may switch while a file plays, asked at each use on the
  // reading threads; empty means off.
  std::function<bool()> highQuality;  // "High Quality (MMX)"
  bool disableAudio = false;       // "Disable Audio"
  std::function<bool()> autoSync;     // "Allow Auto Audio Synchronization"
  bool renderFullChains = false;   // "Render Full Chains of Filters"
  bool addToRot = false;           // "Add Grapth to ROT"
};

class DirectShowDecoder : public Decoder {
 public:
  DirectShowDecoder();
  ~DirectShowDecoder() override;

  // Appends its messages to the text; false when the video cannot be decoded.
  bool Open(const char* fileName, std::string* messages, const DecoderOpenSettings& settings);

  bool IsVideoOpen() override { return videoOpen_; }
  bool IsAudioOpen() override { return audioOpen_; }
  void DescribeVideoDecoders(char* text, size_t capacity) override;
  void DescribeAudioDecoders(char* text, size_t capacity) override;
  void Close() override;
  void GetVideoInfo(int32_t* width, int32_t* height, int32_t* frameCount, int32_t* rate,
                    int32_t* scale, int32_t* bitCount, int32_t* planes, int32_t* sampleSize,
                    uint32_t* totalBytes) override;
  void GetVideoSummary(int32_t* width, int32_t* height, int32_t* frameCount, int32_t* rate,
                       int32_t* scale, int32_t* codecGivesRgb) override;
  bool ReadVideoFrame(uint8_t* destination, int32_t frame) override;
  int32_t PreviousKeyframe(int32_t frame) override;
  int32_t NextKeyframe(int32_t frame) override;
  bool ShowVideoDecoderPages(HWND parent) override;
  bool ShowAudioDecoderPages(HWND parent) override;
  void GetAudioInfo(int32_t* channels, int32_t* bitsPerSample, int32_t* samplesPerSecond,
                    int32_t* sampleSize, uint32_t* totalBytes, int32_t* totalSamples) override;
  void GetAudioOutputFormat(uint8_t* stereo, uint8_t* sixteenBit, int32_t* samplesPerSecond,
                            int32_t* samplesPerBlock) override;
  bool ReadAudioBlock(uint8_t* destination, int32_t block) override;
  void DropAudio() override;
  void HasIndex(uint8_t* flag) override;
  int32_t VideoDataEnd() override;

  // For inspection by tests and the statistics: the graph and its parts
  // (no reference added; null while closed).
  IGraphBuilder* Graph() const { return graph_.Get(); }
  AviSplitterFilter* Source() const { return source_.Get(); }
  SampleGrabberFilter* Grabber() const { return grabber_.Get(); }
  const FilterChain& VideoChain() const { return videoChain_; }
  const FilterChain& AudioChain() const { return audioChain_; }
  bool IsRegisteredInRot() const { return rotRegistered_; }
  // The video path was connected again for RGB24, because the decompressor's
  // YUY2 output did not match what it agreed to.
  bool VideoReconnectedForRgb24() const { return reconnectedForRgb24_; }
  // Compressed video chunks pushed into the graph since the file opened.
  int32_t VideoChunksDelivered() const { return context_.videoChunksDelivered; }

 private:
  // Opening, step by step (direct_show_decoder_open.cpp).
  void OpenFile(const char* fileName, std::string* messages, const DecoderOpenSettings& settings);
  bool PrepareAudioOutput(const DecoderOpenSettings& settings);
  bool CreateGraph(bool addToRot);
  bool AddSourceFilter(ComPtr<IPin>* videoPin, ComPtr<IPin>* audioPin);
  void RenderFullChains(ComPtr<IPin>* videoPin, ComPtr<IPin>* audioPin);
  bool ConnectVideo(IPin* videoPin, std::string* messages);
  bool AllocateBackupFrame();
  void ConnectAudio(IPin* audioPin, const DecoderOpenSettings& settings, std::string* messages);
  bool InsertAcmWrapper();
  bool ConnectWithOwnConversion(IPin* audioPin);
  bool ConnectThroughWrapper(IBaseFilter* wrapper, IPin* upstream, IPin* grabberPin);
  void RemoveAudioRemnants();
  // Appends the failure to messages unless they are null.
  bool RunGraph(std::string* messages);
  void StopGraph();

  // The check of the sound chain (audio_output_check.cpp).
  void CheckAudioOutput(const DecoderOpenSettings& settings, std::string* messages);
  bool AudioChainDelivers();
  bool ConnectAudioCandidate(const std::vector<std::string>& failed,
                             const DecoderOpenSettings& settings);
  bool ConnectAudioThrough(IBaseFilter* filter, IPin* sourcePin, const DecoderOpenSettings& settings);

  // The check of the decompressor's YUY2 output (video_output_check.cpp).
  bool CheckVideoOutput(std::string* messages);
  bool ReconnectVideoForRgb24(std::string* messages);

  // Reading (video_frame_reader.cpp, audio_block_reader.cpp).
  int32_t FirstFrameToDeliver(int32_t frame);
  bool DeliverVideoFrame(int32_t frame, bool* targetHasData);
  void FinishVideoFrame(uint8_t* destination);
  void RepositionAudio(int32_t block);
  bool CheckAudioDrift();
  bool DeliverAudioUnits();
  bool DeliverAudioSample(IMediaSample* sample, uint32_t bytes, int32_t count);

  // Property pages and chain names (decoder_pages.cpp).
  static void AppendChainText(std::string* text, const FilterChain& chain);
  static bool ShowChainPages(const FilterChain& chain, HWND parent);

  uint32_t VideoFrameSize() const;

  std::unique_ptr<AviFile> file_;
  ComPtr<IGraphBuilder> graph_;
  DWORD rotCookie_ = 0;
  bool rotRegistered_ = false;
  ComPtr<AviSplitterFilter> source_;
  ComPtr<SampleGrabberFilter> grabber_;
  DecoderContext context_;  // stream descriptions, formats, locks, delivery state
  bool videoOpen_ = false;
  bool audioOpen_ = false;
  bool audioPresent_ = false;
  FilterChain videoChain_;
  FilterChain audioChain_;
  Rgb555ToYuy2Table conversionTable_;
  bool safeBackupMode_ = false;
  std::function<bool()> autoSync_;
  std::function<bool()> highQuality_;
  bool reconnectedForRgb24_ = false;
};
