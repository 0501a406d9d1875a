#include "platform/outside/tone_mapper.h"

#include "platform/outside/avfilter_library.h"
#include "platform/outside/frame_cache.h"
#include "platform/outside/picture_scaler.h"

#include <pthread.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace sp::outside {

namespace {

// Rows handed to libswscale at a time: its 16-bit output is mapped while still in the cache.
constexpr int kBandRows = 16;
// Pictures shorter than this are converted in one piece.
constexpr int kSplitFromRows = 4 * kBandRows;
constexpr int kFullSizeFlags = SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;

struct InOutDeleter {
    const AvFilterLibrary* library;
    void operator()(AVFilterInOut* p) const { library->InOutFree(&p); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

struct GraphDeleter {
    const AvFilterLibrary* library;
    void operator()(AVFilterGraph* p) const { library->GraphFree(&p); }
};
using GraphPtr = std::unique_ptr<AVFilterGraph, GraphDeleter>;

// One end of the parsed chain, attached to `filter`.
InOutPtr endPoint(const AvFilterLibrary& av, const char* name, AVFilterContext* filter) {
    InOutPtr end(av.InOutAlloc(), InOutDeleter{&av});
    if (!end) return nullptr;
    end->name = av_strdup(name);
    end->filter_ctx = filter;
    end->pad_idx = 0;
    end->next = nullptr;
    return end;
}

// `chain` run once on `in` (whose buffers it takes); null when the filters cannot be set up or
// give no picture.
FramePtr runChain(AVFrame& in, const std::string& chain) {
    const AvFilterLibrary* av = AvFilter();
    if (!av) return nullptr;
    GraphPtr graph(av->GraphAlloc(), GraphDeleter{av});
    if (!graph) return nullptr;
    const std::string args = "video_size=" + std::to_string(in.width) + "x" +
                             std::to_string(in.height) + ":pix_fmt=" + std::to_string(in.format) +
                             ":time_base=1/25:pixel_aspect=1/1";
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    if (av->GraphCreateFilter(&source, av->GetByName("buffer"), "in", args.c_str(), nullptr,
                              graph.get()) < 0 ||
        av->GraphCreateFilter(&sink, av->GetByName("buffersink"), "out", nullptr, nullptr,
                              graph.get()) < 0)
        return nullptr;
    InOutPtr outputs = endPoint(*av, "in", source);
    InOutPtr inputs = endPoint(*av, "out", sink);
    if (!outputs || !inputs) return nullptr;
    AVFilterInOut* open = inputs.release();
    AVFilterInOut* opened = outputs.release();
    const int parsed = av->GraphParse(graph.get(), chain.c_str(), &open, &opened, nullptr);
    av->InOutFree(&open);
    av->InOutFree(&opened);
    FramePtr out(av_frame_alloc());
    // zscale reads transfer, primaries, matrix and range from the frame itself.
    if (parsed < 0 || !out || av->GraphConfig(graph.get(), nullptr) < 0 ||
        av->SourceAddFrame(source, &in) < 0 || av->SourceAddFrame(source, nullptr) < 0 ||
        av->SinkGetFrame(sink, out.get()) < 0)
        return nullptr;
    return out;
}

// The tone mapping chain sampled at every grid point of a ColourTable over the 16-bit Y'CbCr
// codes of pictures tagged like `like` (transfer, primaries, matrix and range).
ColourTable sampleChain(const AVFrame& like) {
    constexpr int n = ColourTable::kPoints;
    FramePtr grid(av_frame_alloc());
    if (!grid) return {};
    grid->width = n * n; // Y' along a row, Cb in steps of n, Cr down the rows
    grid->height = n;
    grid->format = AV_PIX_FMT_YUV444P16;
    grid->color_trc = like.color_trc;
    grid->color_primaries = like.color_primaries;
    grid->colorspace = like.colorspace;
    grid->color_range = like.color_range;
    if (av_frame_get_buffer(grid.get(), 0) < 0) return {};
    for (int cr = 0; cr < n; ++cr)
        for (int cb = 0; cb < n; ++cb)
            for (int y = 0; y < n; ++y)
                for (auto [plane, level] : {std::pair{0, y}, {1, cb}, {2, cr}})
                    reinterpret_cast<uint16_t*>(grid->data[plane] +
                                                ptrdiff_t(grid->linesize[plane]) * cr)[cb * n + y] =
                        ColourTable::gridLevel(level, n);
    const FramePtr out = runChain(*grid, std::string(ToneMapper::kChain) + ",format=gbrp16");
    if (!out || out->width != n * n || out->height != n || out->format != AV_PIX_FMT_GBRP16)
        return {};
    std::vector<uint16_t> planes[3]; // G, B, R
    for (int plane = 0; plane < 3; ++plane)
        for (int row = 0; row < n; ++row) {
            const auto* samples = reinterpret_cast<const uint16_t*>(
                out->data[plane] + ptrdiff_t(out->linesize[plane]) * row);
            planes[plane].insert(planes[plane].end(), samples, samples + n * n);
        }
    return ColourTable(n, planes[2], planes[0], planes[1]);
}

// Y'CbCr pictures only: the table is sampled over Y'CbCr codes.
bool convertible(const AVFrame& f) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(f.format));
    return desc && f.width > 0 && f.height > 0 && desc->nb_components >= 3 &&
           !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL));
}

} // namespace

// Rows of a picture through libswscale to 16-bit 4:4:4 Y'CbCr and through the table, for one
// caller at a time; keeps its scaler and its 16-bit planes from one picture to the next.
class ToneMapper::Part {
public:
    // Rows firstRow .. firstRow + rows - 1 of `f` (firstRow on a chroma row), scaled to
    // width × height, into rows at `top`.
    bool run(const ColourTable& table, const AVFrame& f, int firstRow, int rows, int width,
             int height, int flags, uint8_t* top, ptrdiff_t stride);

private:
    ChromaUpsampler scaler_;
    std::vector<uint16_t> planes_;
};

bool ToneMapper::Part::run(const ColourTable& table, const AVFrame& f, int firstRow, int rows,
                           int width, int height, int flags, uint8_t* top, ptrdiff_t stride) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(f.format));
    if (!desc) return false;
    SwsContext* scaler = scaler_.prepare(f, rows, width, height, flags);
    if (!scaler) return false;
    const size_t plane = size_t(width) * size_t(height);
    try {
        planes_.resize(3 * plane);
    } catch (const std::bad_alloc&) {
        return false; // on a thread of its own, an exception would end the program
    }
    uint16_t* luma = planes_.data();
    uint16_t* cb = luma + plane;
    uint16_t* cr = cb + plane;
    uint8_t* const out[4] = {reinterpret_cast<uint8_t*>(luma), reinterpret_cast<uint8_t*>(cb),
                             reinterpret_cast<uint8_t*>(cr), nullptr};
    const int outStrides[4] = {2 * width, 2 * width, 2 * width, 0};
    int made = 0;
    for (int y = 0; y < rows; y += kBandRows) {
        const uint8_t* in[4] = {};
        for (int p = 0; p < 4 && f.data[p]; ++p) {
            const int shift = p == 1 || p == 2 ? desc->log2_chroma_h : 0;
            in[p] = f.data[p] + ptrdiff_t(f.linesize[p]) * ((firstRow + y) >> shift);
        }
        const int band =
            sws_scale(scaler, in, f.linesize, y, std::min(kBandRows, rows - y), out, outStrides);
        if (band < 0 || band > height - made) return false;
        for (int row = made; row < made + band; ++row) {
            const size_t at = size_t(row) * size_t(width);
            table.mapRow(luma + at, cb + at, cr + at, top + stride * row, width);
        }
        made += band;
    }
    return made == height;
}

bool ToneMapper::isHdr(const AVFrame& frame) {
    return isHdrTransfer(frame.color_trc);
}

bool ToneMapper::isHdrTransfer(int transfer) {
    return transfer == AVCOL_TRC_SMPTE2084 || transfer == AVCOL_TRC_ARIB_STD_B67;
}

ToneMapper::ToneMapper()
    : upper_(std::make_unique<Part>()), lower_(std::make_unique<Part>()),
      scaled_(std::make_unique<Part>()) {}

ToneMapper::~ToneMapper() = default;

bool ToneMapper::prepareTable(const AVFrame& frame) {
    if (!convertible(frame)) return false;
    const std::array<int, 4> tags = {frame.color_trc, frame.color_primaries, frame.colorspace,
                                     frame.color_range};
    if (tags != tableTags_) {
        tableTags_ = tags;
        table_ = sampleChain(frame);
    }
    return !table_.empty();
}

bool ToneMapper::convert(const AVFrame& frame, uint8_t* top, ptrdiff_t stride) {
    if (!prepareTable(frame)) return false;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame.format));
    const int chromaRows = desc ? 1 << desc->log2_chroma_h : 1;
    const int split =
        frame.height < kSplitFromRows ? 0 : frame.height / 2 / chromaRows * chromaRows;
    const auto lowerHalf = [&] {
        const int rows = frame.height - split;
        return lower_->run(table_, frame, split, rows, frame.width, rows, kFullSizeFlags,
                           top + stride * split, stride);
    };
    if (split == 0)
        return upper_->run(table_, frame, 0, frame.height, frame.width, frame.height,
                           kFullSizeFlags, top, stride);
    bool lowerDone = false;
    std::thread helper;
    try {
        helper = std::thread([&] {
            pthread_setname_np(pthread_self(), "tonemap half");
            lowerDone = lowerHalf();
        });
    } catch (const std::system_error&) {
        // No thread to be had: the lower half is converted here after the upper one.
    }
    const bool upperDone =
        upper_->run(table_, frame, 0, split, frame.width, split, kFullSizeFlags, top, stride);
    if (helper.joinable())
        helper.join();
    else
        lowerDone = lowerHalf();
    return upperDone && lowerDone;
}

bool ToneMapper::convertScaled(const AVFrame& frame, uint8_t* top, ptrdiff_t stride, int width,
                               int height) {
    if (width < 1 || height < 1 || !prepareTable(frame)) return false;
    return scaled_->run(table_, frame, 0, frame.height, width, height, SWS_AREA, top, stride);
}

} // namespace sp::outside
