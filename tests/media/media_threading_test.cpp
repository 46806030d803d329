// The reader shared by several threads, as the decoding graph's video and
// audio sides use it, and opened and closed while its read-ahead thread works
// (run under ThreadSanitizer as well).
#include "tests/media/media_test_support.h"

#include <atomic>
#include <thread>

namespace {

constexpr uint32_t kBlock = CachedFileReader::kBlockSize;

// Readers at random ranges, more of them than slots; then opened and closed
// over and over, each time just after a read queued the following block.
TEST(MediaThreading, ConcurrentReadsEachGetTheirOwnBytesAndClosingWhileLoadingIsClean) {
  const uint32_t size = 6 * kBlock + 1234;
  const std::vector<uint8_t> bytes = Payload(31, size);
  const std::string path = WriteWholeFile(ScratchPath("shared.bin"), bytes);
  CachedFileReader reader;
  ASSERT_TRUE(reader.Open(path.c_str(), 2));
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      uint32_t x = 17 + t;
      std::vector<uint8_t> got(kBlock + 100);
      for (int i = 0; i < 150; ++i) {
        x = x * 1664525u + 1013904223u;
        const uint32_t position = x % (size - 1);
        const uint32_t length = 1 + (x >> 5) % std::min<uint32_t>(size - position, kBlock + 100);
        if (!reader.Read(got.data(), position, length) ||
            std::memcmp(got.data(), bytes.data() + position, length) != 0) {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);

  for (int round = 0; round < 60; ++round) {
    ASSERT_TRUE(reader.Open(path.c_str(), 2 + round % 3));
    uint8_t got[16];
    const uint32_t position = (round % 4) * kBlock + 7;
    ASSERT_TRUE(reader.Read(got, position, sizeof got));
    EXPECT_EQ(std::memcmp(got, bytes.data() + position, sizeof got), 0);
    if (round % 2 == 0) reader.Close();
  }
  reader.Close();
  EXPECT_FALSE(reader.IsOpen());
}

}  // namespace
