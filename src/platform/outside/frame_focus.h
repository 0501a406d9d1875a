#pragma once
// The focus measure (platform/graph/focus_measure.h) of a decoded libav picture, taken on its
// plane of luma samples (Y of a YUV or grey format, 8 to 16 bits) as it comes out of the
// decoder: no conversion to RGB, so measuring a picture costs a fraction of showing it.

#include <optional>

struct AVFrame;

namespace sp::outside {

// Pictures wider than this (upright) are measured on every second sample of every second row,
// which keeps the fine detail the measure looks at at a quarter of the cost.
inline constexpr int kFocusEverySampleUpToWidth = 960;

// nullopt for a picture whose format has no plane of luma samples (RGB, palette, big-endian or
// bitstream formats). `uprightWidth`: the picture's width as shown (turned), which chooses
// the sampling.
std::optional<double> LumaFocus(const AVFrame& picture, int uprightWidth);

} // namespace sp::outside
