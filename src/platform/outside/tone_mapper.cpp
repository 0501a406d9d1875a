#include "platform/outside/tone_mapper.h"

#include "platform/outside/avfilter_library.h"
#include "platform/outside/frame_cache.h"

#include <algorithm>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/frame.h>
}

namespace sp::outside {

namespace {

struct InOutDeleter {
    const AvFilterLibrary* library;
    void operator()(AVFilterInOut* p) const { library->InOutFree(&p); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

// One end of the parsed chain, attached to `filter`.
InOutPtr endPoint(const AvFilterLibrary& library, const char* name, AVFilterContext* filter) {
    InOutPtr end(library.InOutAlloc(), InOutDeleter{&library});
    if (!end) return nullptr;
    end->name = av_strdup(name);
    end->filter_ctx = filter;
    end->pad_idx = 0;
    end->next = nullptr;
    return end;
}

} // namespace

bool ToneMapper::isHdr(const AVFrame& frame) {
    return frame.color_trc == AVCOL_TRC_SMPTE2084 || frame.color_trc == AVCOL_TRC_ARIB_STD_B67;
}

ToneMapper::ToneMapper() = default;

ToneMapper::~ToneMapper() {
    reset();
}

void ToneMapper::reset() {
    if (graph_) AvFilter()->GraphFree(&graph_); // a graph was made: the library is loaded
    source_ = sink_ = nullptr;
}

bool ToneMapper::build(const AVFrame& frame) {
    reset();
    width_ = frame.width;
    height_ = frame.height;
    format_ = frame.format;
    failed_ = true;
    const AvFilterLibrary* av = AvFilter();
    if (!av) return false;
    graph_ = av->GraphAlloc();
    if (!graph_) return false;
    // zscale reads transfer, primaries, matrix and range from each frame itself.
    const std::string args =
        "video_size=" + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
        ":pix_fmt=" + std::to_string(frame.format) + ":time_base=1/10000000:pixel_aspect=1/1";
    if (av->GraphCreateFilter(&source_, av->GetByName("buffer"), "in", args.c_str(), nullptr,
                              graph_) < 0 ||
        av->GraphCreateFilter(&sink_, av->GetByName("buffersink"), "out", nullptr, nullptr,
                              graph_) < 0)
        return false;
    InOutPtr outputs = endPoint(*av, "in", source_);
    InOutPtr inputs = endPoint(*av, "out", sink_);
    if (!outputs || !inputs) return false;
    const std::string chain = std::string(kChain) + ",format=bgra";
    AVFilterInOut* open = inputs.release();
    AVFilterInOut* opened = outputs.release();
    const int parsed = av->GraphParse(graph_, chain.c_str(), &open, &opened, nullptr);
    av->InOutFree(&open);
    av->InOutFree(&opened);
    if (parsed < 0 || av->GraphConfig(graph_, nullptr) < 0) return false;
    failed_ = false;
    return true;
}

bool ToneMapper::convert(const AVFrame& frame, uint8_t* top, ptrdiff_t stride) {
    const bool same =
        graph_ && frame.width == width_ && frame.height == height_ && frame.format == format_;
    if (!same && !build(frame)) return false;
    if (failed_) return false;
    FramePtr in(av_frame_clone(&frame));
    FramePtr out(av_frame_alloc());
    if (!in || !out) return false;
    const AvFilterLibrary* av = AvFilter(); // loaded: the graph was built
    if (av->SourceAddFrame(source_, in.get()) < 0 || av->SinkGetFrame(sink_, out.get()) < 0 ||
        out->width != frame.width || out->height != frame.height) {
        reset(); // a graph left holding a frame would hand it out for the next picture
        return false;
    }
    const size_t row = size_t(frame.width) * 4;
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(top + stride * y, out->data[0] + ptrdiff_t(out->linesize[0]) * y, row);
    return true;
}

} // namespace sp::outside
