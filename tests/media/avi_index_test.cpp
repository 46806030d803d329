#include "tests/media/media_test_support.h"

namespace {

TEST(AviIndexVideo, WalkingReadsInOrderButReachesOnly300Ahead) {
  const TestClip clip = VideoAndPcmClip(700, 12, true);
  AviFile file;
  ASSERT_TRUE(OpenFile(&file, clip.Write("walk.avi"), false));
  EXPECT_FALSE(Readable(&file, 1)) << "without a cursor only frame 0 can be found";
  ExpectFrames(&file, clip, {0, 300}, "300 ahead");
  EXPECT_FALSE(Readable(&file, 601)) << "301 ahead";
  ExpectFrames(&file, clip, {600}, "300 ahead again");
  EXPECT_FALSE(Readable(&file, 599)) << "backwards";
  ExpectFrames(&file, clip, Range(0, 700), "from frame 0 on");
  EXPECT_FALSE(Readable(&file, 700)) << "past the end";
}

// Files grouped in "rec " lists are read whole, indexed and walked, by the
// damaged-file test's uncut case.

// idx1 offsets counted from the file start are read whole and cut by the
// damaged-file test. Inside "rec " lists the first video chunk is not among
// the top-level chunks of "movi": such a table keeps the standard base.
TEST(AviIndexVideo, OffsetsFromTheFileStartInRecListsKeepTheStandardBase) {
  TestClip clip = VideoAndPcmClip(40, 5, true);
  clip.options.indexFromFileStart = true;
  clip.options.recGroup = 2;
  AviWriterLayout layout;
  AviFile file;
  ASSERT_TRUE(OpenFile(&file, clip.Write("absolute-rec.avi", &layout), true));
  EXPECT_EQ(file.IndexBase(), layout.moviTypePosition + 8);
}

// Frames 20 to 29 are promised by the header but missing.
TEST(AviIndexVideo, EmptyOddAndMissingChunksAndTheDestinationCapacity) {
  TestClip clip = VideoAndPcmClip(20, 5, true);
  clip.streams[0] = VideoStream(Fourcc("cvid"), 64, 48, 24, 15, 1, 30);
  for (const bool index : {true, false}) {
    AviFile file;
    ASSERT_TRUE(OpenFile(&file, clip.Write("sizes.avi"), index));
    std::vector<uint8_t> buffer(1000, 0xEE);
    uint32_t bytes = 1000;
    // Frame 3 is empty (and writes nothing); frame 7 has an odd size.
    for (int32_t f = 0; f <= 3; ++f) EXPECT_TRUE(file.ReadVideoFrame(buffer.data(), f, &(bytes = 1000)));
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(buffer[0], Payload(2, FrameSize(2))[0]) << "an empty frame writes nothing";
    for (int32_t f = 4; f <= 7; ++f) {
      EXPECT_TRUE(file.ReadVideoFrame(buffer.data(), f, &(bytes = FrameSize(f)))) << "exactly the capacity";
      EXPECT_EQ(bytes, FrameSize(f));
    }
    EXPECT_FALSE(file.ReadVideoFrame(buffer.data(), 8, &(bytes = FrameSize(8) - 1))) << "one byte too small";
    EXPECT_EQ(bytes, FrameSize(8)) << "the size the chunk needs";
    for (const int32_t outside : {-1, 20, 21, 29, 30, 1000000}) {
      EXPECT_FALSE(file.ReadVideoFrame(buffer.data(), outside, &(bytes = 1000))) << outside;
      EXPECT_EQ(bytes, 0u);
    }
    EXPECT_FALSE(file.ReadVideoFrame(buffer.data(), 0, nullptr));
    ExpectFrames(&file, clip, {19, 0, 1}, "after the misses");
  }
}

// Entries pointing outside the file: damaged_file_test.

// The count read is limited by the room in the destination: whole samples of
// a fixed-size stream (4 bytes each here), whole chunks of a variable-size
// one (400 to 402 bytes each here), and the stream's end; nothing is read
// outside the stream. (Runs and jumps through whole streams are the ffmpeg
// cross-check's.)
TEST(AviIndexAudio, CountsAreWholeSamplesOrChunksThatFit) {
  const TestClip pcm = VideoAndPcmClip(10, 5, true);
  TestClip vbr;
  vbr.streams = {VideoStream(Fourcc("cvid"), 16, 16, 24, 10, 1, 30),
                 VariableAudioStream(0x55, 2, 44100, 1152, 30)};
  for (int32_t f = 0; f < 30; ++f) {
    vbr.chunks.emplace_back(0, "dc", true, Payload(f, 20));
    vbr.chunks.emplace_back(1, "wb", true, Payload(300 + f, 400 + f % 3));
  }
  const std::vector<std::vector<uint8_t>> blocks = vbr.Payloads(1);
  const std::vector<uint8_t> sound = pcm.JoinedPayloads(1);
  // The count read: 0 when the read fails.
  const struct { bool variable; int32_t position, count; uint32_t capacity; int32_t read; } cases[] = {
      {false, 5, 100, 10, 2}, {false, 5, 100, 3, 0}, {false, 5, 0, 64, 0},  {true, 0, 3, 2000, 3},
      {true, 12, 3, 2000, 3}, {true, 27, 3, 2000, 3}, {true, 0, 5, 1000, 2}, {true, 0, 1, 399, 0},
      {true, 28, 10, 2000, 2}, {true, 30, 1, 2000, 0}, {false, -1, 1, 64, 0},
      {false, 1494, 1, 64, 1}, {false, 1495, 1, 64, 0},
  };
  const std::string pcmPath = pcm.Write("capacity.avi"), vbrPath = vbr.Write("vbr.avi");
  for (const bool index : {true, false}) {
    AviFile pcmFile, vbrFile;
    ASSERT_TRUE(OpenFile(&pcmFile, pcmPath, index));
    ASSERT_TRUE(OpenFile(&vbrFile, vbrPath, index));
    for (const auto& c : cases) {
      const std::string what = std::string(c.variable ? "variable " : "fixed ") + std::to_string(c.position) +
                               "+" + std::to_string(c.count) + (index ? " indexed" : " walked");
      AviFile& file = c.variable ? vbrFile : pcmFile;
      std::vector<uint8_t> buffer(2001, 0xEE);
      int32_t count = c.count;
      uint32_t bytes = c.capacity;
      ASSERT_EQ(file.ReadAudio(buffer.data(), c.position, &count, &bytes), c.read > 0) << what;
      EXPECT_EQ(count, c.read) << what;
      std::vector<uint8_t> expected;
      for (int32_t n = c.position; n < c.position + c.read; ++n) {
        if (c.variable) expected.insert(expected.end(), blocks[n].begin(), blocks[n].end());
        else expected.insert(expected.end(), sound.begin() + 4 * n, sound.begin() + 4 * n + 4);
      }
      if (c.read > 0) {
        EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + bytes), expected) << what;
      } else {
        // A first chunk that does not fit gives the size it needs.
        EXPECT_EQ(bytes, c.variable && c.count > 0 && c.position >= 0 && c.position < 30
                             ? blocks[c.position].size() : 0u) << what;
      }
      EXPECT_EQ(buffer[c.capacity], 0xEE) << what << ": nothing beyond the capacity";
    }
    uint32_t bytes = 64;
    EXPECT_FALSE(pcmFile.ReadAudio(std::vector<uint8_t>(64).data(), 5, nullptr, &bytes)) << "no count";
  }
}

// Keyframes every 12 frames and at 5, 6, 40 and 149 (the last frame): the
// nearest at or before and at or after, 0 when there is none, never frame 0
// or past the stream's end. The first and last entries are never looked at:
// without sound the last frame is the last entry.
TEST(AviIndexKeyframes, SearchesFindTheNearestFlaggedFrameInsideTheTablesEnds) {
  TestClip clips[2] = {VideoAndPcmClip(150, 12, false), VideoAndPcmClip(150, 12, true)};
  AviFile files[2];
  for (const int withSound : {1, 0}) {
    for (const int32_t f : {5, 6, 40, 149}) clips[withSound].chunks[(1 + withSound) * f].keyframe = true;
    ASSERT_TRUE(OpenFile(&files[withSound], clips[withSound].Write("keyframes.avi"), true));
  }
  const struct { bool withSound; int32_t frame, previous, next; } cases[] = {
      {true, -2, 0, 0},     {true, 0, 0, 0},       {true, 1, 0, 5},         {true, 5, 5, 5},
      {true, 7, 6, 12},     {true, 24, 24, 24},    {true, 30, 24, 36},      {true, 41, 40, 48},
      {true, 145, 144, 149}, {true, 149, 149, 149}, {true, 150, 0, 0},      {false, 7, 6, 12},
      {false, 144, 144, 144}, {false, 145, 144, 0}, {false, 148, 144, 0}};
  for (const auto& c : cases) {
    AviFile& file = files[c.withSound];
    EXPECT_EQ(file.PreviousKeyframe(c.frame), c.previous) << "previous of " << c.frame << ", " << c.withSound;
    EXPECT_EQ(file.NextKeyframe(c.frame), c.next) << "next of " << c.frame << ", " << c.withSound;
  }
  // Reading still finds the right chunks after searches moved the lookup.
  ExpectFrames(&files[1], clips[1], {130, 7, 8, 149}, "after searches");
  ASSERT_TRUE(OpenFile(&files[1], clips[1].Write("keyframes.avi"), false));
  EXPECT_EQ(files[1].PreviousKeyframe(30), 0) << "no table, no search";
  EXPECT_EQ(files[1].NextKeyframe(30), 0);
}

}  // namespace
