// The DirectShow, COM and multimedia declarations that the decoding bridge
// uses (Windows only), and the identities of the program's own two filters.
#pragma once

#include "platform/win32.h"

#include <dshow.h>
#include <mmreg.h>
#include <objbase.h>

#include <cstdint>

// The FOURCC-based media subtype pattern {XXXXXXXX-0000-0010-8000-00AA00389B71}.
inline GUID FourccSubtype(uint32_t fourcc) {
  GUID subtype = {fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
  return subtype;
}

// "Velmora AVI Splitter": the FOURCC SFIL in the subtype pattern.
inline const CLSID kClsidAviSplitter = FourccSubtype(0x4C494653);
// "Velmora Sample Grabber": the FOURCC DFIL in the subtype pattern.
inline const CLSID kClsidSampleGrabber = FourccSubtype(0x4C494644);

constexpr uint32_t kFourccYuy2 = 0x32595559;  // 'YUY2'
