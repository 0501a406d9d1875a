#pragma once
// libavfilter's functions, from the library loaded when the first HDR picture is tone-mapped
// rather than when the program starts: libavfilter brings some thirty libraries of its own
// (speech synthesis, OCR, GPU rendering) and about 14 MiB of their pages, which a start that
// never meets an HDR picture would load and link for nothing. Only the functions ToneMapper
// calls. Any thread; loading happens once.

#include <cstdint>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace sp::outside {

struct AvFilterLibrary {
    decltype(&::avfilter_get_by_name) GetByName = nullptr;
    decltype(&::avfilter_graph_alloc) GraphAlloc = nullptr;
    decltype(&::avfilter_graph_free) GraphFree = nullptr;
    decltype(&::avfilter_graph_create_filter) GraphCreateFilter = nullptr;
    decltype(&::avfilter_graph_parse_ptr) GraphParse = nullptr;
    decltype(&::avfilter_graph_config) GraphConfig = nullptr;
    decltype(&::avfilter_inout_alloc) InOutAlloc = nullptr;
    decltype(&::avfilter_inout_free) InOutFree = nullptr;
    decltype(&::av_buffersrc_add_frame) SourceAddFrame = nullptr;
    decltype(&::av_buffersink_get_frame) SinkGetFrame = nullptr;
};

// The functions, or null when the libavfilter of the version built against cannot be loaded or
// lacks one of them (said once on stderr): HDR pictures then cannot be tone-mapped.
const AvFilterLibrary* AvFilter();

} // namespace sp::outside
