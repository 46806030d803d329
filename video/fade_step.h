// One darkening step of "Fadeout Pause", applied repeatedly to the paused frame.
#pragma once

#include <cstdint>

// Every luma byte lowered by 4, stopping at 0; chroma stays; W div 4 groups
// per row. Does nothing when HasMmx() is false.
void FadeStep(uint8_t* frame, int32_t width, int32_t height);

namespace reference {
void FadeStep(uint8_t* frame, int32_t width, int32_t height);
}  // namespace reference
