#include "platform/system/image_encoder.h"

#include "platform/system/format_encoders.h"
#include "platform/system/jpeg_encoder.h"

#include <array>
#include <cstring>

namespace sp {
namespace {

struct FormatFacts {
    std::string_view extension;
    std::string_view name;
    bool hasQuality;
};
constexpr std::array<FormatFacts, kImageFormatCount> kFacts = {{
    {".bmp", "bmp", false},
    {".jpg", "jpeg", true},
    {".png", "png", false},
    {".webp", "webp", true},
    {".jxl", "jxl", true},
    {".avif", "avif", true},
}};

const FormatFacts& factsOf(ImageFormat format) {
    return kFacts[size_t(ImageFormatOrJpeg(int(format)))];
}

class BmpImageEncoder final : public ImageEncoder {
public:
    ImageFormat Format() const override { return ImageFormat::Bmp; }
    bool Encode(const PictureView& p, int, std::span<const uint8_t>, std::vector<uint8_t>& file,
                std::string* error) override {
        file = EncodeBmp24(p, error); // a BMP has no place for metadata
        return !file.empty();
    }
};

class JpegImageEncoder final : public ImageEncoder {
public:
    ImageFormat Format() const override { return ImageFormat::Jpeg; }
    bool Encode(const PictureView& p, int quality, std::span<const uint8_t> exif,
                std::vector<uint8_t>& file, std::string* error) override {
        file.clear();
        if (!ValidPicture(p, error) || !encoder_.Encode(p, quality, exif, error)) return false;
        file.assign(encoder_.Bytes().begin(), encoder_.Bytes().end());
        return true;
    }

private:
    JpegEncoder encoder_;
};

} // namespace

ImageFormat ImageFormatOrJpeg(int stored) {
    return stored >= 0 && stored < kImageFormatCount ? ImageFormat(stored) : ImageFormat::Jpeg;
}

std::string_view ImageFormatExtension(ImageFormat format) {
    return factsOf(format).extension;
}

std::string_view ImageFormatName(ImageFormat format) {
    return factsOf(format).name;
}

bool ImageFormatHasQuality(ImageFormat format) {
    return factsOf(format).hasQuality;
}

std::unique_ptr<ImageEncoder> MakeImageEncoder(ImageFormat format) {
    switch (ImageFormatOrJpeg(int(format))) {
    case ImageFormat::Bmp:
        return std::make_unique<BmpImageEncoder>();
    case ImageFormat::Png:
        return formats::MakePngEncoder();
    case ImageFormat::Webp:
        return formats::MakeWebpEncoder();
    case ImageFormat::Jxl:
        return formats::MakeJxlEncoder();
    case ImageFormat::Avif:
        return formats::MakeAvifEncoder();
    case ImageFormat::Jpeg:
        break;
    }
    return std::make_unique<JpegImageEncoder>();
}

std::span<const uint8_t> ExifTiffPart(std::span<const uint8_t> exif) {
    static constexpr char kPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (exif.size() <= sizeof kPrefix || std::memcmp(exif.data(), kPrefix, sizeof kPrefix) != 0)
        return {};
    return exif.subspan(sizeof kPrefix);
}

bool ValidPicture(const PictureView& p, std::string* error, bool deep) {
    if (p.sampleBits != 8 && !(deep && p.sampleBits == 16))
        return EncodeFailed(error, "this format takes 8-bit pictures only");
    const bool ok = p.pixels && p.width > 0 && p.height > 0 && p.width <= 65500 &&
                    p.height <= 65500 && p.strideBytes >= p.width * (p.sampleBits / 2);
    return ok || EncodeFailed(error, "no picture to write");
}

bool EncodeFailed(std::string* error, std::string_view reason) {
    if (error) *error = std::string(reason);
    return false;
}

} // namespace sp
