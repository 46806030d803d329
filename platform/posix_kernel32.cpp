// POSIX stand-in for the kernel32 calls of platform/win32.h.
//
// Only what the portable core needs, with the Windows results: a file opened
// read-only, a file pointer moved by a signed 32-bit distance, threads that can
// be waited for, recursive critical sections, the performance counter and the
// memory calls. Thread priorities are recorded but have no effect here, and a
// thread cannot be suspended or killed (both report failure).
#ifndef _WIN32

#include "platform/win32.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace {

thread_local DWORD t_lastError = NO_ERROR;

enum class HandleKind { File, Thread };

struct HandleBase {
  explicit HandleBase(HandleKind k) : kind(k) {}
  HandleKind kind;
};

struct FileHandle : HandleBase {
  FileHandle() : HandleBase(HandleKind::File) {}
  int fd = -1;
};

// A thread's handle is shared by the creator and the thread itself: whichever
// lets go last frees it.
struct ThreadHandle : HandleBase {
  ThreadHandle() : HandleBase(HandleKind::Thread) {
    pthread_mutex_init(&mutex, nullptr);
    pthread_cond_init(&finishedCond, nullptr);
  }
  ~ThreadHandle() {
    pthread_cond_destroy(&finishedCond);
    pthread_mutex_destroy(&mutex);
  }
  pthread_t thread{};
  pthread_mutex_t mutex;
  pthread_cond_t finishedCond;
  LPTHREAD_START_ROUTINE routine = nullptr;
  LPVOID argument = nullptr;
  DWORD id = 0;
  DWORD exitCode = 0;
  int priority = THREAD_PRIORITY_NORMAL;
  bool finished = false;
  bool joined = false;
  int references = 2;  // the creator's handle and the running thread
};

FileHandle* AsFile(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  auto* base = static_cast<HandleBase*>(h);
  return base->kind == HandleKind::File ? static_cast<FileHandle*>(base) : nullptr;
}

ThreadHandle* AsThread(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  auto* base = static_cast<HandleBase*>(h);
  return base->kind == HandleKind::Thread ? static_cast<ThreadHandle*>(base) : nullptr;
}

void DropThreadReference(ThreadHandle* t) {
  pthread_mutex_lock(&t->mutex);
  const bool last = --t->references == 0;
  pthread_mutex_unlock(&t->mutex);
  if (!last) return;
  if (!t->joined) pthread_detach(t->thread);
  delete t;
}

DWORD NextThreadId() {
  static DWORD counter = 1000;
  return __atomic_add_fetch(&counter, 4, __ATOMIC_RELAXED);
}

void* ThreadMain(void* raw) {
  auto* t = static_cast<ThreadHandle*>(raw);
  const DWORD code = t->routine(t->argument);
  pthread_mutex_lock(&t->mutex);
  t->exitCode = code;
  t->finished = true;
  pthread_cond_broadcast(&t->finishedCond);
  pthread_mutex_unlock(&t->mutex);
  DropThreadReference(t);
  return nullptr;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
  // Only read access to an existing file is needed by the program.
  if (name == nullptr || access != GENERIC_READ || disposition != OPEN_EXISTING) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
  }
  const int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {  // Windows refuses directories here
    close(fd);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto* f = new FileHandle;
  f->fd = fd;
  SetLastError(NO_ERROR);
  return f;
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  FileHandle* f = AsFile(file);
  struct stat st;
  if (f == nullptr || fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
  FileHandle* f = AsFile(file);
  if (f == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  // Without a high part the distance is a signed 32-bit value.
  int64_t move = distanceHigh != nullptr
                     ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                            static_cast<uint32_t>(distance))
                     : static_cast<int64_t>(distance);
  int64_t base = 0;
  if (method == FILE_CURRENT) {
    base = lseek(f->fd, 0, SEEK_CUR);
  } else if (method == FILE_END) {
    struct stat st;
    base = fstat(f->fd, &st) == 0 ? st.st_size : -1;
  }
  const int64_t target = base + move;
  if (base < 0 || target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  if (lseek(f->fd, target, SEEK_SET) < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  // As on Windows, success leaves the last error as it was.
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(target >> 32);
  return static_cast<DWORD>(target);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD bytesRead, void*) {
  FileHandle* f = AsFile(file);
  if (bytesRead != nullptr) *bytesRead = 0;
  if (f == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    const ssize_t n = read(f->fd, out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      if (bytesRead != nullptr) *bytesRead = done;
      return FALSE;
    }
    if (n == 0) break;  // end of file: success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  if (bytesRead != nullptr) *bytesRead = done;
  SetLastError(NO_ERROR);
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (FileHandle* f = AsFile(handle)) {
    close(f->fd);
    delete f;
    return TRUE;
  }
  if (ThreadHandle* t = AsThread(handle)) {
    DropThreadReference(t);
    return TRUE;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&section->mutex, &attr);
  pthread_mutexattr_destroy(&attr);
}

void EnterCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_lock(&section->mutex); }
void LeaveCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_unlock(&section->mutex); }
void DeleteCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_destroy(&section->mutex); }

namespace {
std::atomic<bool> g_refuseThreads{false};
}  // namespace

void RefuseThreadCreation(bool refuse) { g_refuseThreads.store(refuse); }

HANDLE CreateThread(void*, SIZE_T, LPTHREAD_START_ROUTINE routine, LPVOID argument, DWORD flags,
                    LPDWORD threadId) {
  // Suspended creation is not offered.
  if (routine == nullptr || flags != 0 || g_refuseThreads.load()) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto* t = new ThreadHandle;
  t->routine = routine;
  t->argument = argument;
  t->id = NextThreadId();
  if (pthread_create(&t->thread, nullptr, ThreadMain, t) != 0) {
    delete t;
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (threadId != nullptr) *threadId = t->id;
  return t;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  ThreadHandle* t = AsThread(thread);
  if (t == nullptr) return FALSE;
  pthread_mutex_lock(&t->mutex);
  t->priority = priority;
  pthread_mutex_unlock(&t->mutex);
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  ThreadHandle* t = AsThread(thread);
  if (t == nullptr) return THREAD_PRIORITY_ERROR_RETURN;
  pthread_mutex_lock(&t->mutex);
  const int p = t->priority;
  pthread_mutex_unlock(&t->mutex);
  return p;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  ThreadHandle* t = AsThread(handle);
  if (t == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  pthread_mutex_lock(&t->mutex);
  if (milliseconds == INFINITE) {
    while (!t->finished) pthread_cond_wait(&t->finishedCond, &t->mutex);
  } else {
    timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
      deadline.tv_sec += 1;
      deadline.tv_nsec -= 1000000000L;
    }
    while (!t->finished) {
      if (pthread_cond_timedwait(&t->finishedCond, &t->mutex, &deadline) == ETIMEDOUT) break;
    }
  }
  const bool finished = t->finished;
  const bool mustJoin = finished && !t->joined;
  if (mustJoin) t->joined = true;
  pthread_mutex_unlock(&t->mutex);
  if (mustJoin) pthread_join(t->thread, nullptr);
  return finished ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD SuspendThread(HANDLE) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return static_cast<DWORD>(-1);
}

DWORD ResumeThread(HANDLE) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return static_cast<DWORD>(-1);
}

BOOL TerminateThread(HANDLE, DWORD) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  ThreadHandle* t = AsThread(thread);
  if (t == nullptr || exitCode == nullptr) return FALSE;
  pthread_mutex_lock(&t->mutex);
  *exitCode = t->finished ? t->exitCode : 259u;  // STILL_ACTIVE
  pthread_mutex_unlock(&t->mutex);
  return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(pthread_self()); }

void Sleep(DWORD milliseconds) {
  // Sleep(0) gives up the time slice and returns at once when nothing else is
  // ready, as on Windows (nanosleep of 0 would still sleep for the timer slack).
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec delay{static_cast<time_t>(milliseconds / 1000),
                 static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  count->QuadPart = static_cast<LONGLONG>(now.tv_sec) * 1000000000LL + now.tv_nsec;
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  frequency->QuadPart = 1000000000LL;
  return TRUE;
}

DWORD GetTickCount() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<DWORD>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// Available memory as the kernel estimates it (MemAvailable), like dwAvailPhys.
void GlobalMemoryStatus(LPMEMORYSTATUS status) {
  std::memset(status, 0, sizeof(*status));
  status->dwLength = sizeof(*status);
  struct sysinfo info;
  if (sysinfo(&info) == 0) {
    status->dwTotalPhys = static_cast<SIZE_T>(info.totalram) * info.mem_unit;
    status->dwAvailPhys = static_cast<SIZE_T>(info.freeram) * info.mem_unit;
    status->dwTotalPageFile = status->dwTotalPhys + static_cast<SIZE_T>(info.totalswap) * info.mem_unit;
    status->dwAvailPageFile = status->dwAvailPhys + static_cast<SIZE_T>(info.freeswap) * info.mem_unit;
  }
  if (FILE* meminfo = std::fopen("/proc/meminfo", "r")) {
    char line[128];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, meminfo) != nullptr) {
      if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
        status->dwAvailPhys = static_cast<SIZE_T>(kib) * 1024u;
        break;
      }
    }
    std::fclose(meminfo);
  }
  if (status->dwTotalPhys > 0) {
    status->dwMemoryLoad =
        static_cast<DWORD>(100 - (status->dwAvailPhys * 100) / status->dwTotalPhys);
  }
  status->dwTotalVirtual = static_cast<SIZE_T>(1) << 47;
  status->dwAvailVirtual = status->dwTotalVirtual;
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (flags != GMEM_FIXED) return nullptr;  // movable memory is not offered
  return std::malloc(bytes == 0 ? 1 : bytes);
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  std::free(memory);
  return nullptr;
}

#endif  // !_WIN32
