#include <gtest/gtest.h>

#include "media/cached_file_reader.h"
#include "media/chunk_walk.h"
#include "media/fourcc.h"
#include "media/stream_info.h"
#include "tests/common/test_paths.h"
#include "tests/media/media_test_support.h"

#include <string>

namespace {

uint32_t Id(const char* four) { return MakeFourcc(four[0], four[1], four[2], four[3]); }

// "id kind size@position<limit", or "null".
std::string Describe(const ChunkRef& chunk) {
  if (chunk.IsNull()) return "null";
  auto text = [](uint32_t id) { return std::string(reinterpret_cast<const char*>(&id), 4); };
  return text(chunk.id) + " " + text(chunk.kind) + " " + std::to_string(chunk.size) + "@" +
         std::to_string(chunk.dataPosition) + "<" + std::to_string(chunk.limit);
}

// RIFF "TEST" holding, at these header positions:
//   12 "aaaa", 5 bytes and a pad byte     34 LIST "rec " (ends at 70):
//   26 "bbbb", empty                         46 "00dc", 3 bytes + pad; 58 "01wb", 4 bytes
//   70 LIST "rec " (ends at 92): 82 "00db", 2 bytes
//   92 "00dc", 1 byte + pad; the file ends at 102.
class ChunkWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<uint8_t> file = RiffList(
        "RIFF", "TEST",
        {RiffChunk("aaaa", {1, 2, 3, 4, 5}), RiffChunk("bbbb", {}),
         RiffList("LIST", "rec ", {RiffChunk("00dc", {6, 7, 8}), RiffChunk("01wb", {9, 10, 11, 12})}),
         RiffList("LIST", "rec ", {RiffChunk("00db", {13, 14})}), RiffChunk("00dc", {15})});
    ASSERT_EQ(file.size(), 102u);
    path_ = ScratchPath("walk.riff");
    ASSERT_TRUE(WriteFileBytes(path_, file));
    ASSERT_TRUE(reader_.Open(path_.c_str(), 2));
    riff_ = HeaderAt(&reader_, 0);
    riff_.limit = riff_.dataPosition + riff_.size;
  }

  std::string path_;
  CachedFileReader reader_;
  ChunkRef riff_;
};

TEST_F(ChunkWalkTest, HeaderAtReadsPlainChunksAndLists) {
  EXPECT_EQ(Describe(riff_), "TEST RIFF 90@12<102");
  EXPECT_EQ(Describe(HeaderAt(&reader_, 12)), "aaaa DATA 5@20<0");
  EXPECT_EQ(Describe(HeaderAt(&reader_, 34)), "rec  LIST 24@46<0");
  EXPECT_EQ(Describe(HeaderAt(&reader_, 26)), "bbbb DATA 0@34<0");
  EXPECT_EQ(Describe(HeaderAt(&reader_, 98)), "null") << "a header cut by the end of the file";
  EXPECT_EQ(Describe(HeaderAt(&reader_, 102)), "null");
  EXPECT_EQ(Describe(HeaderAt(&reader_, 0xFFFFFFF0u)), "null");
}

TEST_F(ChunkWalkTest, SiblingsStepOverPadBytesAndEmptyChunks) {
  const ChunkRef a = FirstChild(&reader_, riff_);
  EXPECT_EQ(Describe(a), "aaaa DATA 5@20<102");
  const ChunkRef b = NextSibling(&reader_, a);
  EXPECT_EQ(Describe(b), "bbbb DATA 0@34<102") << "the odd chunk's pad byte is skipped";
  const ChunkRef rec = NextSibling(&reader_, b);
  EXPECT_EQ(Describe(rec), "rec  LIST 24@46<102") << "an empty chunk is followed 8 bytes later";
  const ChunkRef rec2 = NextSibling(&reader_, rec);
  EXPECT_EQ(Describe(rec2), "rec  LIST 10@82<102");
  const ChunkRef last = NextSibling(&reader_, rec2);
  EXPECT_EQ(Describe(last), "00dc DATA 1@100<102");
  EXPECT_EQ(Describe(NextSibling(&reader_, last)), "null");
  EXPECT_EQ(Describe(NextSibling(&reader_, ChunkRef())), "null");
  EXPECT_EQ(Describe(FirstChild(&reader_, ChunkRef())), "null");
}

TEST_F(ChunkWalkTest, FindLooksAtTheChunkItselfAndItsFollowingSiblingsOnly) {
  const ChunkRef a = FirstChild(&reader_, riff_);
  EXPECT_EQ(Describe(FindSibling(&reader_, a, Id("aaaa"), kFourccData)), Describe(a));
  EXPECT_EQ(Describe(FindSibling(&reader_, a, Id("00dc"), kFourccData)), "00dc DATA 1@100<102")
      << "chunks inside lists are not siblings";
  EXPECT_EQ(Describe(FindSibling(&reader_, a, Id("rec "), kFourccList)), "rec  LIST 24@46<102");
  EXPECT_EQ(Describe(FindSibling(&reader_, a, Id("rec "), kFourccData)), "null") << "kind matters";
  EXPECT_EQ(Describe(FindChild(&reader_, riff_, Id("bbbb"), kFourccData)), "bbbb DATA 0@34<102");
  const ChunkRef b = FindChild(&reader_, riff_, Id("bbbb"), kFourccData);
  EXPECT_EQ(Describe(FindSibling(&reader_, b, Id("aaaa"), kFourccData)), "null") << "never backwards";
}

TEST_F(ChunkWalkTest, FirstLeafKeepsTheLimitWhereTheDescentBegan) {
  const ChunkRef rec = FindChild(&reader_, riff_, Id("rec "), kFourccList);
  EXPECT_EQ(Describe(FirstChild(&reader_, rec)), "00dc DATA 3@54<70");
  EXPECT_EQ(Describe(FirstLeaf(&reader_, rec)), "00dc DATA 3@54<102");
  const ChunkRef a = FirstChild(&reader_, riff_);
  EXPECT_EQ(Describe(FirstLeaf(&reader_, a)), Describe(a));
  // Nested lists are descended through to their first plain chunk.
  EXPECT_EQ(Describe(FirstLeaf(&reader_, riff_)), "aaaa DATA 5@20<102");
}

TEST_F(ChunkWalkTest, NextLeafOfStreamWalksThroughRecLists) {
  const ChunkRef first = FirstChild(&reader_, riff_);
  const uint32_t video = StreamKeyOfNumber(0);
  ChunkRef leaf = NextLeafOfStream(&reader_, first, video);
  EXPECT_EQ(Describe(leaf), "00dc DATA 3@54<102");
  leaf = NextLeafOfStream(&reader_, NextSibling(&reader_, leaf), video);
  EXPECT_EQ(Describe(leaf), "00db DATA 2@90<102") << "from the last chunk of one rec list to the next";
  leaf = NextLeafOfStream(&reader_, NextSibling(&reader_, leaf), video);
  EXPECT_EQ(Describe(leaf), "00dc DATA 1@100<102");
  EXPECT_EQ(Describe(NextLeafOfStream(&reader_, NextSibling(&reader_, leaf), video)), "null");

  const ChunkRef sound = NextLeafOfStream(&reader_, first, StreamKeyOfNumber(1));
  EXPECT_EQ(Describe(sound), "01wb DATA 4@66<102");
  EXPECT_EQ(Describe(NextLeafOfStream(&reader_, NextSibling(&reader_, sound), StreamKeyOfNumber(1))),
            "null");
  EXPECT_EQ(Describe(NextLeafOfStream(&reader_, first, StreamKeyOfNumber(2))), "null");
}

TEST_F(ChunkWalkTest, ReadChunkDataStaysInsideTheChunk) {
  const ChunkRef a = FirstChild(&reader_, riff_);
  uint8_t data[8] = {};
  ASSERT_TRUE(ReadChunkData(&reader_, a, 0, 0, data));
  EXPECT_EQ(std::vector<uint8_t>(data, data + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 0}));
  uint8_t part[2] = {};
  ASSERT_TRUE(ReadChunkData(&reader_, a, 3, 2, part));
  EXPECT_EQ(part[0], 4);
  EXPECT_EQ(part[1], 5);
  ASSERT_TRUE(ReadChunkData(&reader_, a, 2, 0, data)) << "a length of 0 reads the rest";
  EXPECT_EQ(data[0], 3);
  EXPECT_FALSE(ReadChunkData(&reader_, a, 3, 3, data));
  EXPECT_FALSE(ReadChunkData(&reader_, a, 6, 0, data));
  EXPECT_TRUE(ReadChunkData(&reader_, a, 5, 0, data)) << "nothing left is an empty read";
  EXPECT_FALSE(ReadChunkData(&reader_, ChunkRef(), 0, 0, data));
  const ChunkRef b = NextSibling(&reader_, a);
  EXPECT_TRUE(ReadChunkData(&reader_, b, 0, 0, data));
}

// Sizes that lie: too big for the enclosing list, too big for the file, so
// big that the end would wrap round 32 bits, too small for a list's type.
TEST(ChunkWalkDamage, LyingSizesEndTheWalkInsteadOfWrapping) {
  const std::vector<uint8_t> file = Joined(
      {RiffList("RIFF", "TEST",
                {RiffChunk("aaaa", {1, 2}), WithSizeField(RiffChunk("huge", {3, 4}), 0xFFFFFFF8u)}),
       RiffChunk("tail", {5, 6})});
  const std::string path = ScratchPath("lying.riff");
  ASSERT_TRUE(WriteFileBytes(path, file));
  CachedFileReader reader;
  ASSERT_TRUE(reader.Open(path.c_str(), 2));
  ChunkRef riff = HeaderAt(&reader, 0);
  riff.limit = riff.dataPosition + riff.size;
  const ChunkRef a = FirstChild(&reader, riff);
  ASSERT_EQ(Describe(a), "aaaa DATA 2@20<32");
  EXPECT_EQ(Describe(NextSibling(&reader, a)), "null") << "reaches past the list's end";
  ChunkRef unlimited = a;
  unlimited.limit = 0xFFFFFFFFu;
  const ChunkRef huge = NextSibling(&reader, unlimited);
  EXPECT_EQ(Describe(huge), "null") << "would end past 4 GiB";
  EXPECT_EQ(Describe(NextLeafOfStream(&reader, a, StreamKeyOfNumber(0))), "null");

  const std::vector<uint8_t> shortList = WithSizeField(RiffList("LIST", "rec ", {}), 2);
  const std::string shortPath = ScratchPath("short-list.riff");
  ASSERT_TRUE(WriteFileBytes(shortPath, Joined({shortList, RiffChunk("00dc", {1})})));
  ASSERT_TRUE(reader.Open(shortPath.c_str(), 2));
  EXPECT_EQ(Describe(HeaderAt(&reader, 0)), "rec  LIST 0@12<0");
}

TEST(StreamKey, DigitsNameTheStreamWhateverTheType) {
  EXPECT_EQ(StreamKey(Id("00dc")), Id("00cs"));
  EXPECT_EQ(StreamKey(Id("00db")), Id("00cs"));
  EXPECT_EQ(StreamKey(Id("01wb")), Id("01cs"));
  EXPECT_EQ(StreamKey(Id("09pc")), Id("09cs"));
  EXPECT_EQ(StreamKey(Id("0adc")), Id("0adc")) << "only digits";
  EXPECT_EQ(StreamKey(Id("10dc")), Id("10dc")) << "only streams 0 to 9";
  EXPECT_EQ(StreamKey(Id("ix00")), Id("ix00"));
  EXPECT_EQ(StreamKey(Id("JUNK")), Id("JUNK"));
  EXPECT_EQ(StreamKeyOfNumber(0), Id("00cs"));
  EXPECT_EQ(StreamKeyOfNumber(7), Id("07cs"));
}

}  // namespace
