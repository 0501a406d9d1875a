// AVIF over libavif (with the AV1 encoder it picks, libaom on Debian): 8-bit 4:2:0 at a quantizer
// derived from the quality; at 100, 4:4:4 with the identity matrix and the lossless quantizer, so
// that the pixels come back exactly. Colour: BT.709 primaries and the sRGB transfer in the nclx
// box, full range. The EXIF block goes into an Exif item.

#include "platform/system/format_encoders.h"

#include <avif/avif.h>

#include <algorithm>

namespace sp::formats {
namespace {

constexpr int kSpeed = 8; // 0 slowest .. 10 fastest; see bench/still_formats.sh
constexpr int kMaxThreads = 2;

// Quality 1..99 onto AV1 quantizers 63..1 (0 is kept for lossless).
int quantizerOf(int quality) {
    const int q = std::clamp(quality, 1, 99);
    return std::clamp((100 - q) * AVIF_QUANTIZER_WORST_QUALITY / 100, 1,
                      AVIF_QUANTIZER_WORST_QUALITY);
}

struct Guards {
    avifImage* image = nullptr;
    avifEncoder* encoder = avifEncoderCreate();
    avifRWData output = AVIF_DATA_EMPTY;
    ~Guards() {
        avifRWDataFree(&output);
        if (encoder) avifEncoderDestroy(encoder);
        if (image) avifImageDestroy(image);
    }
};

class AvifImageEncoder final : public ImageEncoder {
public:
    ImageFormat Format() const override { return ImageFormat::Avif; }

    bool Encode(const PictureView& p, int quality, std::span<const uint8_t> exif,
                std::vector<uint8_t>& file, std::string* error) override {
        file.clear();
        if (!ValidPicture(p, error)) return false;
        const bool lossless = quality >= 100;
        Guards made;
        made.image = avifImageCreate(
            p.width, p.height, 8, lossless ? AVIF_PIXEL_FORMAT_YUV444 : AVIF_PIXEL_FORMAT_YUV420);
        if (!made.image || !made.encoder)
            return EncodeFailed(error, "no memory for the AVIF encoder");
        made.image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
        made.image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
        made.image->matrixCoefficients =
            lossless ? AVIF_MATRIX_COEFFICIENTS_IDENTITY : AVIF_MATRIX_COEFFICIENTS_BT601;
        made.image->yuvRange = AVIF_RANGE_FULL;
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, made.image);
        rgb.format = AVIF_RGB_FORMAT_BGRA;
        rgb.ignoreAlpha = AVIF_TRUE;                 // the fourth byte is filler
        rgb.pixels = const_cast<uint8_t*>(p.pixels); // read only
        rgb.rowBytes = uint32_t(p.strideBytes);
        if (avifImageRGBToYUV(made.image, &rgb) != AVIF_RESULT_OK)
            return EncodeFailed(error, "the picture could not be converted for AVIF");
        const std::span<const uint8_t> tiff = ExifTiffPart(exif);
        if (!tiff.empty()) avifImageSetMetadataExif(made.image, tiff.data(), tiff.size());
        const int quantizer = lossless ? AVIF_QUANTIZER_LOSSLESS : quantizerOf(quality);
        made.encoder->maxThreads = kMaxThreads;
        made.encoder->speed = kSpeed;
        made.encoder->minQuantizer = made.encoder->maxQuantizer = quantizer;
        made.encoder->minQuantizerAlpha = made.encoder->maxQuantizerAlpha = quantizer;
        const avifResult result = avifEncoderWrite(made.encoder, made.image, &made.output);
        if (result != AVIF_RESULT_OK)
            return EncodeFailed(error, std::string("the AVIF encoder failed: ") +
                                           avifResultToString(result));
        file.assign(made.output.data, made.output.data + made.output.size);
        return true;
    }
};

} // namespace

std::unique_ptr<ImageEncoder> MakeAvifEncoder() {
    return std::make_unique<AvifImageEncoder>();
}

} // namespace sp::formats
