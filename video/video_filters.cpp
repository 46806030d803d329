#include "video/video_filters.h"

#include "video/auto_level.h"
#include "video/color_balance.h"
#include "video/flip_filters.h"
#include "video/histogram.h"
#include "video/interpolate_uv.h"
#include "video/neighbour_filters.h"
#include "video/point_filters.h"

void ApplyVideoFilters(VideoFilterFlags flags, ColorBalance balance, uint8_t* frame, int32_t width,
                       int32_t height, int32_t frameNumber, const SubtitleStep& subtitles) {
  // Geometry and levels first, then the subtitles, then the colour changes,
  // so that the subtitle keeps its colour under every filter but those.
  if (flags.flipVertical) FlipVertical(frame, width, height);
  if (flags.flipHorizontal) FlipHorizontal(frame, width, height);
  if (flags.autoLevel) AutoLevel(frame, width, height);
  if (flags.doubleContrast) DoubleContrast(frame, width, height);
  if (flags.doubleSaturation) DoubleSaturation(frame, width, height);
  if (flags.interpolateUV && !flags.grayscale) InterpolateUV(frame, width, height);
  if (subtitles.render != nullptr) subtitles.render(subtitles.context, frame, frameNumber);
  if (flags.negative) Negative(frame, width, height);
  if (flags.grayscale) Grayscale(frame, width, height);
  if (flags.soften) Soften(frame, width, height);
  if (flags.sharpen) Sharpen(frame, width, height);
  ApplyColorBalance(frame, width, height, balance);
  if (flags.histogram) DrawHistogram(frame, width, height);
}
