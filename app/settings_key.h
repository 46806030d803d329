// The program's registry key, HKEY_CURRENT_USER\<kSettingsKey>, with the
// values "Options", "Displacement" and "Command Line".
#pragma once

#include "platform/win32.h"

constexpr const char* kSettingsKey = "Software\\Norvane Software\\Velmora Player";

// The settings key, opened (or made) for one scope; Get() is null when the
// key can't be had.
class SettingsKey {
 public:
  SettingsKey() {
    if (RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~SettingsKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};
