#pragma once
// The format stills are saved in, over two settings: "iImageExtension" (0 BMP, 1 JPEG), the
// described choice, and "iImageFormat", which names any format of image_encoder.h by its value
// and, absent (kFormatFollowsExtension), leaves the choice to "iImageExtension". A stored
// "iImageFormat" naming no format reads as JPEG. Choosing BMP or JPEG sets both keys; choosing
// another format sets "iImageFormat" only. Each format with a quality has its own setting:
// "JpegQuality", "WebpQuality", "JxlQuality", "AvifQuality". User-interface thread only.

#include "platform/system/image_encoder.h"

namespace sp {

struct TSettings;
class TIntegerParameter;

inline constexpr int kFormatFollowsExtension = -1;

ImageFormat StillFormat(const TSettings& settings);
void SetStillFormat(TSettings& settings, ImageFormat format);
// The quality setting of `format`; "JpegQuality" for the formats without one (BMP, PNG), which
// is what the Folders panel's slider then shows, as it always did for BMP.
TIntegerParameter& QualitySetting(TSettings& settings, ImageFormat format);

} // namespace sp
