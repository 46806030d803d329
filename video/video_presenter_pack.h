// How the presenter writes one frame into a locked overlay surface: centred
// in the surface, with the packing of its mode. Portable, so that it can be
// checked against a plain memory "surface".
#pragma once

#include "video/present_packing.h"

#include <cstdint>

// The offsets that centre a width x height frame in the surface.
PackTarget CentredTarget(uint8_t* surface, int32_t pitch, int32_t surfaceWidth,
                         int32_t surfaceHeight, int32_t width, int32_t height);

// Writes the frame for an overlay mode (2, 3, 4 from the converted 0x00RRGGBB
// pixels, 6 and 7 from the YUY2 frame). False for any other mode.
bool PackOverlayFrame(int32_t mode, const uint8_t* frame, int32_t framePitch,
                      const uint32_t* converted, int32_t width, int32_t height,
                      const PackTarget& target);
