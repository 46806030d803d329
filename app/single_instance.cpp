#include "app/single_instance.h"

#include "app/resource.h"
#include "app/settings_key.h"

#include <cstring>

namespace {

constexpr char kCommandLineValue[] = "Command Line";
constexpr DWORD kCommandLineCapacity = 1024;

}  // namespace

void HandOverToRunningInstance(HWND running, const char* commandLine) {
  if (commandLine != nullptr && commandLine[0] != '\0') {
    // The running instance reads the value; failures here are not reported.
    SettingsKey key;
    if (key.Get() != nullptr) {
      RegSetValueExA(key.Get(), kCommandLineValue, 0, REG_BINARY,
                     reinterpret_cast<const BYTE*>(commandLine),
                     static_cast<DWORD>(std::strlen(commandLine) + 1));
    }
  }
  SendNotifyMessageA(running, WM_COMMAND, IDM_HAND_OVER, 0);
}

bool TakeHandedOverCommandLine(std::string* commandLine) {
  commandLine->clear();
  SettingsKey key;
  if (key.Get() == nullptr) return false;
  char text[kCommandLineCapacity + 1] = {};
  DWORD size = kCommandLineCapacity;
  const LONG result = RegQueryValueExA(key.Get(), kCommandLineValue, nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(text), &size);
  RegDeleteValueA(key.Get(), kCommandLineValue);
  if (result != ERROR_SUCCESS || size == 0) return false;
  text[size < kCommandLineCapacity ? size : kCommandLineCapacity] = '\0';
  *commandLine = text;
  return true;
}
