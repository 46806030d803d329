#include "decode/picture_format.h"

#include "decode/stream_format_check.h"
#include "media/fourcc.h"

#include <cstring>

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kHeaderSize = 40;
// A BITMAPV4HEADER and later hold the masks inside the header, from byte 40.
constexpr uint32_t kHeaderWithMasks = 52;

uint32_t Read32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

uint32_t Upper(uint32_t fourcc) {
  uint32_t upper = fourcc;
  for (int i = 0; i < 4; ++i) {
    const uint32_t c = (fourcc >> (8 * i)) & 0xFF;
    if (c >= 'a' && c <= 'z') upper = (upper & ~(0xFFu << (8 * i))) | ((c - 32) << (8 * i));
  }
  return upper;
}

bool YuvForm(uint32_t compression, PictureForm* form) {
  struct Name {
    char fourcc[5];
    PictureForm form;
  };
  static const Name kNames[] = {{"YUY2", PictureForm::kYuy2}, {"YUYV", PictureForm::kYuy2},
                                {"YUNV", PictureForm::kYuy2}, {"UYVY", PictureForm::kUyvy},
                                {"Y422", PictureForm::kUyvy}, {"UYNV", PictureForm::kUyvy},
                                {"YVYU", PictureForm::kYvyu}, {"I420", PictureForm::kI420},
                                {"IYUV", PictureForm::kI420}, {"YV12", PictureForm::kYv12}};
  const uint32_t upper = Upper(compression);
  for (const Name& name : kNames) {
    if (upper == MakeFourcc(name.fourcc[0], name.fourcc[1], name.fourcc[2], name.fourcc[3])) {
      *form = name.form;
      return true;
    }
  }
  return false;
}

// One run of set bits, within the pixel's bits.
bool IsRun(uint32_t mask, int32_t bits) {
  if (mask == 0 || (bits < 32 && (mask >> bits) != 0)) return false;
  const uint32_t low = mask >> __builtin_ctz(mask);
  return (low & (low + 1)) == 0;
}

bool BitfieldForm(const uint32_t masks[3], int32_t bits, PictureForm* form) {
  for (int i = 0; i < 3; ++i) {
    if (!IsRun(masks[i], bits)) return false;
  }
  if ((masks[0] & masks[1]) != 0 || (masks[0] & masks[2]) != 0 || (masks[1] & masks[2]) != 0) return false;
  auto are = [&](uint32_t r, uint32_t g, uint32_t b) { return masks[0] == r && masks[1] == g && masks[2] == b; };
  if (bits == 16) {
    *form = are(0x7C00, 0x03E0, 0x001F) ? PictureForm::kRgb555
            : are(0xF800, 0x07E0, 0x001F) ? PictureForm::kRgb565 : PictureForm::kBitfields16;
    return true;
  }
  *form = are(0xFF0000, 0xFF00, 0xFF) ? PictureForm::kRgb32 : PictureForm::kBitfields32;
  return true;
}

bool RgbForm(int32_t bits, PictureForm* form) {
  switch (bits) {
    case 1: *form = PictureForm::kPalette1; return true;
    case 4: *form = PictureForm::kPalette4; return true;
    case 8: *form = PictureForm::kPalette8; return true;
    case 16: *form = PictureForm::kRgb555; return true;
    case 24: *form = PictureForm::kRgb24; return true;
    case 32: *form = PictureForm::kRgb32; return true;
    default: return false;
  }
}

}  // namespace

bool IsPaletteForm(PictureForm form) {
  return form == PictureForm::kPalette8 || form == PictureForm::kPalette4 || form == PictureForm::kPalette1;
}

bool IsRgbForm(PictureForm form) { return form < PictureForm::kYuy2; }

bool DescribePicture(const uint8_t* format, uint32_t size, PictureLayout* layout, uint32_t palette[256]) {
  if (format == nullptr || size < kHeaderSize) return false;
  const uint32_t headerSize = Read32(format);
  PictureLayout described;
  described.width = static_cast<int32_t>(Read32(format + 4));
  described.biHeight = static_cast<int32_t>(Read32(format + 8));
  const int32_t bits = format[14] | (format[15] << 8);
  const uint32_t compression = Read32(format + 16);
  const uint32_t colours = Read32(format + 32);
  if (headerSize < kHeaderSize || headerSize > size || !UsableVideoSize(described.width, described.biHeight)) {
    return false;
  }
  if (compression == kBiBitfields) {
    if (bits != 16 && bits != 32) return false;
    const uint32_t at = headerSize >= kHeaderWithMasks ? kHeaderSize : headerSize;
    if (at + 12 > size) return false;
    for (int i = 0; i < 3; ++i) described.masks[i] = Read32(format + at + 4 * i);
    if (!BitfieldForm(described.masks, bits, &described.form)) return false;
  } else if (compression == kBiRgb) {
    if (!RgbForm(bits, &described.form)) return false;
  } else if (!YuvForm(compression, &described.form)) {
    return false;
  }
  if (IsPaletteForm(described.form)) {
    const uint32_t entries = colours == 0 || colours > (1u << bits) ? 1u << bits : colours;
    std::memset(palette, 0, 256 * sizeof palette[0]);
    for (uint32_t i = 0; i < entries && headerSize + 4 * (i + 1) <= size; ++i) {
      palette[i] = Read32(format + headerSize + 4 * i);
    }
  }
  *layout = described;
  return true;
}
