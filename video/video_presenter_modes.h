// The names of the presenter's modes, as the statistics show them.
#pragma once

#include "settings/present_mode.h"

#include <cstdint>

// "Disabled", "NonOverlay RGB", "16 Bit RGB (High)", ... ; "" out of range.
const char* PresentModeName(int32_t mode);
