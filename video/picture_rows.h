// The row converters behind ConvertPictureToYuy2 (picture_to_yuy2.h), one
// family per file: each converts `pairs` pixel pairs of one row at the
// given vector level, kScalar being the plain reference form.
#pragma once

#include "platform/vector_level.h"
#include "video/picture_to_yuy2.h"

#include <cstdint>

// RGB, palette and bitfield forms (rgb_forms_to_yuy2.cpp); not RGB24 at the
// scalar and AVX2 levels, which ConvertRgb24ToYuy2 converts whole.
void ConvertRgbFormRow(const PictureLayout& layout, const uint8_t* row, const uint32_t* palette,
                       uint8_t* out, int32_t pairs, bool highQuality, const uint32_t* table,
                       VectorLevel level);

// Packed YUV forms (yuv_forms_to_yuy2.cpp).
void ConvertPackedYuvRow(PictureForm form, const uint8_t* row, uint8_t* out, int32_t pairs,
                         VectorLevel level);

// One row of a planar picture from its luma row and the chroma rows it uses.
void ConvertPlanarRow(const uint8_t* luma, const uint8_t* u, const uint8_t* v, uint8_t* out,
                      int32_t pairs, VectorLevel level);
