#include "tests/media/media_test_support.h"

namespace {

constexpr uint32_t kBlock = CachedFileReader::kBlockSize;

// Whether a read of the range gives the file's bytes, writing nothing past it.
bool ReadMatches(CachedFileReader* reader, const std::vector<uint8_t>& bytes, uint32_t position,
                 uint32_t length) {
  std::vector<uint8_t> got(length + 1, 0xEE);
  if (!reader->Read(got.data(), position, length)) return false;
  EXPECT_EQ(got[length], 0xEE) << "the read wrote past its length";
  return std::memcmp(got.data(), bytes.data() + position, length) == 0;
}

// Slot counts are held between 2 and 256. Reads of any range return the
// file's bytes (blocks evicted and loaded again, backwards too, with two
// slots); reads reaching past the end fail, also when the file ends at a
// block's border (its last block is empty) and when the range wraps round
// 4 GiB, and the failures are not remembered. A missing file or a directory
// leaves the reader closed. (Random ranges: the threading test's readers.)
TEST(CachedFileReader, SlotCountsRangesAndMissingFiles) {
  const std::pair<int32_t, int32_t> slots[] = {{-3, 2}, {0, 2}, {1, 2}, {5, 5}, {256, 256}, {1000, 256}};
  CachedFileReader reader;
  for (const uint32_t size : {2 * kBlock, 2 * kBlock + 1000}) {
    const std::vector<uint8_t> bytes = Payload(size, size);
    const std::string path = WriteWholeFile(ScratchPath(std::to_string(size) + ".bin"), bytes);
    const struct { uint32_t position, length; bool ok; } ranges[] = {
        {0, size, true},          {size - 1, 1, true},      {size, 1, false},
        {kBlock - 1, 2, true},    {size - 1, 2, false},     {size + kBlock, 1, false},
        {1, size - 1, true},      {0xFFFFFFF0u, 0x20, false}, {7, 1, true}};
    for (const auto& [asked, held] : slots) {
      ASSERT_TRUE(reader.Open(path.c_str(), asked));
      EXPECT_EQ(reader.SlotCount(), held) << "asked for " << asked;
      for (const auto& r : ranges) {
        EXPECT_EQ(ReadMatches(&reader, bytes, r.position, r.length), r.ok)
            << size << ", " << asked << " slots: " << r.position << "+" << r.length;
      }
    }
    for (const std::string& bad : {ScratchPath("no-such-file.avi"), ScratchDir()}) {
      ASSERT_TRUE(reader.Open(path.c_str(), 4));
      EXPECT_FALSE(reader.Open(bad.c_str(), 4)) << bad;
      EXPECT_FALSE(reader.IsOpen());
      EXPECT_EQ(reader.SlotCount(), 0);
      uint8_t byte = 0;
      EXPECT_FALSE(reader.Read(&byte, 0, 1));
      EXPECT_TRUE(reader.Read(&byte, 0, 0));
    }
  }
  reader.Close();  // safe when closed
}

// A sparse file of 2 GiB + 1 MiB with marks just before and after 2 GiB.
TEST(CachedFileReaderEnd, BlocksAtOrBeyond2GiBFailToLoad) {
  const std::string path = ScratchPath("beyond-2gib.bin");
  const uint64_t twoGiB = 1ull << 31;
  {
    std::ofstream out(path, std::ios::binary);
    for (const auto& [at, text] : {std::pair<uint64_t, const char*>{twoGiB - 100, "before2GiB"},
                                   {twoGiB + 100, "after2GiB!"}, {twoGiB + (1 << 20) - 10, "the end..."}}) {
      out.seekp(static_cast<std::streamoff>(at));
      out.write(text, 10);
    }
    ASSERT_TRUE(static_cast<bool>(out));
  }
  CachedFileReader reader;
  ASSERT_TRUE(reader.Open(path.c_str(), 2));
  EXPECT_EQ(reader.FileSize(), twoGiB + (1 << 20));
  // The ten bytes at the position, none when the read fails.
  const auto text = [&](uint64_t position) {
    char bytes[10];
    return reader.Read(bytes, position, 10) ? std::string(bytes, 10) : std::string();
  };
  EXPECT_EQ(text(twoGiB - 100), "before2GiB");
  EXPECT_EQ(text(twoGiB - 5), "") << "reaches 2 GiB";
  EXPECT_EQ(text(twoGiB + 100), "");
  reader.SetDirectMode(true);
  EXPECT_EQ(text(twoGiB + 100), "");
  EXPECT_EQ(text(twoGiB - 100), "before2GiB");
  reader.SetDirectMode(false);
  EXPECT_EQ(text(twoGiB - 100), "before2GiB") << "the block just below 2 GiB still loads after the failures";

  // Large-file mode (OpenDML files) reaches them, cached and direct, and
  // opening leaves it again.
  reader.SetLargeFile(true);
  char across[210];
  ASSERT_TRUE(reader.Read(across, twoGiB - 100, sizeof across));
  EXPECT_EQ(std::string(across, 10) + std::string(across + 200, 10), "before2GiBafter2GiB!");
  EXPECT_EQ(text(twoGiB + 100), "after2GiB!");
  reader.SetDirectMode(true);
  EXPECT_EQ(text(twoGiB + 100), "after2GiB!");
  ASSERT_TRUE(reader.Open(path.c_str(), 2));
  EXPECT_EQ(text(twoGiB + 100), "");
}

}  // namespace
