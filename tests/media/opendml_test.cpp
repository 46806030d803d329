// OpenDML files made by our writer: many small RIFF parts, indexes intact,
// damaged or absent, and a sparse file reaching past 4 GiB. Every read is
// checked against the payloads and positions the writer put in the file.
#include "tests/media/media_test_support.h"

namespace {

// Where a patch goes: a header of the writer's layout.
enum Where { kNowhere, kVideoIndx, kAudioIndx, kFirstIx, kSecondPart, kOdmlList };

uint64_t PositionOf(const AviWriterLayout& layout, Where where) {
  const uint64_t secondPart = layout.partPositions.size() > 1 ? layout.partPositions[1] : 0;
  // The odml list's position is its type's.
  const uint64_t positions[] = {0, layout.indxPositions[0], layout.indxPositions[1],
                                layout.ixPositions[0], secondPart, layout.dmlhPosition - 4};
  return positions[where];
}

// Four bytes at a header's offset: the value, plus the position of another
// header when one is named.
struct Patch {
  Where at;
  uint64_t offset;
  uint32_t value;
  Where plus = kNowhere;
};

// Each way of finding chunks reads the whole file, across every part (also
// past 4 GiB, at the positions the writer put the chunks), also when indexes
// lie in any field (that stream falls back to idx1 and walking) and when a
// part's "movi" list reaches over the parts after it (a fuzzer made one:
// walking goes on from the next part that starts past the chunk, and never
// through a part twice, which once made the walk cycle). Nothing is read
// from outside the file, and it is never written to.
TEST(OpenDmlReads, EveryWayOfFindingChunksReadsTheWholeFile) {
  struct Case {
    const char* name;
    std::vector<Patch> patches;
    bool videoByOpenDml = false;  // else by idx1 (as far as it goes) and walking: in order only
    bool audioByOpenDml = true;
    bool allowIndex = true, idx1 = true;
    int recGroup = 0;
    bool fieldIndexes = false;
    bool indxOfChunks = false;  // one part, its standard index in "indx" itself, as some writers do
    bool past4GiB = false;      // sparse: about 1 GiB of hole before every 40th chunk
    uint32_t headerLength = 120;  // the strh's frame count
  } const cases[] = {
      {"indexes", {}, true},
      {"field indexes", {}, true, true, true, true, 0, true},
      {"indexes, rec lists", {}, true, true, true, true, 2},
      {"indexes, no idx1", {}, true, true, true, false},
      // A super index of 3 longs an entry is not one.
      {"video indx damaged: idx1 then walking", {{kVideoIndx, 8, 3}}},
      {"both indx damaged, no idx1: walking", {{kVideoIndx, 8, 3}, {kAudioIndx, 8, 3}}, false, false, true,
       false},
      {"index option off: walking", {}, false, false, false},
      {"no odml list, no indx: the AVIX parts tell",
       {{kVideoIndx, 0, Fourcc("JUNK")}, {kAudioIndx, 0, Fourcc("JUNK")}, {kOdmlList, 0, Fourcc("junk")}},
       false, false},
      {"rec lists walked", {}, false, false, false, true, 3},
      {"movi list overlapping later parts", {{kSecondPart, 16, 0x7FFFFFF0u}}, false, false, false},
      {"super index entry count", {{kVideoIndx, 12, 0xFFFFFFFFu}}},
      {"super index entry count one too many", {{kVideoIndx, 12, 0x101}}},
      {"super index of indexes of chunks", {{kVideoIndx, 8, 0x01000004u}}},
      {"super index entry far past the end", {{kVideoIndx, 36, 0x7FFFFFFFu}}},
      {"super index entry at the indx itself", {{kVideoIndx, 32, 0, kVideoIndx}}},
      {"super index naming the first part's ix00 twice", {{kVideoIndx, 48, 0, kFirstIx}}},
      {"standard index of another stream", {{kFirstIx, 16, Fourcc("01wb")}}},
      {"standard index base past 16 EiB", {{kFirstIx, 24, 0xFFFFFFFFu}}},
      {"standard index entry past the end", {{kFirstIx, 32, 0xFFFFFF00u}}},
      {"standard index entry size past the end", {{kFirstIx, 36, 0x7FFFFFF0u}}},
      {"standard index entry count", {{kFirstIx, 12, 1000000}}},
      {"standard index size", {{kFirstIx, 4, 0x7FFFFFF0u}}},
      {"standard index of 1 long an entry", {{kFirstIx, 8, 0x01000001u}}},
      {"indx that is itself a standard index", {}, true, true, true, true, 0, false, true},
      {"past 4 GiB", {}, true, true, true, true, 0, false, false, true},
      {"past 4 GiB walked", {}, false, false, false, true, 0, false, false, true},
      {"header claims 360 frames", {}, true, true, true, true, 0, false, false, false, 360},
      {"header claims 360 frames, walked", {}, false, false, false, true, 0, false, false, false, 360},
      {"header counts the first part's frames", {}, true, true, true, true, 0, false, false, false, 9},
      {"header counts the first part's frames, walked", {}, false, false, false, true, 0, false, false, false, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestClip clip = VideoAndPcmClip(120, 6, true);
    clip.options.openDml = true;
    clip.options.partSize = c.indxOfChunks ? 1ull << 30 : 6000;  // RIFF parts of about this many bytes
    clip.options.writeIndex = c.idx1;
    clip.options.fieldIndexes = c.fieldIndexes;
    clip.options.recGroup = c.recGroup;
    clip.streams[0] = VideoStream(Fourcc("cvid"), 64, 48, 24, 15, 1, c.headerLength);
    for (size_t i = 0; c.past4GiB && i < clip.chunks.size(); i += 40) clip.chunks[i].junkBefore = 0x3F000000;
    AviWriterLayout layout;
    const std::string path = clip.Write("parts.avi", &layout);
    ASSERT_EQ(layout.partPositions.size() > 10, !c.indxOfChunks);
    ASSERT_EQ(layout.chunkDataPositions.back() > (5ull << 30), c.past4GiB);
    if (c.indxOfChunks) {
      std::vector<uint8_t> bytes = ReadFileBytes(path);
      std::copy_n(bytes.begin() + layout.ixPositions[0] + 8, 24 + 120 * 8, bytes.begin() + layout.indxPositions[0] + 8);
      WriteWholeFile(path, bytes);
    }
    for (const Patch& patch : c.patches) {
      const uint32_t value = patch.value + static_cast<uint32_t>(PositionOf(layout, patch.plus));
      ASSERT_TRUE(PatchU32(path, PositionOf(layout, patch.at) + patch.offset, value));
    }
    const std::vector<uint8_t> before = c.patches.empty() ? std::vector<uint8_t>() : ReadFileBytes(path);

    AviFile file;
    ASSERT_TRUE(OpenFile(&file, path, c.allowIndex));
    EXPECT_TRUE(file.IsOpenDml());
    EXPECT_EQ(file.PartCount(), static_cast<int32_t>(layout.partPositions.size()));
    EXPECT_EQ(file.HasOpenDmlIndex(true), c.videoByOpenDml);
    EXPECT_EQ(file.HasOpenDmlIndex(false), c.audioByOpenDml && c.allowIndex);
    // The larger of the header's length and the whole file's (from the
    // index or else from dmlh); avih's count becomes dmlh's.
    EXPECT_EQ(file.VideoStream().header.dwLength, std::max(c.headerLength, 120u));
    if (c.headerLength != 120) { EXPECT_EQ(file.MainHeader().dwTotalFrames, 120u); }
    if (c.videoByOpenDml) {
      ExpectFrames(&file, clip, {119, 0, 64, 63, 3, 118, 1}, c.name);
      // Keyframes by the index's delta-frame bit, in every part: the nearest
      // at or before, at or after (0 when there is none).
      for (int32_t f = 0; f <= 120; ++f) {
        const int32_t next = (f + 5) / 6 * 6;
        EXPECT_EQ(file.NextKeyframe(f), next < 120 ? next : 0) << "frame " << f;
        if (f < 120) { EXPECT_EQ(file.PreviousKeyframe(f), f / 6 * 6) << "frame " << f; }
      }
    }
    for (int32_t f = 0; f < 120; ++f) {  // in order, at the positions the writer put them
      ExpectFrames(&file, clip, {f}, c.name);
      EXPECT_EQ(file.VideoChunk(f).dataPosition, layout.chunkDataPositions[2 * f]) << "frame " << f;
    }
    // Sound in runs, then jumps back (by the index, or walking again from the
    // first chunk) and forth.
    const std::vector<uint8_t> sound = clip.JoinedPayloads(1);
    EXPECT_TRUE(ReadAllSound(&file, 97) == sound);
    for (const size_t position : {19000, 5, 12345, 12344, 0, 19999}) {  // 300 samples of 4 bytes
      const std::vector<uint8_t> got = ReadSound(&file, static_cast<int32_t>(position), 300);
      const size_t from = std::min(position * 4, sound.size());
      const size_t bytes = std::min<size_t>(1200, sound.size() - from);
      ASSERT_EQ(got.size(), bytes) << "sound at " << position;
      EXPECT_TRUE(std::equal(got.begin(), got.end(), sound.begin() + from)) << "sound at " << position;
    }
    for (const int32_t f : {119, 120, 121, 200, 0}) EXPECT_EQ(file.IsPastVideoData(f), f >= 120) << f;
    file.Close();
    if (!c.patches.empty()) { EXPECT_EQ(ReadFileBytes(path), before); }
  }
}

}  // namespace
