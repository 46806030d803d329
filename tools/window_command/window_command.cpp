// velmora_command: talks to a running Velmora Player from scripts, the way a
// menu or key would (Windows console program).
//
//   velmora_command ID [LPARAM]   posts WM_COMMAND ID to the player's window
//                                 (105 is Exit, 32817 Play/Pause)
//   velmora_command title         prints the window's title
//   velmora_command boxes         answers every open message box with OK and
//                                 prints its caption, one a line after "box: "
//                                 (so that a caller can tell them from what
//                                 Wine prints when it fails to start us)
//   velmora_command windows       prints how many player windows there are
//   velmora_command dialog        status 0 when a dialog (a file dialog, a
//                                 message box) is open, 1 when none is
//   velmora_command figures       prints the player process's private bytes,
//                                 handles, registry key handles among them, GDI
//                                 objects, USER objects, threads, top-level
//                                 windows and manual-reset event handles
//                                 (Wine 8 reports no GDI or USER objects: its
//                                 GetGuiResources gives 0)
//   velmora_command handles       prints the player's handles by object type
//   velmora_command key VK        posts a key press (accelerators included)
//   velmora_command click PERCENT clicks the seek bar at that share of its width
//
// Exit status 0 on success, 1 when no player runs (for boxes: when there was
// none), 2 on a usage error.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include "tools/event_kind.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <cwchar>
#include <utility>
#include <vector>

namespace {

// Message boxes and file dialogs are of the standard dialog class.
bool IsDialog(HWND window) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  return std::strcmp(className, "#32770") == 0 && IsWindowVisible(window);
}

BOOL CALLBACK CountDialog(HWND window, LPARAM count) {
  if (IsDialog(window)) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

BOOL CALLBACK AnswerBox(HWND window, LPARAM answered) {
  if (!IsDialog(window)) return TRUE;
  char caption[256] = {};
  GetWindowTextA(window, caption, sizeof caption);
  std::printf("box: %s\n", caption);
  PostMessageA(window, WM_COMMAND, IDOK, 0);
  ++*reinterpret_cast<int*>(answered);
  return TRUE;
}

BOOL CALLBACK CountPlayer(HWND window, LPARAM count) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "VelmoraClass") == 0) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int ThreadsOf(DWORD process) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == process) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// The object type of another process's handle ("Key", "Event", "Thread", ...);
// manual-reset events are told apart as "ManualEvent": the player makes none,
// and Wine's filter graph leaves one behind for every graph (bench/wine_leaks.sh).
std::wstring TypeOfHandle(HANDLE process, USHORT value) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)), GetCurrentProcess(),
                       &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return L"?";
  }
  alignas(8) char type[512];
  ULONG length = 0;
  std::wstring name = L"?";
  if (NtQueryObject(copy, ObjectTypeInformation, type, sizeof type, &length) == 0) {
    const UNICODE_STRING& typeName = reinterpret_cast<PUBLIC_OBJECT_TYPE_INFORMATION*>(type)->TypeName;
    name.assign(typeName.Buffer, typeName.Length / sizeof(wchar_t));
  }
  if (name == L"Event" && KindOfEvent(copy) == EventKind::kManualReset) name = L"ManualEvent";
  CloseHandle(copy);
  return name;
}

// Handles from the system's handle table, which Wine's wineserver fills for
// every process (GetProcessHandleCount reports 0 for other processes there),
// counted by type. Wine 8's filter graph leaks key handles on every
// connection it tries (77 for each RenderFile of a bare graph, measured),
// which no code of ours can close. Empty when the table can't be read.
std::map<std::wstring, long> HandlesByType(DWORD id, HANDLE process) {
  std::map<std::wstring, long> types;
  std::vector<uint8_t> table(1 << 20);
  ULONG needed = 0;
  NTSTATUS status;
  while ((status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16), table.data(),
                                            static_cast<ULONG>(table.size()), &needed)) ==
             static_cast<NTSTATUS>(0xC0000004) &&
         table.size() < (64u << 20)) {
    table.resize(table.size() * 2);
  }
  if (status != 0) return types;
  const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(table.data());
  for (ULONG i = 0; i < info->Count; ++i) {
    if (info->Handle[i].OwnerPid == id) ++types[TypeOfHandle(process, info->Handle[i].HandleValue)];
  }
  return types;
}

BOOL CALLBACK CountWindowsOf(HWND window, LPARAM param) {
  auto* counted = reinterpret_cast<std::pair<DWORD, int>*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  counted->second += owner == counted->first;
  return TRUE;
}

int WindowsOf(DWORD process) {
  std::pair<DWORD, int> counted(process, 0);
  EnumWindows(CountWindowsOf, reinterpret_cast<LPARAM>(&counted));
  return counted.second;
}

int PrintFigures(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE, id);
  if (process == nullptr) return 1;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  // PrivateUsage is the commit charge; Wine fills only PagefileUsage, the same figure.
  const SIZE_T commit = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  const std::map<std::wstring, long> types = HandlesByType(id, process);
  long handles = types.empty() ? -1 : 0;
  for (const auto& type : types) handles += type.second;
  auto count = [&types](const wchar_t* type) { return types.empty() ? -1 : types.count(type) ? types.at(type) : 0; };
  std::printf("%llu %ld %ld %lu %lu %d %d %ld\n", static_cast<unsigned long long>(commit), handles, count(L"Key"),
              static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
              static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)), ThreadsOf(id),
              WindowsOf(id), count(L"ManualEvent"));
  CloseHandle(process);
  return 0;
}

int PrintHandleTypes(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_DUP_HANDLE, FALSE, id);
  if (process == nullptr) return 1;
  for (const auto& type : HandlesByType(id, process)) std::printf("%ls %ld\n", type.first.c_str(), type.second);
  CloseHandle(process);
  return 0;
}

// A press and release of the left button over the seek bar, which lies in
// the status strip along the client area's bottom.
int ClickSeekBar(HWND window, long percent) {
  RECT client;
  GetClientRect(window, &client);
  const LONG left = 4, right = client.right - 128;
  const LPARAM at = MAKELPARAM(left + (right - left) * percent / 100, client.bottom - 8);
  return PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(window, WM_LBUTTONUP, 0, at) ? 0 : 1;
}

int PressKey(HWND window, long key) {
  return PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(key), 1) &&
                 PostMessageA(window, WM_KEYUP, static_cast<WPARAM>(key), 0xC0000001)
             ? 0
             : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: velmora_command ID [LPARAM] | title | boxes | windows | dialog | "
                         "figures | handles | key VK | click PERCENT\n");
    return 2;
  }
  if (std::strcmp(argv[1], "windows") == 0) {
    int count = 0;
    EnumWindows(CountPlayer, reinterpret_cast<LPARAM>(&count));
    std::printf("%d\n", count);
    return 0;
  }
  if (std::strcmp(argv[1], "dialog") == 0) {
    int count = 0;
    EnumWindows(CountDialog, reinterpret_cast<LPARAM>(&count));
    return count > 0 ? 0 : 1;
  }
  if (std::strcmp(argv[1], "boxes") == 0) {
    int answered = 0;
    EnumWindows(AnswerBox, reinterpret_cast<LPARAM>(&answered));
    return answered > 0 ? 0 : 1;
  }
  HWND window = FindWindowA("VelmoraClass", nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "velmora_command: no Velmora Player window\n");
    return 1;
  }
  if (std::strcmp(argv[1], "title") == 0) {
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    std::printf("%s\n", title);
    return 0;
  }
  if (std::strcmp(argv[1], "figures") == 0) return PrintFigures(window);
  if (std::strcmp(argv[1], "handles") == 0) return PrintHandleTypes(window);
  if (argc == 3 && std::strcmp(argv[1], "key") == 0) return PressKey(window, std::strtol(argv[2], nullptr, 0));
  if (argc == 3 && std::strcmp(argv[1], "click") == 0) {
    return ClickSeekBar(window, std::strtol(argv[2], nullptr, 10));
  }
  char* end = nullptr;
  const long id = std::strtol(argv[1], &end, 10);
  if (end == argv[1] || *end != '\0' || id <= 0 || id > 0xFFFF) {
    std::fprintf(stderr, "velmora_command: %s is not a command id\n", argv[1]);
    return 2;
  }
  const LPARAM lParam = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0;
  return PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), lParam) ? 0 : 1;
}
