// The file source of the player: a kernel32 file handle.
#include "media/file_source.h"

#include "platform/win32.h"

#include <new>

namespace {

class KernelFileSource final : public FileSource {
 public:
  KernelFileSource(HANDLE file, uint64_t size) : file_(file), size_(size) {}
  ~KernelFileSource() override { CloseHandle(file_); }
  KernelFileSource(const KernelFileSource&) = delete;
  KernelFileSource& operator=(const KernelFileSource&) = delete;

  uint64_t Size() const override { return size_; }

  bool Seek(uint64_t position) override {
    if (position > static_cast<uint64_t>(INT64_MAX)) return false;
    LONG high = static_cast<LONG>(position >> 32);
    // A low part of 0xFFFFFFFF is a valid position: only the error code tells
    // a failure, and success need not clear an earlier one.
    SetLastError(NO_ERROR);
    const DWORD low =
        SetFilePointer(file_, static_cast<LONG>(position & 0xFFFFFFFFu), &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
    return (static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32 | low) == position;
  }

  bool Read(void* destination, uint32_t length, uint32_t* got) override {
    DWORD read = 0;
    const bool ok = ReadFile(file_, destination, length, &read, nullptr) != 0;
    *got = ok ? read : 0;
    return ok;
  }

  bool InMemory() const override { return false; }

 private:
  HANDLE file_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<FileSource> OpenFileSource(const char* path) {
  HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return nullptr;
  DWORD high = 0;
  SetLastError(NO_ERROR);  // as for SetFilePointer: 0xFFFFFFFF may be a size
  const DWORD low = GetFileSize(handle, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
    CloseHandle(handle);
    return nullptr;
  }
  std::unique_ptr<FileSource> source(
      new (std::nothrow) KernelFileSource(handle, static_cast<uint64_t>(high) << 32 | low));
  if (source == nullptr) CloseHandle(handle);
  return source;
}
