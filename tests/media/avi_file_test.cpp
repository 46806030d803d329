#include "tests/media/media_test_support.h"

namespace {

const char kNoSecondary[] = "Secondary audio stream not found\n";

// A plain chunk (with its pad byte when the size is odd), and a "RIFF" or
// "LIST" around the given children.
std::vector<uint8_t> RiffChunk(const char* id, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk(id, id + 4);
  for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<uint8_t>(data.size() >> (8 * i)));
  chunk.insert(chunk.end(), data.begin(), data.end());
  if (data.size() % 2 != 0) chunk.push_back(0);
  return chunk;
}

std::vector<uint8_t> RiffList(const char* kind, const char* type, const std::vector<std::vector<uint8_t>>& children) {
  std::vector<uint8_t> body(type, type + 4);
  for (const std::vector<uint8_t>& child : children) body.insert(body.end(), child.begin(), child.end());
  return RiffChunk(kind, body);
}

std::string KeyText(uint32_t key) { return std::string(reinterpret_cast<const char*>(&key), 4); }

// A hand-made AVI: the given hdrl children and "movi" chunks, no index.
std::vector<uint8_t> HandMadeAvi(const std::vector<std::vector<uint8_t>>& hdrlChildren,
                                 const std::vector<std::vector<uint8_t>>& moviChunks = {
                                     RiffChunk("00dc", {1})}) {
  return RiffList("RIFF", "AVI ",
                  {RiffList("LIST", "hdrl", hdrlChildren), RiffList("LIST", "movi", moviChunks)});
}

const std::vector<uint8_t> kAvih = RiffChunk("avih", std::vector<uint8_t>(56));
const AviWriterStream kSmallVideo = VideoStream(Fourcc("cvid"), 32, 32, 24, 10, 1, 2);

// A stream list; without the format when asked.
std::vector<uint8_t> Strl(const AviWriterStream& stream, bool withFormat = true) {
  std::vector<std::vector<uint8_t>> children = {RiffChunk("strh", stream.strh)};
  if (withFormat) children.push_back(RiffChunk("strf", stream.strf));
  return RiffList("LIST", "strl", children);
}

// A missing file and files of other formats: only the reader's message is
// added to the earlier ones, nothing is left open (of the file open before)
// and the file is left as it was.
TEST(AviFileOpen, MissingFilesAndFilesOfOtherFormatsAreRefused) {
  const std::vector<std::vector<uint8_t>> files = {
      {},                                                      // empty
      {'R', 'I', 'F', 'F'},                                    // cut in the first header
      std::vector<uint8_t>(5000, 'x'),                         // not RIFF
      RiffList("RIFF", "WAVE",                                 // a WAVE file
               {RiffChunk("fmt ", WaveFormatBytes(1, 1, 8000, 8000, 1, 8)),
                RiffChunk("data", std::vector<uint8_t>(800, 128))}),
      RiffList("LIST", "AVI ", {}),                            // a list, not a RIFF
      RiffList("RIFF", "AVI ", {}),                            // no hdrl
      HandMadeAvi({}),                                         // no avih
      HandMadeAvi({kAvih}),                                    // no stream
      HandMadeAvi({kAvih, Strl(PcmStream(1, 8000, 8, 100))}),  // sound only
      HandMadeAvi({kAvih, Strl(kSmallVideo, false)}),          // video without a format
      HandMadeAvi({kAvih, Strl({kSmallVideo.strh, {}})}),      // video with an empty format
      RiffList("RIFF", "AVI ", {RiffList("LIST", "hdrl", {kAvih, Strl(kSmallVideo)})}),  // no movi
  };
  const std::string good = VideoAndPcmClip(6, 2, true).Write("good.avi");
  AviFile file;
  for (size_t i = 0; i <= files.size(); ++i) {
    SCOPED_TRACE(i);
    const bool missing = i == files.size();
    const std::string path = missing ? ScratchPath("missing.avi")
                                     : WriteWholeFile(ScratchPath("other" + std::to_string(i) + ".avi"), files[i]);
    ASSERT_TRUE(OpenFile(&file, good, true));  // a failed open closes it
    std::string messages = "earlier\n";
    EXPECT_FALSE(file.Open(path.c_str(), &messages, false, 2, true));
    EXPECT_EQ(messages, "earlier\n" + (missing ? "Can't open  file " + path + "\n" : kUnknownFormat));
    EXPECT_FALSE(file.GetVideoStreamInfo(nullptr) || file.HasIndex() || Readable(&file, 0));
    EXPECT_FALSE(file.Open(path.c_str(), nullptr, false, 4, true)) << "no message text is fine";
    if (!missing) { EXPECT_EQ(ReadFileBytes(path), files[i]) << "the file was changed"; }
  }
  // Closing, also twice, leaves nothing either; the file opens again.
  ASSERT_TRUE(OpenFile(&file, good, true));
  file.Close();
  file.Close();
  EXPECT_FALSE(Readable(&file, 0) || file.HasIndex() || file.GetAudioStreamInfo(nullptr));
  EXPECT_EQ(file.NextKeyframe(2), 0);
  ASSERT_TRUE(OpenFile(&file, good, true));
  EXPECT_EQ(ReadFrame(&file, 1), Payload(1, FrameSize(1)));
}

// Which streams are taken: the first video, the first sound or (when asked)
// the second (a file that has one: the ffmpeg cross-check's msvc_two_audio);
// stream numbers count every strl, also those without a usable format. Each
// stream reads as its chunks.
TEST(AviFileStreams, TheSelectedStreamsAndTheirKeys) {
  const TestClip silent = VideoAndPcmClip(4, 1, false);

  TestClip videoSecond;
  videoSecond.streams = {PcmStream(1, 8000, 8, 40), VideoStream(Fourcc("cvid"), 16, 16, 24, 10, 1, 4)};
  for (int32_t f = 0; f < 4; ++f) {
    videoSecond.chunks.emplace_back(0, "wb", true, Payload(900 + f, 10));
    videoSecond.chunks.emplace_back(1, f % 2 == 0 ? "dc" : "db", true, Payload(f, 30 + f));
  }
  const std::string videoSecondIndexed = videoSecond.Write("video-second.avi");
  videoSecond.options.writeIndex = false;

  // strl 0: video without strf; strl 1: JUNK-separated sound; strl 2: the video taken.
  const std::string unusable = WriteWholeFile(
      ScratchPath("unusable.avi"),
      HandMadeAvi({kAvih, Strl(kSmallVideo, false), RiffChunk("JUNK", {0, 0, 0}),
                   Strl(PcmStream(1, 8000, 8, 4)), Strl(kSmallVideo)},
                  {RiffChunk("01wb", {1, 2, 3, 4}), RiffChunk("02dc", {5, 6})}));
  // An empty audio key: no sound. A second sound asked for and not found
  // gives its message.
  const struct {
    const char *name, *videoKey, *audioKey;
    bool secondaryAudio;
    std::string path;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<uint8_t> sound;
  } cases[] = {
      {"no second sound", "00cs", "", true, VideoAndPcmClip(4, 1, true).Write("one-sound.avi"),
       silent.Payloads(0), {}},
      {"without sound", "00cs", "", false, silent.Write("silent.avi"), silent.Payloads(0), {}},
      {"video second, indexed", "01cs", "00cs", false, videoSecondIndexed, videoSecond.Payloads(1),
       videoSecond.JoinedPayloads(0)},
      {"video second, walked", "01cs", "00cs", false, videoSecond.Write("video-second.avi"),
       videoSecond.Payloads(1), videoSecond.JoinedPayloads(0)},
      {"unusable stream lists", "02cs", "01cs", false, unusable, {{5, 6}}, {1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AviFile file;
    std::string messages;
    ASSERT_TRUE(file.Open(c.path.c_str(), &messages, c.secondaryAudio, 2, true));
    EXPECT_EQ(messages, c.secondaryAudio ? kNoSecondary : "");
    EXPECT_EQ(KeyText(file.VideoStream().streamKey), c.videoKey);
    EXPECT_EQ(file.GetAudioStreamInfo(nullptr) ? KeyText(file.AudioStream().streamKey) : "", c.audioKey);
    for (int32_t f = 0; f < static_cast<int32_t>(c.frames.size()); ++f)
      EXPECT_EQ(ReadFrame(&file, f), c.frames[f]) << "frame " << f;
    EXPECT_EQ(ReadSound(&file, 0, 1 << 16), c.sound);
  }
}

// Headers of unusual sizes in a file of one video stream and one frame, no
// index: a strh of 80 bytes and an avih of 60 are cut (bytes 56 to 63 of the
// strh kept), a strh of 40 bytes (ending with dwLength) and an avih of 16
// (ending with dwFlags) leave zeros, an outsized strf (3 MiB) is kept up to
// 1 MiB, and a length past INT32_MAX (found by the fuzzer: length - 1
// overflowed) is held at INT32_MAX, frames past the file's own reading as
// nothing. No index and no suggested size give a 64 KiB buffer.
TEST(AviFileHeaders, LongHeadersAreCutShortOnesLeaveZerosAndLengthsAreHeld) {
  std::vector<uint8_t> longAvih(60, 0), longStrh = kSmallVideo.strh, hugeLength = kSmallVideo.strh;
  longAvih[12] = 0x10;
  longAvih[56] = 0xCD;
  longStrh.resize(80, 0xAB);
  std::fill(hugeLength.begin() + 32, hugeLength.begin() + 36, 0xFF);  // dwLength
  std::vector<uint8_t> hugeStrf = kSmallVideo.strf;
  hugeStrf.resize(3u << 20, 0x5A);
  const struct { std::vector<uint8_t> avih, strh, strf; int32_t length; } cases[] = {
      {longAvih, longStrh, kSmallVideo.strf, 2},
      {{longAvih.begin(), longAvih.begin() + 16}, {longStrh.begin(), longStrh.begin() + 40}, kSmallVideo.strf, 2},
      {longAvih, longStrh, hugeStrf, 2},
      {longAvih, hugeLength, kSmallVideo.strf, INT32_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.avih.size() << " " << c.strh.size() << " " << c.strf.size());
    const std::string path = WriteWholeFile(ScratchPath("headers.avi"),
                                            HandMadeAvi({RiffChunk("avih", c.avih), Strl({c.strh, c.strf})}));
    AviFile file;
    ASSERT_TRUE(OpenFile(&file, path, true));
    VideoStreamInfo info;
    ASSERT_TRUE(file.GetVideoStreamInfo(&info));
    EXPECT_EQ(file.MainHeader().dwFlags, 0x10u);
    EXPECT_EQ(file.MainHeader().dwWidth, 0u);
    EXPECT_EQ(file.VideoStream().header.rcFrame[8], c.strh.size() > 56 ? 0xAB : 0);
    EXPECT_EQ(file.VideoStream().header.dwQuality == 0, c.strh.size() == 40);
    EXPECT_EQ(info.length, c.length);
    EXPECT_FALSE(Readable(&file, c.length - 1));
    EXPECT_EQ(info.formatSize, std::min<size_t>(c.strf.size(), 1u << 20));
    EXPECT_EQ(info.format[info.formatSize - 1], c.strf[info.formatSize - 1]);
    EXPECT_EQ(info.bufferSize, 65536u);
  }
}

// A header's sample size larger than its suggested buffer: kept for
// uncompressed video (fixed-size frames, each its own keyframe), dropped for
// compressed video. Either way each frame reads as its chunk, and the info
// gives the handler, the format as in the file, and the buffer size raised
// by the index from the header's suggestion to the largest chunk.
TEST(AviFileHeaders, CompressedVideoWithAnOversizedSampleSizeHasVariableSamples) {
  for (const uint32_t compression : {Fourcc("cvid"), 0u}) {
    StreamHeaderFields fields;
    fields.fccHandler = compression ? "cvid" : "";
    fields.length = 3;
    fields.suggestedBufferSize = 100;
    fields.sampleSize = 192;  // one RGB frame
    TestClip clip;
    clip.streams = {{StreamHeaderBytes(fields), VideoStream(compression, 8, 8, 24, 10, 1, 3).strf}};
    for (int32_t f = 0; f < 3; ++f)
      clip.chunks.emplace_back(0, "db", f == 0, Payload(f, compression ? 150 + 30 * f : 192));
    AviFile file;
    ASSERT_TRUE(OpenFile(&file, clip.Write("sample-size.avi"), true));
    VideoStreamInfo info;
    ASSERT_TRUE(file.GetVideoStreamInfo(&info));
    EXPECT_EQ(info.sampleSize, compression == 0 ? 192 : 0);
    EXPECT_EQ(info.fccHandler, compression);
    EXPECT_EQ(std::vector<uint8_t>(info.format, info.format + info.formatSize), clip.streams[0].strf);
    EXPECT_EQ(info.bufferSize, compression ? 210u : 192u);
    ExpectFrames(&file, clip, Range(0, 3), "frames");
    EXPECT_EQ(file.PreviousKeyframe(2), compression == 0 ? 2 : 0);
  }
}

TEST(StreamKey, DigitsNameTheStreamWhateverTheTypeButPaletteChanges) {
  // Only streams 0 to 9 and only digits: "0adc" and "10dc" are no stream's.
  const char* const cases[][2] = {{"00dc", "00cs"}, {"00db", "00cs"}, {"01wb", "01cs"}, {"09pc", "09pc"},
                                  {"0adc", "0adc"}, {"10dc", "10dc"}, {"ix00", "ix00"}, {"JUNK", "JUNK"}};
  for (const auto& c : cases) EXPECT_EQ(KeyText(StreamKey(Fourcc(c[0]))), c[1]) << c[0];
}

}  // namespace
