// The video filter chain that every frame passes before it is presented.
//
// All filters work in place on a packed YUY2 frame of width W and height H
// with the row stride Yuy2RowStride(W) (video/yuy2_frame.h). Routines on
// 32-bit words handle W div 2 words per row, those on 64-bit groups W div 4
// groups per row. The routines themselves live in one file per family:
// flip_filters.h, point_filters.h, interpolate_uv.h, neighbour_filters.h,
// auto_level.h, color_balance.h, histogram.h.
#pragma once

#include "settings/options.h"

#include <cstdint>

// The subtitle renderer's place in the chain: render(context, frame, frame
// number) burns the current subtitle into the frame. A null render skips it.
struct SubtitleStep {
  void (*render)(const void* context, uint8_t* frame, int32_t frameNumber) = nullptr;
  const void* context = nullptr;
};

// Runs the chain, each step only when its flag is set unless marked always:
// Flip Vertical, Flip Horizontal, Auto Level, Double Contrast, Double
// Saturation, Interpolate UV (only with Grayscale off), the subtitles
// (always), Negative, Grayscale, Soften, Sharpen, the colour balance (always;
// it returns at once at 50/50/50), Histogram. The flags and the balance are
// taken by value so that each frame reads them once.
void ApplyVideoFilters(VideoFilterFlags flags, ColorBalance balance, uint8_t* frame, int32_t width,
                       int32_t height, int32_t frameNumber, const SubtitleStep& subtitles);
