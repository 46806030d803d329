// An open AVI (RIFF "AVI ") file: its main header, one video stream and at
// most one audio stream, and the chunk lookup of its "movi" list, with or
// without the idx1 index. Everything is read through the file's own
// CachedFileReader; the file is never written.
//
// Opening problems are appended to the caller's message text, one line each,
// exactly as the user will see them under "Opening troubles".
//
// Threads: ReadVideoFrame and ReadAudio may run at the same time on two
// threads (each moves only its own stream's cursors; the reader is shared and
// locks itself). The keyframe searches move the video stream's cursors, like
// ReadVideoFrame: callers keep those two on one side (the decoder's video
// lock). Open and Close must not overlap any other call.
#pragma once

#include "media/chunk_ref.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CachedFileReader;
struct AviIndexEntry;
struct MainAviHeader;
struct StreamInfo;

// What the decoding graph takes from the video stream.
struct VideoStreamInfo {
  int32_t sampleSize;      // dwSampleSize
  int32_t length;          // dwLength, in frames
  int32_t rate;            // dwRate
  int32_t scale;           // dwScale
  const uint8_t* format;   // the "strf" data: a BITMAPINFOHEADER and what follows
  uint32_t formatSize;
  uint32_t fccHandler;
  uint32_t bufferSize;     // the larger of dwSuggestedBufferSize and dwSampleSize
  uint32_t totalBytes;     // sum of the stream's chunk sizes in the index, 0 without
};

// What the decoding graph takes from the audio stream.
struct AudioStreamInfo {
  int32_t rate;
  int32_t scale;
  int32_t length;
  uint8_t* format;         // the "strf" data: a WAVEFORMATEX and what follows (owned by the file;
                           // the decoder may repair its cbSize in place)
  uint32_t formatSize;
  uint32_t bufferSize;
  int32_t sampleSize;
  uint32_t totalBytes;
};

class AviFile {
 public:
  AviFile();
  ~AviFile();
  AviFile(const AviFile&) = delete;
  AviFile& operator=(const AviFile&) = delete;

  // Opens the file with the reader's cache of cacheSlots blocks; takes the
  // second audio stream when useSecondaryAudio is set, and loads the idx1
  // index when the header announces one and allowIndex is set.
  bool Open(const char* path, std::string* messages, bool useSecondaryAudio, int cacheSlots,
            bool allowIndex);
  void Close();

  bool GetVideoStreamInfo(VideoStreamInfo* info);
  bool GetAudioStreamInfo(AudioStreamInfo* info);

  // Reads frame n's chunk into the destination; bytes is the capacity in and
  // the size read out. True when exactly one frame was read (an empty chunk
  // reads as 0 bytes).
  bool ReadVideoFrame(void* destination, int32_t frame, uint32_t* bytes);
  // Reads audio samples from a stream position; count and bytes are the
  // wanted count and the capacity in, what was read out. True when at least
  // one sample was read.
  bool ReadAudio(void* destination, int32_t position, int32_t* count, uint32_t* bytes);

  // Keyframe search on the video stream (0 when nothing is found).
  int32_t PreviousKeyframe(int32_t frame);
  int32_t NextKeyframe(int32_t frame);

  // The idx1 table was loaded.
  bool HasIndex() const;

  // For inspection (tests, statistics): the main header and the selected
  // streams' records, with their cursors; the audio one is meaningful only
  // while GetAudioStreamInfo succeeds.
  const MainAviHeader& MainHeader() const { return *mainHeader_; }
  const StreamInfo& VideoStream() const { return *videoStream_; }
  const StreamInfo& AudioStream() const { return *audioStream_; }
  // Added to an idx1 offset, it gives the chunk's data position.
  uint32_t IndexBase() const { return indexBase_; }
  int32_t IndexEntryCount() const { return indexEntryCount_; }

 private:
  // Opening (avi_file.cpp).
  bool OpenStructure(std::string* messages, bool useSecondaryAudio);
  bool SelectStream(const ChunkRef& hdrl, uint32_t type, int32_t which, StreamInfo* stream,
                    std::unique_ptr<uint8_t[]>* format, uint32_t* formatSize);
  bool NextStreamOfType(uint32_t type, ChunkRef* chunk, int32_t* number, StreamInfo* stream,
                        std::unique_ptr<uint8_t[]>* format, uint32_t* formatSize);
  bool ReadStreamHeader(const ChunkRef& strl, StreamInfo* stream);
  bool ReadStreamFormat(const ChunkRef& strl, std::unique_ptr<uint8_t[]>* format,
                        uint32_t* formatSize);
  void ResetStream(StreamInfo* stream, int32_t number);

  // The index and sample lookup (avi_index.cpp).
  bool LoadIndex();
  void CorrectIndexBase();
  // A sample of the played streams' entries leads to chunks of their own id
  // inside "movi" (index_check.cpp).
  bool IndexPointsAtItsChunks();
  void DropIndex();
  void ComputeTotals(StreamInfo* stream);
  ChunkRef IndexLookup(uint32_t key, int32_t n, StreamInfo* stream);
  ChunkRef ChunkOfSample(uint32_t key, int32_t n, StreamInfo* stream);
  void ReadSamples(uint8_t* destination, int32_t position, int32_t* count, uint32_t* bytes,
                   StreamInfo* stream);
  void ReadVariableSizeSamples(uint8_t* destination, int32_t position, int32_t wanted,
                               uint32_t capacity, int32_t* count, uint32_t* bytes,
                               StreamInfo* stream);
  void ReadFixedSizeSamples(uint8_t* destination, int32_t position, int32_t wanted,
                            uint32_t capacity, int32_t* count, uint32_t* bytes,
                            StreamInfo* stream);
  int32_t KeyframeSearch(int32_t frame, int32_t direction);

  std::unique_ptr<uint8_t[]> videoFormat_;
  uint32_t videoFormatSize_ = 0;
  std::unique_ptr<uint8_t[]> audioFormat_;  // null when the file plays without sound
  uint32_t audioFormatSize_ = 0;
  std::unique_ptr<MainAviHeader> mainHeader_;
  std::unique_ptr<CachedFileReader> reader_;
  std::unique_ptr<AviIndexEntry[]> indexTable_;
  int32_t indexEntryCount_ = 0;
  bool useIndex_ = false;
  bool mustUseIndex_ = false;
  uint32_t indexBase_ = 0;
  ChunkRef riff_;
  ChunkRef movi_;
  ChunkRef firstMoviChunk_;
  std::unique_ptr<StreamInfo> videoStream_;
  std::unique_ptr<StreamInfo> audioStream_;
};
