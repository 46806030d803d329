// An open AVI (RIFF "AVI ") file: its main header, one video stream and at
// most one audio stream, and the chunk lookup of its "movi" list, with or
// without the idx1 index. Everything is read through the file's own
// CachedFileReader; the file is never written.
//
// OpenDML (AVI 2.0) files, the form of every file over 1 GiB, are read as
// well: the first RIFF "AVI " part is followed by RIFF "AVIX" parts with
// "movi" lists of their own, positions are 64-bit, and each stream may have
// an "indx" super index of "ix##" standard indexes, which is used instead of
// idx1 (idx1 covers the first part only). When it is missing or damaged the
// idx1 table serves, and chunks past its end or past any table are found by
// walking on through the "movi" lists of every part. AVI 1.0 files are read
// exactly as before.
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
#include <vector>

class CachedFileReader;
class OdmlIndex;
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
  // The same over bytes in memory, which must outlive the open file.
  bool Open(const uint8_t* data, size_t size, std::string* messages, bool useSecondaryAudio,
            int cacheSlots, bool allowIndex);
  void Close();

  bool GetVideoStreamInfo(VideoStreamInfo* info);
  bool GetAudioStreamInfo(AudioStreamInfo* info);

  // Reads frame n's chunk into the destination; bytes is the capacity in and
  // the size read out. True when exactly one frame was read (an empty chunk
  // reads as 0 bytes). A chunk larger than the capacity is not read: false,
  // with bytes its size.
  bool ReadVideoFrame(void* destination, int32_t frame, uint32_t* bytes);
  // Reads audio samples from a stream position; count and bytes are the
  // wanted count and the capacity in, what was read out. True when at least
  // one sample was read. Of a stream without a fixed sample size, a first
  // chunk larger than the capacity is not read: false, with bytes its size.
  bool ReadAudio(void* destination, int32_t position, int32_t* count, uint32_t* bytes);

  // Frame n's chunk is not there, or begins at or past the end of the file
  // (a file cut off, or a header that claims more frames than it holds). A
  // frame that fails to read for another reason is not past the data. Like a
  // read, it may move the video stream's cursors.
  bool IsPastVideoData(int32_t frame);

  // Keyframe search on the video stream (0 when nothing is found). Through
  // an OpenDML index: the nearest keyframe at or before (at or after) the
  // frame, the first and last frames included.
  int32_t PreviousKeyframe(int32_t frame);
  int32_t NextKeyframe(int32_t frame);

  // A table was loaded: the idx1 table or an OpenDML index.
  bool HasIndex() const;

  // The file is an OpenDML file ("odml" header, an "indx" or RIFF "AVIX"
  // parts); its number of RIFF parts (1 for AVI 1.0 files); whether the
  // selected video (or audio) stream is read through its OpenDML index.
  bool IsOpenDml() const { return openDml_; }
  int32_t PartCount() const { return static_cast<int32_t>(moviLists_.size()); }
  bool HasOpenDmlIndex(bool video) const;

  // The chunk of video frame n (or of audio chunk n) as the reads find it:
  // for inspection. Like a read, it may move the stream's lookup cursors.
  ChunkRef VideoChunk(int32_t frame);
  ChunkRef AudioChunk(int32_t n);

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
  bool OpenReaderContent(std::string* messages, bool useSecondaryAudio, bool allowIndex);
  bool OpenStructure(std::string* messages, bool useSecondaryAudio);
  bool SelectStream(const ChunkRef& hdrl, uint32_t type, int32_t which, StreamInfo* stream,
                    std::unique_ptr<uint8_t[]>* format, uint32_t* formatSize, ChunkRef* strl);
  bool NextStreamOfType(uint32_t type, ChunkRef* chunk, int32_t* number, StreamInfo* stream,
                        std::unique_ptr<uint8_t[]>* format, uint32_t* formatSize);
  bool ReadStreamHeader(const ChunkRef& strl, StreamInfo* stream);
  bool ReadStreamFormat(const ChunkRef& strl, std::unique_ptr<uint8_t[]>* format,
                        uint32_t* formatSize);
  void ResetStream(StreamInfo* stream, int32_t number);

  // OpenDML (avi_odml.cpp).
  bool DetectOpenDml(const ChunkRef& hdrl);
  void ReadOpenDmlHeader(const ChunkRef& hdrl);
  void FindParts();
  bool LoadOpenDmlIndex(const ChunkRef& strl, StreamInfo* stream, OdmlIndex* index);
  void LoadOpenDmlIndexes();
  void ComputeOpenDmlTotals(StreamInfo* stream);
  ChunkRef FirstChunkOfStream(uint32_t key);
  ChunkRef NextChunkOfStream(const ChunkRef& chunk, uint32_t key);
  bool WalksPastTables() const { return moviLists_.size() > 1; }
  ChunkRef TableChunk(const StreamInfo& stream, int32_t n) const;
  bool PlaceCursorByTable(int32_t position, StreamInfo* stream);
  int32_t TableKeyframeSearch(int32_t frame, int32_t direction);

  // The index and sample lookup (avi_index.cpp).
  bool LoadIndex();
  void CorrectIndexBase();
  // A sample of the played streams' entries leads to chunks of their own id
  // inside "movi" (index_check.cpp).
  bool IndexPointsAtItsChunks();
  void DropIndex();
  void ComputeTotals(StreamInfo* stream);
  void ComputeIdx1Totals(StreamInfo* stream);
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
  uint32_t indexBase_ = 0;  // idx1 offsets are 32-bit, and so is their arithmetic
  ChunkRef riff_;
  ChunkRef movi_;
  ChunkRef firstMoviChunk_;
  // OpenDML: the "movi" list of every RIFF part, the first one's included
  // (movi_ alone for AVI 1.0 files), the selected streams' "strl" lists and
  // indexes, and the "dmlh" frame count (0 without one).
  bool openDml_ = false;
  std::vector<ChunkRef> moviLists_;
  ChunkRef videoStrl_;
  ChunkRef audioStrl_;
  uint32_t dmlhTotalFrames_ = 0;
  std::unique_ptr<StreamInfo> videoStream_;
  std::unique_ptr<StreamInfo> audioStream_;
  std::unique_ptr<OdmlIndex> videoOdml_;
  std::unique_ptr<OdmlIndex> audioOdml_;
};
