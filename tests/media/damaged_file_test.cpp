// Damaged files: tails cut at every few bytes, chunk sizes and indexes that
// lie. The parser gives its message or a clean end of the data, never wrong
// bytes. (Random damage is the AVI fuzzer's work.)
#include "tests/media/media_test_support.h"

namespace {

// Reads every frame in order and the sound in runs; checks that exactly the
// frames lying wholly before the cut are read, each with its own bytes, and
// the sound up to the cut.
void ExpectReadsUpToTheCut(AviFile* file, const TestClip& clip, const AviWriterLayout& layout,
                           uint64_t cut, const std::string& what) {
  // The end of chunk i's data in the file.
  const auto end = [&](size_t i) { return layout.chunkDataPositions[i] + clip.chunks[i].payload.size(); };
  int32_t wholeFrames = 0;  // frames before the first one that was cut, chunk `first`
  size_t first = 0;
  for (; first < clip.chunks.size() && (clip.chunks[first].stream != 0 || end(first) <= cut); ++first)
    wholeFrames += clip.chunks[first].stream == 0 ? 1 : 0;
  EXPECT_EQ(file->VideoStream().header.dwLength, clip.Payloads(0).size()) << what << ": the header's length";
  ExpectFrames(file, clip, Range(0, wholeFrames), what);
  // The frame the cut runs through is not past the data (unless its data
  // begins at the cut); every frame after it is.
  for (int32_t f = wholeFrames; f < static_cast<int32_t>(clip.Payloads(0).size()); ++f) {
    ASSERT_FALSE(Readable(file, f)) << what << ": frame " << f;
    EXPECT_EQ(file->IsPastVideoData(f), f > wholeFrames || layout.chunkDataPositions[first] >= cut)
        << what << ": frame " << f;
  }

  // Sound is read in runs of samples, any part of a chunk at a time: what
  // comes back is every whole run before the cut, but at least the chunks
  // wholly before it.
  const std::vector<uint8_t> allSound = clip.JoinedPayloads(1);
  uint64_t whole = 0;      // bytes of sound in chunks wholly before the cut
  uint64_t available = 0;  // of the first sound chunk that was cut, the bytes before the cut
  for (size_t i = 0; i < clip.chunks.size(); ++i) {
    if (clip.chunks[i].stream != 1) continue;
    const uint64_t size = clip.chunks[i].payload.size();
    if (end(i) <= cut) {
      whole += size;
      continue;
    }
    available = cut > end(i) - size ? cut - (end(i) - size) : 0;
    break;
  }
  const uint64_t run = 97 * 4;
  const uint64_t expected = std::max((whole + available) / run * run, whole);
  const std::vector<uint8_t> sound = ReadAllSound(file, 97);
  ASSERT_EQ(sound.size(), expected) << what;
  ASSERT_TRUE(std::equal(sound.begin(), sound.end(), allSound.begin())) << what;
}

// Cuts the clip at every byte of the headers (which give the unknown format
// message), at and around every chunk's header and end, and at and inside
// the index. A file that must use its index is refused while idx1 is not
// whole (unless the index is not to be loaded).
void CheckCutsOf(TestClip clip, const std::string& name) {
  AviWriterLayout layout;
  const std::string whole = clip.Write(name, &layout);
  const std::vector<uint8_t> bytes = ReadFileBytes(whole);
  // Opening needs the first chunk of "movi" (a "rec " list, when grouped).
  const uint64_t needed = layout.moviTypePosition + 4 + (clip.options.recGroup > 0 ? 12 : 8);
  std::vector<uint64_t> cuts = {needed, layout.idx1Position, layout.idx1Position + 4, layout.idx1Position + 8,
                                layout.idx1Position + 8 + 16 * 3, bytes.size() - 1, bytes.size()};
  for (uint64_t cut = 0; cut < needed; ++cut) cuts.push_back(cut);
  for (size_t i = 0; i < clip.chunks.size(); ++i) {
    const uint64_t end = layout.chunkDataPositions[i] + clip.chunks[i].payload.size();
    for (const uint64_t cut : {layout.chunkPositions[i] + 4, layout.chunkDataPositions[i], end - 1, end,
                               end + 1}) {
      if (cut >= needed) cuts.push_back(cut);
    }
  }
  const size_t idx1Entries =
      layout.partFirstChunks.size() > 1 ? layout.partFirstChunks[1] : clip.chunks.size();
  for (const uint64_t cut : cuts) {
    for (const bool index : {true, false}) {
      // idx1 is whole once the cut lies past it (the file's end in AVI 1.0
      // files); the OpenDML indexes only in the whole file (each part's
      // ix## stand at its end).
      const bool idx1Whole =
          clip.options.writeIndex && cut >= layout.idx1Position + 8 + 16 * idx1Entries;
      const bool indexed = idx1Whole || (clip.options.openDml && cut == bytes.size());
      // "Must use index" only counts beside "has index".
      const uint32_t mustUseFlags = AVIF_MUSTUSEINDEX | AVIF_HASINDEX;
      const bool mustUse = index && (clip.options.avihFlags & mustUseFlags) == mustUseFlags;
      AviFile file;
      std::string messages;
      const bool opened = file.Open(bytes.data(), cut, &messages, false, 2, index);
      const std::string what = name + " cut at " + std::to_string(cut) + (index ? " indexed" : "");
      ASSERT_EQ(opened, cut >= needed && (idx1Whole || !mustUse)) << what << ": " << messages;
      ASSERT_EQ(messages, opened ? "" : cut < needed ? kUnknownFormat : kNoIndex) << what;
      if (!opened) continue;
      ASSERT_EQ(file.HasIndex(), index && indexed) << what;
      if (file.HasIndex() && !clip.options.openDml) {
        EXPECT_EQ(file.IndexEntryCount(), static_cast<int32_t>(idx1Entries)) << what;
      }
      ExpectReadsUpToTheCut(&file, clip, layout, cut, what);
    }
  }
  // A chunk that claims more than its list holds, or so much that its end
  // would wrap round 32 bits, ends the walk of a flat "movi" as if the file
  // were cut at its data (frame 4 is chunk 8).
  for (const uint32_t size : {1u << 20, 0xFFFFFFF8u}) {
    if (clip.options.recGroup > 0 || clip.options.openDml) break;
    std::vector<uint8_t> lying = bytes;
    std::memcpy(lying.data() + layout.chunkPositions[8] + 4, &size, 4);
    AviFile file;
    ASSERT_TRUE(file.Open(lying.data(), lying.size(), nullptr, false, 2, false));
    ExpectReadsUpToTheCut(&file, clip, layout, layout.chunkDataPositions[8],
                          name + " claiming " + std::to_string(size));
  }
}

// Plain, grouped in "rec " lists, OpenDML in parts (cut in any part, it
// plays through its idx1 and walking up to the cut: the last part's standard
// indexes, at its end, are cut off), plain with "must use index", and with
// idx1 offsets counted from the file start (the correction looks for video,
// also when the sound chunk comes first), and "must use index" without "has
// index" or a table, which then demands none.
TEST(DamagedFiles, TailsCutAtManyPointsReadUpToTheCut) {
  for (const int layout : {0, 1, 2, 3, 4, 5, 6}) {
    TestClip clip = VideoAndPcmClip(14, 5, true);
    clip.options.indexFromFileStart = layout >= 4;
    if (layout == 5) std::swap(clip.chunks[0], clip.chunks[1]);
    if (layout == 6) {  // "must use index" alone, no idx1
      clip.options.avihFlags = AVIF_MUSTUSEINDEX;
      clip.options.writeIndex = false;
    }
    if (layout == 3) clip.options.avihFlags |= AVIF_MUSTUSEINDEX;
    clip.options.recGroup = layout == 1 ? 3 : 0;
    clip.options.openDml = layout == 2;
    if (layout == 2) clip.options.partSize = 1500;
    CheckCutsOf(clip, std::to_string(layout) + "-cut.avi");
  }
}

// idx1 entries that lie. A few pointing outside the file (far away, past
// 2 GiB, with a huge length, across the end) fail only their own chunk. An
// idx1 that is mostly wrong (every entry past the end of the file, or every
// entry pointing at its neighbour, a chunk of the other stream) is no index:
// the file plays by walking "movi" as one without a table. The file is never
// written to.
TEST(DamagedFiles, Idx1EntriesThatLie) {
  const TestClip clip = VideoAndPcmClip(12, 5, true);
  AviWriterLayout layout;
  const std::vector<uint8_t> bytes = ReadFileBytes(clip.Write("good-index.avi", &layout));
  const uint64_t entries = layout.idx1Position + 8;  // frame f is entry 2f, its sound 2f + 1
  for (const char* damage : {"few outside", "all outside", "all neighbours"}) {
    const std::string path = WriteWholeFile(ScratchPath(std::string(damage) + ".avi"), bytes);
    const bool few = std::string(damage) == "few outside";
    if (few) {
      ASSERT_TRUE(PatchU32(path, entries + 16 * 8 + 8, 0x7FFF0000u));    // frame 4: far away
      ASSERT_TRUE(PatchU32(path, entries + 16 * 10 + 8, 0xF0000000u));   // frame 5: past 2 GiB
      ASSERT_TRUE(PatchU32(path, entries + 16 * 12 + 12, 0x7FFFFFF0u));  // frame 6: a huge length
      ASSERT_TRUE(PatchU32(path, entries + 16 * 14 + 8,                  // frame 7: across the end
                           static_cast<uint32_t>(layout.fileSize - layout.moviTypePosition - 10)));
    }
    for (uint32_t e = 0; !few && e < 24; ++e) {  // a video and a sound chunk per frame
      uint32_t offset = 0xFFFF0000u - e * 16;
      // The frame's sound for its picture, and back.
      if (std::string(damage) == "all neighbours") std::memcpy(&offset, bytes.data() + entries + 16 * (e ^ 1) + 8, 4);
      ASSERT_TRUE(PatchU32(path, entries + 16 * e + 8, offset));
    }
    const std::vector<uint8_t> before = ReadFileBytes(path);
    AviFile file;
    ASSERT_TRUE(OpenFile(&file, path, true));
    EXPECT_EQ(file.HasIndex(), few) << damage;
    if (few) {
      for (int32_t f = 4; f <= 7; ++f) EXPECT_FALSE(Readable(&file, f)) << "frame " << f;
      ExpectFrames(&file, clip, {0, 1, 2, 3, 8, 9, 10, 11, 3}, "the others");
    } else {
      ExpectFrames(&file, clip, Range(0, 12), damage);  // in order, as walking reads them
    }
    file.Close();
    EXPECT_EQ(ReadFileBytes(path), before) << damage;
  }
}

// The frames up to the first that fails, and the sound in runs.
std::pair<std::vector<std::vector<uint8_t>>, std::vector<uint8_t>> ReadAll(AviFile* file) {
  std::vector<std::vector<uint8_t>> frames;
  while (auto frame = ReadFrame(file, static_cast<int32_t>(frames.size()))) frames.push_back(*frame);
  return {frames, ReadAllSound(file, 256)};
}

template <typename T>
bool IsPrefix(const std::vector<T>& part, const std::vector<T>& whole) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

// Files another writer made, cut at every 4 KiB with and without the index:
// refused with an opening message, or read as a prefix of the whole file's
// frames and sound, growing with the cut.
TEST(DamagedFiles, PrefixesOfFfmpegsClipsReadAPrefixOfTheWholeFile) {
  for (const std::string clip : {"cinepak_pcm16.avi", "raw_mp3.avi", "msvc_ima.avi"}) {
    ASSERT_TRUE(ClipExists(clip)) << clip << " is missing: tools/make_clips.sh makes it";
    const std::vector<uint8_t> bytes = ReadFileBytes(ClipPath(clip));
    for (const bool index : {true, false}) {
      AviFile whole;
      ASSERT_TRUE(whole.Open(bytes.data(), bytes.size(), nullptr, false, 2, index)) << clip;
      const auto all = ReadAll(&whole);
      ASSERT_GT(all.first.size(), 10u) << clip;
      size_t framesBefore = 0;
      for (size_t cut = 0; cut <= bytes.size();
           cut = cut < bytes.size() ? std::min(cut + 4096, bytes.size()) : cut + 1) {
        const std::string what = clip + " cut at " + std::to_string(cut) + (index ? "" : " without index");
        AviFile file;
        std::string messages;
        if (!file.Open(bytes.data(), cut, &messages, false, 2, index)) {
          EXPECT_TRUE(messages == kUnknownFormat || messages == kNoIndex) << what << ": " << messages;
          continue;
        }
        EXPECT_EQ(messages, "") << what;
        const auto read = ReadAll(&file);
        EXPECT_TRUE(IsPrefix(read.first, all.first) && IsPrefix(read.second, all.second)) << what;
        EXPECT_GE(read.first.size(), framesBefore) << what << ": a longer prefix reads fewer frames";
        framesBefore = read.first.size();
        EXPECT_TRUE(cut < bytes.size() || read == all) << what << ": the whole file reads as itself";
      }
    }
  }
}

}  // namespace
