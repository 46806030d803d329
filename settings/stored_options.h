// The stored "Options" value taken over a record of defaults, as the
// registry hands it over: a shorter value leaves the rest of the defaults, a
// longer one is refused, and the value is taken only when its first word is
// this version. Portable: the registry read is the shell's.
#pragma once

#include "settings/options.h"

#include <cstddef>
#include <cstdint>

// Copies the value over record; true when it is taken. When false, record
// may hold some of the value's bytes: the caller keeps its defaults.
bool TakeStoredOptions(const uint8_t* value, size_t size, Options* record);
