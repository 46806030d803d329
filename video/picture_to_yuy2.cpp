// The frame walk of ConvertPictureToYuy2: where each destination row's
// source rows lie, and which row converter takes them.
#include "video/picture_to_yuy2.h"

#include "video/picture_rows.h"
#include "video/yuy2_frame.h"

#include <cstdlib>

namespace {

bool IsYuv(PictureForm form) { return form >= PictureForm::kYuy2; }
bool IsPlanar(PictureForm form) { return form == PictureForm::kI420 || form == PictureForm::kYv12; }

int32_t BitsPerPixel(PictureForm form) {
  switch (form) {
    case PictureForm::kRgb24: return 24;
    case PictureForm::kRgb32:
    case PictureForm::kBitfields32: return 32;
    case PictureForm::kPalette8: return 8;
    case PictureForm::kPalette4: return 4;
    case PictureForm::kPalette1: return 1;
    default: return 16;
  }
}

// Bytes of one row of a packed form: its bits rounded up to 32.
int64_t PackedRowBytes(PictureForm form, int32_t width) {
  return (int64_t{BitsPerPixel(form)} * width + 31) / 32 * 4;
}

int64_t PictureHeightOf(int32_t biHeight) { return biHeight < 0 ? -int64_t{biHeight} : biHeight; }

bool ConvertFrame(const PictureLayout& layout, const uint8_t* source, const uint32_t* palette,
                  uint8_t* destination, bool highQuality, Rgb555ToYuy2Table* table, VectorLevel level) {
  const int32_t width = layout.width;
  const int32_t pairs = width / 2;
  const int64_t height = PictureHeightOf(layout.biHeight);
  if (pairs <= 0 || height <= 0 || height > INT32_MAX) return true;
  if (!IsYuv(layout.form)) {
    if (highQuality) table->Free();
    else if (!table->Build()) return false;
  }
  // The RGB24 routine has its own plain and AVX2 forms.
  if (layout.form == PictureForm::kRgb24 && level != VectorLevel::kSse2) {
    return level == VectorLevel::kScalar
               ? reference::ConvertRgb24ToYuy2(source, destination, width, layout.biHeight, highQuality, table)
               : ConvertRgb24ToYuy2(source, destination, width, layout.biHeight, highQuality, table);
  }
  const intptr_t outStride = Yuy2RowStride(width);
  const intptr_t rows = static_cast<intptr_t>(height);
  if (IsPlanar(layout.form)) {
    const intptr_t chromaStride = (width + 1) / 2;
    const uint8_t* first = source + static_cast<intptr_t>(width) * rows;
    const uint8_t* second = first + chromaStride * ((rows + 1) / 2);
    const uint8_t* u = layout.form == PictureForm::kI420 ? first : second;
    const uint8_t* v = layout.form == PictureForm::kI420 ? second : first;
    for (intptr_t r = 0; r < rows; ++r) {
      ConvertPlanarRow(source + r * width, u + r / 2 * chromaStride, v + r / 2 * chromaStride,
                       destination + r * outStride, pairs, level);
    }
    return true;
  }
  const intptr_t inStride = static_cast<intptr_t>(PackedRowBytes(layout.form, width));
  for (intptr_t r = 0; r < rows; ++r) {
    uint8_t* out = destination + r * outStride;
    if (IsYuv(layout.form)) {
      ConvertPackedYuvRow(layout.form, source + r * inStride, out, pairs, level);
    } else {
      // A positive biHeight stores the rows bottom-up.
      const intptr_t sourceRow = layout.biHeight > 0 ? rows - 1 - r : r;
      ConvertRgbFormRow(layout, source + sourceRow * inStride, palette, out, pairs, highQuality,
                        table->Entries(), level);
    }
  }
  return true;
}

}  // namespace

uint32_t PictureLayoutBytes(const PictureLayout& layout) {
  const int64_t height = PictureHeightOf(layout.biHeight);
  if (layout.width <= 0 || height <= 0) return 0;
  int64_t bytes = PackedRowBytes(layout.form, layout.width) * height;
  if (IsPlanar(layout.form)) {
    bytes = int64_t{layout.width} * height + 2 * ((int64_t{layout.width} + 1) / 2) * ((height + 1) / 2);
  }
  return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

namespace reference {

bool ConvertPictureToYuy2(const PictureLayout& layout, const uint8_t* source, const uint32_t* palette,
                          uint8_t* destination, bool highQuality, Rgb555ToYuy2Table* table) {
  return ConvertFrame(layout, source, palette, destination, highQuality, table, VectorLevel::kScalar);
}

}  // namespace reference

bool ConvertPictureToYuy2(const PictureLayout& layout, const uint8_t* source, const uint32_t* palette,
                          uint8_t* destination, bool highQuality, Rgb555ToYuy2Table* table) {
  return ConvertFrame(layout, source, palette, destination, highQuality, table, CurrentVectorLevel());
}
