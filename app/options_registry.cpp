// The Options record and the DisplacementList in the registry: binary values
// "Options" (the 232 bytes of the record) and "Displacement" (the list text
// with its terminating zero) under HKEY_CURRENT_USER\<kSettingsKey>.
#include "app/options_registry.h"

#include "app/settings_key.h"
#include "platform/show_message.h"
#include "settings/displacement_list.h"
#include "settings/stored_options.h"

#include <cstring>
#include <vector>

namespace {

const char kFirstRunNotice[] =
    "No saved settings of this version were found. Velmora Player starts with its default "
    "settings.";
const char kNoticeCaption[] = "Velmora Player";

// The stored record, over the defaults: a shorter value leaves the rest of
// the defaults, a longer one fails the query. Taken only when its first word
// is this version.
bool ReadStoredRecord(HKEY key, Options* record) {
  uint8_t value[sizeof *record];
  DWORD size = sizeof value;
  if (RegQueryValueExA(key, "Options", nullptr, nullptr, value, &size) != ERROR_SUCCESS) return false;
  return TakeStoredOptions(value, size, record);
}

// The stored list text, up to its bound; one zero is added, as the value may
// lack its own.
void ReadDisplacementList(HKEY key) {
  DWORD size = 0;
  if (RegQueryValueExA(key, "Displacement", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
      size > DisplacementList::kMaxStoredBytes) {
    return;  // an outsized value is damaged: no delays are remembered
  }
  std::vector<char> text(static_cast<size_t>(size) + 1, '\0');
  if (RegQueryValueExA(key, "Displacement", nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                       &size) != ERROR_SUCCESS) {
    return;
  }
  g_displacementList.SetText(std::string(text.data(), size));
}

// Reads both values; true when the stored record was taken into record.
bool ReadSettings(Options* record) {
  const SettingsKey key;
  if (key.Get() == nullptr) return false;
  const bool taken = ReadStoredRecord(key.Get(), record);
  ReadDisplacementList(key.Get());
  return taken;
}

}  // namespace

bool LoadOptions(Options* options) {
  Options defaults;
  SetDefaultOptions(&defaults);  // also forgets the remembered delays
  Options record = defaults;
  const bool taken = ReadSettings(&record);
  // A foreign or failed read may have left bytes in record: not taken means defaults.
  std::memcpy(options, taken ? &record : &defaults, sizeof record);
  if (!taken) ShowMessage(nullptr, kFirstRunNotice, kNoticeCaption, MB_ICONINFORMATION);
  return taken;
}

bool SaveOptions(const Options* options) {
  const SettingsKey key;
  if (key.Get() == nullptr) return false;
  if (RegSetValueExA(key.Get(), "Options", 0, REG_BINARY, reinterpret_cast<const BYTE*>(options),
                     sizeof *options) != ERROR_SUCCESS) {
    return false;
  }
  const std::string& text = g_displacementList.Text();
  return RegSetValueExA(key.Get(), "Displacement", 0, REG_BINARY,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}
