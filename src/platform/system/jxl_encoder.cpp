// JPEG XL over libjxl: lossy at a butteraugli distance derived from the quality (the mapping of
// libjxl's own cjxl tool: quality 90 is distance 1, visually lossless), lossless (modular) at 100;
// sRGB colour signalling and the EXIF block in an Exif box (a four-byte offset to the TIFF header,
// here 0, then the TIFF structure).

#include "platform/system/format_encoders.h"

#include <jxl/encode.h>
#include <jxl/encode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
#include <cmath>

namespace sp::formats {
namespace {

constexpr int kLossyEffort = 7; // libjxl's default ("squirrel")
constexpr int kLosslessEffort = 1;
constexpr size_t kWorkerThreads = 2;

// The picture's B, G, R, x rows as packed R, G, B, which is what libjxl takes.
void packRgb(const PictureView& p, std::vector<uint8_t>& rgb) {
    rgb.resize(size_t(p.width) * size_t(p.height) * 3);
    uint8_t* to = rgb.data();
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* from = p.pixels + size_t(y) * size_t(p.strideBytes);
        for (int x = 0; x < p.width; ++x, from += 4, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
}

bool describe(JxlEncoder* enc, const PictureView& p, bool lossless) {
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(p.width);
    info.ysize = uint32_t(p.height);
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    return JxlEncoderSetBasicInfo(enc, &info) == JXL_ENC_SUCCESS &&
           JxlEncoderSetColorEncoding(enc, &srgb) == JXL_ENC_SUCCESS;
}

bool addExif(JxlEncoder* enc, std::span<const uint8_t> tiff) {
    if (tiff.empty()) return true;
    std::vector<uint8_t> box(4, 0); // the TIFF header follows at once
    box.insert(box.end(), tiff.begin(), tiff.end());
    const JxlBoxType type = {'E', 'x', 'i', 'f'};
    return JxlEncoderAddBox(enc, type, box.data(), box.size(), JXL_FALSE) == JXL_ENC_SUCCESS;
}

bool drain(JxlEncoder* enc, std::vector<uint8_t>& file) {
    file.resize(64 * 1024);
    size_t used = 0;
    for (;;) {
        uint8_t* next = file.data() + used;
        size_t room = file.size() - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(enc, &next, &room);
        used = size_t(next - file.data());
        if (status == JXL_ENC_SUCCESS) break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT) return false;
        file.resize(file.size() * 2);
    }
    file.resize(used);
    return true;
}

class JxlImageEncoder final : public ImageEncoder {
public:
    JxlImageEncoder() : runner_(JxlThreadParallelRunnerMake(nullptr, kWorkerThreads)) {}

    ImageFormat Format() const override { return ImageFormat::Jxl; }

    // libjxl's cjxl mapping of a quality to a distance, within the encoder's bound of 25 (the
    // curve passes it below quality 8, and libjxl refuses a larger distance).
    static float Distance(int quality) {
        const int q = std::clamp(quality, 1, 100);
        if (q >= 30) return 0.1f + float(100 - q) * 0.09f;
        return std::min(25.0f, 6.4f + std::pow(2.5f, float(30 - q) / 5.0f) / 6.25f);
    }

    bool Encode(const PictureView& p, int quality, std::span<const uint8_t> exif,
                std::vector<uint8_t>& file, std::string* error) override {
        file.clear();
        if (!ValidPicture(p, error)) return false;
        const bool lossless = quality >= 100;
        JxlEncoderPtr enc = JxlEncoderMake(nullptr);
        if (!enc || !runner_) return EncodeFailed(error, "no memory for the JPEG XL encoder");
        packRgb(p, rgb_);
        const JxlPixelFormat format = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        JxlEncoderFrameSettings* frame = nullptr;
        bool ok = JxlEncoderSetParallelRunner(enc.get(), JxlThreadParallelRunner, runner_.get()) ==
                      JXL_ENC_SUCCESS &&
                  JxlEncoderUseBoxes(enc.get()) == JXL_ENC_SUCCESS &&
                  describe(enc.get(), p, lossless) &&
                  (frame = JxlEncoderFrameSettingsCreate(enc.get(), nullptr)) != nullptr;
        ok = ok &&
             (lossless ? JxlEncoderSetFrameLossless(frame, JXL_TRUE)
                       : JxlEncoderSetFrameDistance(frame, Distance(quality))) == JXL_ENC_SUCCESS;
        ok = ok && JxlEncoderFrameSettingsSetOption(frame, JXL_ENC_FRAME_SETTING_EFFORT,
                                                    lossless ? kLosslessEffort : kLossyEffort) ==
                       JXL_ENC_SUCCESS;
        ok = ok && addExif(enc.get(), ExifTiffPart(exif)) &&
             JxlEncoderAddImageFrame(frame, &format, rgb_.data(), rgb_.size()) == JXL_ENC_SUCCESS;
        if (ok) JxlEncoderCloseInput(enc.get());
        if (!ok || !drain(enc.get(), file)) {
            file.clear();
            return EncodeFailed(error, "the JPEG XL encoder failed");
        }
        return true;
    }

private:
    JxlThreadParallelRunnerPtr runner_;
    std::vector<uint8_t> rgb_; // the picture as libjxl takes it, kept for the next one
};

} // namespace

std::unique_ptr<ImageEncoder> MakeJxlEncoder() {
    return std::make_unique<JxlImageEncoder>();
}

} // namespace sp::formats
