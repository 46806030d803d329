#include "video/video_presenter_pack.h"

#include "video/video_presenter_modes.h"

PackTarget CentredTarget(uint8_t* surface, int32_t pitch, int32_t surfaceWidth,
                         int32_t surfaceHeight, int32_t width, int32_t height) {
  PackTarget target;
  target.surface = surface;
  target.pitch = pitch;
  target.xo = (surfaceWidth - width) / 2;
  target.yo = (surfaceHeight - height) / 2;
  return target;
}

bool PackOverlayFrame(int32_t mode, const uint8_t* frame, int32_t framePitch,
                      const uint32_t* converted, int32_t width, int32_t height,
                      const PackTarget& target) {
  switch (mode) {
    case kPresentRgb16:
      PackFrameRgb16(converted, width, height, target);
      return true;
    case kPresentRgb24:
      PackFrameRgb24(converted, width, height, target);
      return true;
    case kPresentRgb32:
      PackFrameRgb32(converted, width, height, target);
      return true;
    case kPresentUyvy:
      PackFrameUyvy(frame, width, height, framePitch, target);
      return true;
    case kPresentYuy2:
      PackFrameYuy2(frame, width, height, framePitch, target);
      return true;
    default:
      return false;
  }
}
