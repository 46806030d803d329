#include "video/video_presenter_modes.h"

const char* PresentModeName(int32_t mode) {
  static const char* const kNames[] = {
      "Disabled",          "NonOverlay RGB",    "16 Bit RGB (High)", "24 Bit RGB (True)",
      "32 Bit RGB (True)", "9 Bit YUV (YV12)",  "16 Bit YUV (UYVY)", "16 Bit YUV (YUY2)",
  };
  if (mode < 0 || mode > 7) return "";
  return kNames[mode];
}
