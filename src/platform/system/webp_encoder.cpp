// WebP over libwebp: lossy (VP8) at the quality, lossless (VP8L) at 100; libwebpmux then wraps
// the bitstream with an ICCP chunk saying sRGB and an EXIF chunk (the TIFF structure, as the
// container's description asks).

#include "platform/system/format_encoders.h"

#include <QByteArray>
#include <QColorSpace>

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>

namespace sp::formats {
namespace {

constexpr int kLossyMethod = 4;   // libwebp's and FFmpeg's default speed/size trade
constexpr int kLosslessLevel = 1; // 0 fastest .. 9 smallest; see bench/still_formats.sh

// The sRGB profile Qt builds; read once (a const after its first use).
const QByteArray& srgbProfile() {
    static const QByteArray profile = QColorSpace(QColorSpace::SRgb).iccProfile();
    return profile;
}

struct PictureGuard {
    WebPPicture picture;
    WebPMemoryWriter writer;
    PictureGuard() {
        WebPPictureInit(&picture);
        WebPMemoryWriterInit(&writer);
    }
    ~PictureGuard() {
        WebPPictureFree(&picture);
        WebPMemoryWriterClear(&writer);
    }
};

struct MuxGuard {
    WebPMux* mux = WebPMuxNew();
    WebPData assembled = {nullptr, 0};
    ~MuxGuard() {
        WebPDataClear(&assembled);
        WebPMuxDelete(mux);
    }
};

bool configure(WebPConfig& config, int quality) {
    if (!WebPConfigInit(&config)) return false;
    if (quality >= 100) {
        if (!WebPConfigLosslessPreset(&config, kLosslessLevel)) return false;
    } else {
        config.quality = float(std::clamp(quality, 1, 99));
        config.method = kLossyMethod;
    }
    config.thread_level = 1;
    return WebPValidateConfig(&config) != 0;
}

bool addChunk(WebPMux* mux, const char* fourcc, std::span<const uint8_t> bytes) {
    if (bytes.empty()) return true;
    const WebPData data = {bytes.data(), bytes.size()};
    return WebPMuxSetChunk(mux, fourcc, &data, 1) == WEBP_MUX_OK;
}

class WebpImageEncoder final : public ImageEncoder {
public:
    ImageFormat Format() const override { return ImageFormat::Webp; }

    bool Encode(const PictureView& p, int quality, std::span<const uint8_t> exif,
                std::vector<uint8_t>& file, std::string* error) override {
        file.clear();
        if (!ValidPicture(p, error)) return false;
        if (p.width > WEBP_MAX_DIMENSION || p.height > WEBP_MAX_DIMENSION)
            return EncodeFailed(error, "the picture is too large for WebP");
        WebPConfig config;
        if (!configure(config, quality)) return EncodeFailed(error, "libwebp refused its settings");
        PictureGuard made;
        made.picture.use_argb = config.lossless;
        made.picture.width = p.width;
        made.picture.height = p.height;
        made.picture.writer = WebPMemoryWrite;
        made.picture.custom_ptr = &made.writer;
        if (!WebPPictureImportBGRX(&made.picture, p.pixels, p.strideBytes) ||
            !WebPEncode(&config, &made.picture))
            return EncodeFailed(error, "the WebP encoder failed");
        return wrap({made.writer.mem, made.writer.size}, exif, file, error);
    }

private:
    static bool wrap(std::span<const uint8_t> bitstream, std::span<const uint8_t> exif,
                     std::vector<uint8_t>& file, std::string* error) {
        MuxGuard mux;
        const WebPData image = {bitstream.data(), bitstream.size()};
        const QByteArray& icc = srgbProfile();
        const bool ok =
            mux.mux && WebPMuxSetImage(mux.mux, &image, 0) == WEBP_MUX_OK &&
            addChunk(mux.mux, "ICCP",
                     {reinterpret_cast<const uint8_t*>(icc.constData()), size_t(icc.size())}) &&
            addChunk(mux.mux, "EXIF", ExifTiffPart(exif)) &&
            WebPMuxAssemble(mux.mux, &mux.assembled) == WEBP_MUX_OK;
        if (!ok) return EncodeFailed(error, "the WebP container could not be made");
        file.assign(mux.assembled.bytes, mux.assembled.bytes + mux.assembled.size);
        return true;
    }
};

} // namespace

std::unique_ptr<ImageEncoder> MakeWebpEncoder() {
    return std::make_unique<WebpImageEncoder>();
}

} // namespace sp::formats
