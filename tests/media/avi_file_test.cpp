#include <gtest/gtest.h>

#include "media/avi_file.h"
#include "media/avi_headers.h"
#include "media/stream_info.h"
#include "tests/common/test_paths.h"
#include "tests/media/media_test_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUnknown[] = "Unknown format, Velmora supports AVI (RIFF) formats only\n";
const char kNoSecondary[] = "Secondary audio stream not found\n";
const char kNoIndex[] = "Can't load indispensable index table\n";

std::string KeyText(uint32_t key) { return std::string(reinterpret_cast<const char*>(&key), 4); }

// Opens with the usual settings (first audio stream, 2 slots, index allowed).
bool OpenFile(AviFile* file, const std::string& path, std::string* messages,
              bool secondaryAudio = false, bool allowIndex = true) {
  return file->Open(path.c_str(), messages, secondaryAudio, 2, allowIndex);
}

// A hand-made AVI: the given hdrl children and "movi" chunks, no index.
std::vector<uint8_t> HandMadeAvi(const std::vector<std::vector<uint8_t>>& hdrlChildren,
                                 const std::vector<std::vector<uint8_t>>& moviChunks) {
  return RiffList("RIFF", "AVI ",
                  {RiffList("LIST", "hdrl", hdrlChildren), RiffList("LIST", "movi", moviChunks)});
}

std::vector<uint8_t> Avih(uint32_t flags) {
  std::vector<uint8_t> avih(56, 0);
  std::memcpy(avih.data() + 12, &flags, 4);
  return RiffChunk("avih", avih);
}

std::vector<uint8_t> Strl(const AviWriterStream& stream) {
  return RiffList("LIST", "strl", {RiffChunk("strh", stream.strh), RiffChunk("strf", stream.strf)});
}

const AviWriterStream& SmallVideo() {
  static const AviWriterStream video = VideoStream(Fourcc("cvid"), 32, 32, 24, 10, 1, 2);
  return video;
}

TEST(AviFileOpen, MissingFileGivesOnlyTheCantOpenMessage) {
  AviFile file;
  std::string messages = "earlier\n";
  const std::string path = ScratchPath("missing.avi");
  EXPECT_FALSE(OpenFile(&file, path, &messages));
  EXPECT_EQ(messages, "earlier\nCan't open  file " + path + "\n");
  EXPECT_FALSE(file.GetVideoStreamInfo(nullptr));
  EXPECT_FALSE(file.Open(path.c_str(), nullptr, false, 4, true)) << "no message text is fine";
}

TEST(AviFileOpen, FilesOfOtherFormatsAreRefused) {
  const std::vector<std::vector<uint8_t>> files = {
      {},                                                      // empty
      {'R', 'I', 'F', 'F'},                                    // cut in the first header
      std::vector<uint8_t>(5000, 'x'),                         // not RIFF
      RiffList("RIFF", "WAVE",                                 // a WAVE file
               {RiffChunk("fmt ", WaveFormatBytes(1, 1, 8000, 8000, 1, 8)),
                RiffChunk("data", std::vector<uint8_t>(800, 128))}),
      RiffList("LIST", "AVI ", {}),                            // a list, not a RIFF
      RiffList("RIFF", "AVI ", {}),                            // no hdrl
      HandMadeAvi({}, {RiffChunk("00dc", {1})}),               // no avih
      HandMadeAvi({Avih(0)}, {RiffChunk("00dc", {1})}),        // no stream
      HandMadeAvi({Avih(0), Strl(PcmStream(1, 8000, 8, 100))},  // sound only
                  {RiffChunk("00wb", {1})}),
      HandMadeAvi({Avih(0), RiffList("LIST", "strl", {RiffChunk("strh", SmallVideo().strh)})},
                  {RiffChunk("00dc", {1})}),  // video without a format
      HandMadeAvi({Avih(0), RiffList("LIST", "strl",
                                     {RiffChunk("strh", SmallVideo().strh), RiffChunk("strf", {})})},
                  {RiffChunk("00dc", {1})}),  // video with an empty format
      RiffList("RIFF", "AVI ", {RiffList("LIST", "hdrl", {Avih(0), Strl(SmallVideo())})}),  // no movi
  };
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string path = ScratchPath("other" + std::to_string(i) + ".avi");
    ASSERT_TRUE(WriteFileBytes(path, files[i]));
    AviFile file;
    std::string messages;
    EXPECT_FALSE(OpenFile(&file, path, &messages)) << "file " << i;
    EXPECT_EQ(messages, kUnknown) << "file " << i;
    EXPECT_FALSE(file.GetVideoStreamInfo(nullptr));
    EXPECT_EQ(ReadFileBytes(path), files[i]) << "the file was changed";
  }
}

TEST(AviFileOpen, HeadersCutAnywhereGiveTheUnknownFormatMessage) {
  TestClip clip = VideoAndPcmClip(5, 2, true);
  AviWriterLayout layout;
  const std::string whole = clip.Write("whole.avi", &layout);
  const std::vector<uint8_t> bytes = ReadFileBytes(whole);
  // The first "movi" chunk's header is the last thing opening needs.
  const uint64_t needed = layout.chunkDataPositions[0];
  for (uint64_t cut = 0; cut <= needed + 40; ++cut) {
    const std::string path = ScratchPath("cut.avi");
    ASSERT_TRUE(WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut)));
    AviFile file;
    std::string messages;
    const bool opened = OpenFile(&file, path, &messages);
    EXPECT_EQ(opened, cut >= needed) << "cut at " << cut;
    EXPECT_EQ(messages, opened ? "" : kUnknown) << "cut at " << cut;
  }
}

TEST(AviFileStreams, InfosDescribeTheSelectedStreams) {
  TestClip clip = VideoAndPcmClip(30, 5, true);
  const std::string path = clip.Write("infos.avi");
  AviFile file;
  std::string messages;
  ASSERT_TRUE(OpenFile(&file, path, &messages));
  VideoStreamInfo video;
  ASSERT_TRUE(file.GetVideoStreamInfo(&video));
  EXPECT_EQ(video.length, 30);
  EXPECT_EQ(video.rate, 15);
  EXPECT_EQ(video.scale, 1);
  EXPECT_EQ(video.sampleSize, 0);
  EXPECT_EQ(video.fccHandler, Fourcc("cvid"));
  ASSERT_EQ(video.formatSize, 40u);
  EXPECT_EQ(std::vector<uint8_t>(video.format, video.format + 40), clip.streams[0].strf);
  uint32_t total = 0, largest = 0;
  for (const std::vector<uint8_t>& frame : clip.Payloads(0)) {
    total += static_cast<uint32_t>(frame.size());
    largest = std::max(largest, static_cast<uint32_t>(frame.size()));
  }
  EXPECT_EQ(video.totalBytes, total);
  // The header suggests nothing (a compressed stream); the index raises it to
  // the largest chunk.
  EXPECT_EQ(video.bufferSize, largest);

  AudioStreamInfo audio;
  ASSERT_TRUE(file.GetAudioStreamInfo(&audio));
  EXPECT_EQ(audio.sampleSize, 4);
  EXPECT_EQ(audio.rate, 44100);
  EXPECT_EQ(audio.scale, 4);
  EXPECT_EQ(audio.totalBytes, clip.JoinedPayloads(1).size());
  EXPECT_EQ(audio.length, static_cast<int32_t>(clip.JoinedPayloads(1).size() / 4));
  ASSERT_EQ(audio.formatSize, 18u);
  EXPECT_EQ(std::vector<uint8_t>(audio.format, audio.format + 18), clip.streams[1].strf);
  EXPECT_EQ(KeyText(file.VideoStream().streamKey), "00cs");
  EXPECT_EQ(KeyText(file.AudioStream().streamKey), "01cs");
}

TEST(AviFileStreams, SecondaryAudioStreamIsTakenWhenAsked) {
  TestClip clip = VideoAndPcmClip(10, 1, true);
  clip.streams.push_back(PcmStream(1, 8000, 8, 10 * 50));
  for (int32_t f = 0; f < 10; ++f) clip.chunks.emplace_back(2, "wb", true, Payload(500 + f, 50));
  const std::string path = clip.Write("two-sounds.avi");

  AviFile file;
  std::string messages;
  ASSERT_TRUE(OpenFile(&file, path, &messages, true));
  EXPECT_EQ(messages, "");
  AudioStreamInfo audio;
  ASSERT_TRUE(file.GetAudioStreamInfo(&audio));
  EXPECT_EQ(audio.sampleSize, 1);
  EXPECT_EQ(KeyText(file.AudioStream().streamKey), "02cs");
  int32_t count = 500;
  std::vector<uint8_t> sound(500);
  uint32_t bytes = 500;
  ASSERT_TRUE(file.ReadAudio(sound.data(), 0, &count, &bytes));
  EXPECT_EQ(sound, clip.JoinedPayloads(2));

  ASSERT_TRUE(OpenFile(&file, path, &messages, false));
  EXPECT_EQ(KeyText(file.AudioStream().streamKey), "01cs");
}

TEST(AviFileStreams, MissingSecondaryAudioStreamOpensWithoutSound) {
  const std::string path = VideoAndPcmClip(4, 1, true).Write("one-sound.avi");
  AviFile file;
  std::string messages;
  ASSERT_TRUE(OpenFile(&file, path, &messages, true));
  EXPECT_EQ(messages, kNoSecondary);
  EXPECT_FALSE(file.GetAudioStreamInfo(nullptr));
  int32_t count = 10;
  uint32_t bytes = 40;
  uint8_t sound[40];
  EXPECT_FALSE(file.ReadAudio(sound, 0, &count, &bytes));
  bool ok;
  ReadFrame(&file, 2, &ok);
  EXPECT_TRUE(ok);

  const std::string silent = VideoAndPcmClip(4, 1, false).Write("silent.avi");
  messages.clear();
  ASSERT_TRUE(OpenFile(&file, silent, &messages, false));
  EXPECT_EQ(messages, "") << "a file without sound is no error";
  EXPECT_FALSE(file.GetAudioStreamInfo(nullptr));
}

TEST(AviFileStreams, VideoStreamListedSecondGetsKey01) {
  TestClip clip;
  clip.streams = {PcmStream(1, 8000, 8, 40), VideoStream(Fourcc("cvid"), 16, 16, 24, 10, 1, 4)};
  for (int32_t f = 0; f < 4; ++f) {
    clip.chunks.emplace_back(0, "wb", true, Payload(900 + f, 10));
    clip.chunks.emplace_back(1, f % 2 == 0 ? "dc" : "db", true, Payload(f, 30 + f));
  }
  for (const bool index : {true, false}) {
    clip.options.writeIndex = index;
    const std::string path = clip.Write("video-second.avi");
    AviFile file;
    std::string messages;
    ASSERT_TRUE(OpenFile(&file, path, &messages));
    EXPECT_EQ(KeyText(file.VideoStream().streamKey), "01cs");
    EXPECT_EQ(KeyText(file.AudioStream().streamKey), "00cs");
    for (int32_t f = 0; f < 4; ++f) {
      bool ok;
      EXPECT_EQ(ReadFrame(&file, f, &ok), Payload(f, 30 + f)) << "frame " << f << " index " << index;
    }
    EXPECT_EQ(ReadSound(&file, 0, 40), clip.JoinedPayloads(0));
  }
}

TEST(AviFileStreams, StreamListsWithoutUsableFormatDoNotCount) {
  // strl 0: video without strf; strl 1: JUNK-separated sound; strl 2: the
  // video that is taken. Stream numbers still count every strl.
  std::vector<uint8_t> noFormat = RiffList("LIST", "strl", {RiffChunk("strh", SmallVideo().strh)});
  const std::string path = ScratchPath("unusable.avi");
  ASSERT_TRUE(WriteFileBytes(
      path, HandMadeAvi({Avih(0), noFormat, RiffChunk("JUNK", {0, 0, 0}), Strl(PcmStream(1, 8000, 8, 4)),
                         Strl(SmallVideo())},
                        {RiffChunk("01wb", {1, 2, 3, 4}), RiffChunk("02dc", {5, 6})})));
  AviFile file;
  std::string messages;
  ASSERT_TRUE(OpenFile(&file, path, &messages));
  EXPECT_EQ(KeyText(file.VideoStream().streamKey), "02cs");
  EXPECT_EQ(KeyText(file.AudioStream().streamKey), "01cs");
  bool ok;
  EXPECT_EQ(ReadFrame(&file, 0, &ok), (std::vector<uint8_t>{5, 6}));
  EXPECT_EQ(ReadSound(&file, 0, 4), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(AviFileHeaders, LongHeadersAreCutAndShortOnesLeaveZeros) {
  // A strh of 80 bytes and an avih of 60; then a strh of 40 bytes (ending
  // with dwLength) and an avih of 16 (ending with dwFlags).
  std::vector<uint8_t> longStrh = SmallVideo().strh;
  longStrh.resize(80, 0xAB);
  std::vector<uint8_t> longAvih(60, 0);
  longAvih[12] = 0x10;
  longAvih[56] = 0xCD;
  const std::string path = ScratchPath("long-headers.avi");
  ASSERT_TRUE(WriteFileBytes(path, HandMadeAvi({RiffChunk("avih", longAvih),
                                                RiffList("LIST", "strl", {RiffChunk("strh", longStrh),
                                                                          RiffChunk("strf", SmallVideo().strf)})},
                                               {RiffChunk("00dc", {1})})));
  AviFile file;
  std::string messages;
  ASSERT_TRUE(OpenFile(&file, path, &messages));
  EXPECT_EQ(file.MainHeader().dwFlags, 0x10u);
  EXPECT_EQ(file.VideoStream().header.dwLength, 2u);
  EXPECT_EQ(file.VideoStream().header.rcFrame[8], 0xAB) << "bytes 56 to 63 of the strh are kept";

  std::vector<uint8_t> shortStrh(SmallVideo().strh.begin(), SmallVideo().strh.begin() + 40);
  std::vector<uint8_t> shortAvih(longAvih.begin(), longAvih.begin() + 16);
  const std::string shortPath = ScratchPath("short-headers.avi");
  ASSERT_TRUE(WriteFileBytes(shortPath, HandMadeAvi({RiffChunk("avih", shortAvih),
                                                RiffList("LIST", "strl", {RiffChunk("strh", shortStrh),
                                                                          RiffChunk("strf", SmallVideo().strf)})},
                                               {RiffChunk("00dc", {1})})));
  ASSERT_TRUE(OpenFile(&file, shortPath, &messages));
  EXPECT_EQ(file.MainHeader().dwFlags, 0x10u);
  EXPECT_EQ(file.MainHeader().dwWidth, 0u);
  EXPECT_EQ(file.VideoStream().header.dwLength, 2u);
  EXPECT_EQ(file.VideoStream().header.dwQuality, 0u);
  VideoStreamInfo info;
  ASSERT_TRUE(file.GetVideoStreamInfo(&info));
  EXPECT_EQ(info.bufferSize, 65536u) << "no index and no suggested size";

  // An outsized strf (3 MiB) is kept up to 1 MiB.
  std::vector<uint8_t> hugeStrf = SmallVideo().strf;
  hugeStrf.resize(3u << 20, 0x5A);
  const std::string hugePath = ScratchPath("huge-strf.avi");
  ASSERT_TRUE(WriteFileBytes(hugePath, HandMadeAvi({RiffChunk("avih", longAvih),
                                                    RiffList("LIST", "strl", {RiffChunk("strh", longStrh),
                                                                              RiffChunk("strf", hugeStrf)})},
                                                   {RiffChunk("00dc", {1})})));
  ASSERT_TRUE(OpenFile(&file, hugePath, &messages));
  ASSERT_TRUE(file.GetVideoStreamInfo(&info));
  EXPECT_EQ(info.formatSize, 1u << 20);
  EXPECT_EQ(info.format[(1u << 20) - 1], 0x5A);
}

TEST(AviFileHeaders, CompressedVideoWithAnOversizedSampleSizeHasVariableSamples) {
  for (const uint32_t compression : {Fourcc("cvid"), 0u}) {
    AviWriterStream video = VideoStream(compression, 8, 8, 24, 10, 1, 3);
    StreamHeaderFields fields;
    fields.length = 3;
    fields.suggestedBufferSize = 100;
    fields.sampleSize = 192;  // one RGB frame
    video.strh = StreamHeaderBytes(fields);
    TestClip clip;
    clip.streams = {video};
    for (int32_t f = 0; f < 3; ++f) clip.chunks.emplace_back(0, "db", f == 0, Payload(f, 192));
    const std::string path = clip.Write("sample-size.avi");
    AviFile file;
    std::string messages;
    ASSERT_TRUE(OpenFile(&file, path, &messages));
    VideoStreamInfo info;
    ASSERT_TRUE(file.GetVideoStreamInfo(&info));
    EXPECT_EQ(info.sampleSize, compression == 0 ? 192 : 0);
    // Either way each frame reads as its chunk; fixed-size frames are their own keyframes.
    for (int32_t f = 0; f < 3; ++f) {
      bool ok;
      EXPECT_EQ(ReadFrame(&file, f, &ok), Payload(f, 192)) << f;
    }
    EXPECT_EQ(file.PreviousKeyframe(2), compression == 0 ? 2 : 0);
  }
}

TEST(AviFileIndexOption, TableIsLoadedWhenAnnouncedAndAllowedAndDemandedOnlyThen) {
  TestClip clip = VideoAndPcmClip(6, 2, true);
  clip.options.avihFlags = AVIF_HASINDEX | AVIF_MUSTUSEINDEX;
  clip.options.writeIndex = false;
  const std::string path = clip.Write("must-use.avi");
  AviFile file;
  std::string messages;
  EXPECT_FALSE(OpenFile(&file, path, &messages));
  EXPECT_EQ(messages, kNoIndex);
  EXPECT_FALSE(file.GetVideoStreamInfo(nullptr));

  messages.clear();
  ASSERT_TRUE(OpenFile(&file, path, &messages, false, false)) << "the index option is off";
  EXPECT_EQ(messages, "");

  clip.options.avihFlags = AVIF_MUSTUSEINDEX;  // without AVIF_HASINDEX nothing is demanded
  ASSERT_TRUE(OpenFile(&file, clip.Write("must-use.avi"), &messages));
  EXPECT_FALSE(file.HasIndex());

  clip.options.avihFlags = AVIF_HASINDEX | AVIF_MUSTUSEINDEX;
  clip.options.writeIndex = true;
  const std::string indexed = clip.Write("must-use.avi");
  ASSERT_TRUE(OpenFile(&file, indexed, &messages));
  EXPECT_TRUE(file.HasIndex());
  EXPECT_EQ(file.IndexEntryCount(), 12);
  EXPECT_EQ(messages, "");
  ASSERT_TRUE(OpenFile(&file, indexed, &messages, false, false));
  EXPECT_FALSE(file.HasIndex()) << "the table is not loaded with the option off";
}

TEST(AviFileLifecycle, CloseAndFailedOpensLeaveNothingBehind) {
  const std::string good = VideoAndPcmClip(6, 2, true).Write("good.avi");
  const std::string bad = ScratchPath("bad.avi");
  ASSERT_TRUE(WriteFileBytes(bad, std::vector<uint8_t>(100, 'R')));
  AviFile file;
  std::string messages;
  ASSERT_TRUE(OpenFile(&file, good, &messages));
  file.Close();
  file.Close();
  bool ok;
  ReadFrame(&file, 0, &ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(file.HasIndex());
  EXPECT_FALSE(file.GetAudioStreamInfo(nullptr));
  EXPECT_EQ(file.NextKeyframe(2), 0);

  ASSERT_TRUE(OpenFile(&file, good, &messages));
  EXPECT_FALSE(OpenFile(&file, bad, &messages));
  EXPECT_FALSE(file.GetVideoStreamInfo(nullptr));
  EXPECT_FALSE(file.HasIndex());
  ReadFrame(&file, 0, &ok);
  EXPECT_FALSE(ok);

  ASSERT_TRUE(OpenFile(&file, good, &messages));
  EXPECT_EQ(ReadFrame(&file, 1, &ok), Payload(1, FrameSize(1)));
}

}  // namespace
