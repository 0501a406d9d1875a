#include "platform/outside/frame_focus.h"

#include "platform/graph/focus_measure.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace sp::outside {

namespace {

template <typename Sample>
double MeasureGrid(const AVFrame& picture, const AVComponentDescriptor& luma, int step) {
    const auto* origin = reinterpret_cast<const Sample*>(picture.data[0] + luma.offset);
    const std::ptrdiff_t rowStep = picture.linesize[0] / std::ptrdiff_t(sizeof(Sample));
    const std::ptrdiff_t columnStep = luma.step / std::ptrdiff_t(sizeof(Sample));
    return mf::LaplacianVariance(mf::LumaGrid<Sample>{
        origin, (picture.width + step - 1) / step, (picture.height + step - 1) / step,
        rowStep * step, columnStep * step, luma.shift + luma.depth - 8});
}

} // namespace

std::optional<double> LumaFocus(const AVFrame& picture, int uprightWidth) {
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(AVPixelFormat(picture.format));
    if (!format || !picture.data[0] || picture.linesize[0] <= 0 || format->nb_components < 1)
        return std::nullopt;
    constexpr uint64_t kNotLuma =
        AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_BE |
        AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_FLOAT | AV_PIX_FMT_FLAG_BAYER;
    const AVComponentDescriptor& luma = format->comp[0];
    if ((format->flags & kNotLuma) || luma.plane != 0 || luma.depth < 8 || luma.depth > 16)
        return std::nullopt;
    const int step = uprightWidth > kFocusEverySampleUpToWidth ? 2 : 1;
    const int sampleBytes = luma.depth > 8 ? 2 : 1;
    if (luma.step % sampleBytes != 0 || luma.offset % sampleBytes != 0 ||
        picture.linesize[0] % sampleBytes != 0)
        return std::nullopt;
    return sampleBytes == 1 ? MeasureGrid<uint8_t>(picture, luma, step)
                            : MeasureGrid<uint16_t>(picture, luma, step);
}

} // namespace sp::outside
