#include "settings/still_format.h"

#include "settings/settings_catalogue.h"

namespace sp {

ImageFormat StillFormat(const TSettings& s) {
    if (s.IImageFormat.Value == kFormatFollowsExtension)
        return s.IImageExtension.Value == 1 ? ImageFormat::Jpeg : ImageFormat::Bmp;
    return ImageFormatOrJpeg(s.IImageFormat.Value);
}

void SetStillFormat(TSettings& s, ImageFormat format) {
    s.IImageFormat.Value = int(format);
    if (format == ImageFormat::Bmp || format == ImageFormat::Jpeg)
        s.IImageExtension.Value = int(format);
}

TIntegerParameter& QualitySetting(TSettings& s, ImageFormat format) {
    switch (format) {
    case ImageFormat::Webp:
        return s.WebpQuality;
    case ImageFormat::Jxl:
        return s.JxlQuality;
    case ImageFormat::Avif:
        return s.AvifQuality;
    default:
        return s.JpegQuality;
    }
}

} // namespace sp
