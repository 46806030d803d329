// The player's file source over the file calls, natively and under Wine.
// (Sizes past 4 GiB, short reads at the end and the refused moves beyond
// 2 GiB: the cached reader's tests, through the same calls.)
#include <gtest/gtest.h>

#include "media/file_source.h"
#include "platform/win32.h"
#include "tests/common/test_paths.h"

#include <memory>
#include <string>

namespace {

// Positions whose low part is 0xFFFFFFFF (what a failed SetFilePointer also
// returns) are placed, whatever error an earlier call left behind.
TEST(Kernel32File, FileSourceSeeksToPositionsWhoseLowPartIsAllOnes) {
  std::string bytes(1000, 0);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  std::unique_ptr<FileSource> source = OpenFileSource(WriteWholeFile(ScratchPath("ten.bin"), bytes).c_str());
  ASSERT_NE(source, nullptr);
  for (const uint64_t position : {0xFFFFFFFFull, 0x1FFFFFFFFull, 990ull}) {
    SetLastError(ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(source->Seek(position)) << std::hex << position;
  }
  char buffer[32] = {};
  uint32_t got = 0;
  ASSERT_TRUE(source->Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), bytes.substr(990));  // end of file: success, fewer bytes
}

}  // namespace
