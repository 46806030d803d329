// Tells the kind of an event handle. Windows has no documented call that
// tells a manual-reset event from an auto-reset one; ntdll's NtQueryEvent
// does. The tools, benchmarks and tests that count the handles Wine's filter
// graph leaves behind (a manual-reset event for every graph) use it.
#pragma once

#include <windows.h>
#include <winternl.h>

extern "C" NTSTATUS NTAPI NtQueryEvent(HANDLE event, int informationClass, void* information,
                                       ULONG length, ULONG* returned);

enum class EventKind { kNotAnEvent, kManualReset, kAutoReset };

inline EventKind KindOfEvent(HANDLE handle) {
  struct {
    int type;  // 0: notification (manual reset), 1: synchronization (auto reset)
    LONG state;
  } info = {};
  if (NtQueryEvent(handle, 0, &info, sizeof info, nullptr) != 0) return EventKind::kNotAnEvent;
  return info.type == 0 ? EventKind::kManualReset : EventKind::kAutoReset;
}
