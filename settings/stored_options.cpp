#include "settings/stored_options.h"

#include <cstring>

bool TakeStoredOptions(const uint8_t* value, size_t size, Options* record) {
  if (size > sizeof *record) return false;
  if (size > 0) std::memcpy(record, value, size);
  return record->formatVersion == kOptionsVersion;
}
