#include "platform/outside/avfilter_library.h"

#include "platform/outside/library_symbols.h"

#include <optional>
#include <string>

namespace sp::outside {

namespace {

std::optional<AvFilterLibrary> load() {
    // The major version the headers describe: another one may lay its structures out otherwise.
    const std::string name = "libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR);
    // Kept loaded to the end of the process, as the filter graphs it made may outlive a caller.
    void* library = OpenLibrary(name.c_str(), "tone mapping");
    if (!library) return std::nullopt;
    AvFilterLibrary f;
    if (FindSymbol(library, "avfilter_get_by_name", f.GetByName) &&
        FindSymbol(library, "avfilter_graph_alloc", f.GraphAlloc) &&
        FindSymbol(library, "avfilter_graph_free", f.GraphFree) &&
        FindSymbol(library, "avfilter_graph_create_filter", f.GraphCreateFilter) &&
        FindSymbol(library, "avfilter_graph_parse_ptr", f.GraphParse) &&
        FindSymbol(library, "avfilter_graph_config", f.GraphConfig) &&
        FindSymbol(library, "avfilter_inout_alloc", f.InOutAlloc) &&
        FindSymbol(library, "avfilter_inout_free", f.InOutFree) &&
        FindSymbol(library, "av_buffersrc_add_frame", f.SourceAddFrame) &&
        FindSymbol(library, "av_buffersink_get_frame", f.SinkGetFrame))
        return f;
    SayLacking(name.c_str(), "tone mapping");
    return std::nullopt;
}

} // namespace

const AvFilterLibrary* AvFilter() {
    static const std::optional<AvFilterLibrary> library = load();
    return library ? &*library : nullptr;
}

} // namespace sp::outside
