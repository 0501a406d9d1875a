#include "platform/outside/picture_scaler.h"

#include <utility>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace sp::outside {

namespace {

bool fullRange(const AVFrame& f) {
    switch (f.format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return f.color_range == AVCOL_RANGE_JPEG;
    }
}

int colourSpace(const AVFrame& f) {
    switch (f.colorspace) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_FCC:
        return SWS_CS_ITU601;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        return f.height >= 720 || f.width >= 1280 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

// libswscale's chroma position in 1/256 of a luma sample, horizontal then vertical.
std::array<int, 2> chromaPosition(AVChromaLocation location) {
    switch (location) {
    case AVCHROMA_LOC_CENTER:
        return {128, 128};
    case AVCHROMA_LOC_TOPLEFT:
        return {0, 0};
    case AVCHROMA_LOC_TOP:
        return {128, 0};
    case AVCHROMA_LOC_BOTTOMLEFT:
        return {0, 256};
    case AVCHROMA_LOC_BOTTOM:
        return {128, 256};
    default: // left, or not said
        return {0, 128};
    }
}

} // namespace

SwsContext* scalerFor(SwsContext* cached, const AVFrame& f, int sourceRows, int width, int height,
                      AVPixelFormat output, int flags) {
    SwsContext* scaler =
        sws_getCachedContext(cached, f.width, sourceRows, AVPixelFormat(f.format), width, height,
                             output, flags, nullptr, nullptr, nullptr);
    if (!scaler) return nullptr;
    const int* coefficients = sws_getCoefficients(colourSpace(f));
    sws_setColorspaceDetails(scaler, coefficients, fullRange(f) ? 1 : 0, coefficients, 1, 0,
                             1 << 16, 1 << 16);
    return scaler;
}

ChromaUpsampler::~ChromaUpsampler() {
    sws_freeContext(context_);
}

SwsContext* ChromaUpsampler::prepare(const AVFrame& f, int sourceRows, int width, int height,
                                     int flags) {
    const int range = fullRange(f) ? 1 : 0;
    const std::array<int, 7> shape = {
        f.width, sourceRows, f.format, width, height, flags, int(f.chroma_location) * 2 + range};
    if (context_ && shape == shape_) return context_;
    sws_freeContext(context_);
    context_ = sws_alloc_context();
    if (!context_) return nullptr;
    const auto [h, v] = chromaPosition(f.chroma_location);
    // The same range on both sides: no range conversion.
    const std::pair<const char*, int64_t> options[] = {
        {"srcw", f.width},    {"srch", sourceRows}, {"src_format", f.format},
        {"dstw", width},      {"dsth", height},     {"dst_format", AV_PIX_FMT_YUV444P16},
        {"sws_flags", flags}, {"src_range", range}, {"dst_range", range},
        {"src_h_chr_pos", h}, {"src_v_chr_pos", v}};
    bool set = true;
    for (const auto& [name, value] : options)
        set = set && av_opt_set_int(context_, name, value, 0) >= 0;
    if (!set || sws_init_context(context_, nullptr, nullptr) < 0) {
        sws_freeContext(context_);
        context_ = nullptr;
        return nullptr;
    }
    shape_ = shape;
    return context_;
}

} // namespace sp::outside
