// The file calls behave as on Windows, natively and under Wine: the reader
// relies on these exact results.
#include <gtest/gtest.h>

#include "media/file_source.h"
#include "platform/win32.h"
#include "tests/common/test_paths.h"

#include <memory>
#include <string>
#include <tuple>

namespace {

HANDLE OpenRead(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// (Missing files and directories are refused: the cached reader's open test.)
TEST(Kernel32File, OpenSizeSeekAndShortRead) {
  std::string bytes(1000, 0);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  HANDLE h = OpenRead(WriteWholeFile(ScratchPath("ten.bin"), bytes));
  ASSERT_NE(h, INVALID_HANDLE_VALUE);

  DWORD high = 123;
  const DWORD size = GetFileSize(h, &high);
  EXPECT_EQ(std::make_tuple(size, high), std::make_tuple(DWORD{1000}, DWORD{0}));

  EXPECT_EQ(SetFilePointer(h, 990, nullptr, FILE_BEGIN), 990u);
  char buffer[32] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), bytes.substr(990));  // end of file: success, fewer bytes
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);

  // Seeking past the end is allowed; reading there gives nothing.
  EXPECT_EQ(SetFilePointer(h, 5000, nullptr, FILE_BEGIN), 5000u);
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);

  // A single signed 32-bit distance cannot reach 2 GiB: such a move fails.
  EXPECT_EQ(SetFilePointer(h, static_cast<LONG>(0x80000000u), nullptr, FILE_BEGIN),
            INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_TRUE(CloseHandle(h));

  // The player's file source: positions whose low part is 0xFFFFFFFF are
  // placed, whatever error an earlier call left behind.
  std::unique_ptr<FileSource> source = OpenFileSource(ScratchPath("ten.bin").c_str());
  ASSERT_NE(source, nullptr);
  for (const uint64_t position : {0xFFFFFFFFull, 0x1FFFFFFFFull, 999ull}) {
    SetLastError(ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(source->Seek(position)) << std::hex << position;
  }
  uint32_t got = 0;
  ASSERT_TRUE(source->Read(buffer, 4, &got));
  EXPECT_EQ(std::string(buffer, got), bytes.substr(999));
}

}  // namespace
