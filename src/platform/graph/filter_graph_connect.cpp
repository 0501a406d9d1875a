// Intelligent connection and rendering of the filter graph: direct connection first, then
// through filters already in the graph, then through registered filters by merit, recursing
// through their outputs up to kMaxDepth filters deep.

#include "platform/graph/filter_graph.h"
#include "platform/graph/filter_mapper.h"
#include "platform/graph/graph_walk.h"

#include <cctype>
#include <fstream>

namespace mf {

namespace {

std::vector<ComPtr<IPin>> pinsOf(IBaseFilter* filter, PinDirection wanted, bool unconnectedOnly) {
    std::vector<ComPtr<IPin>> all, result;
    filter->EnumPins(&all);
    for (auto& pin : all) {
        PinDirection dir;
        ComPtr<IPin> peer;
        if (FAILED(pin->QueryDirection(&dir)) || dir != wanted) continue;
        if (unconnectedOnly && pin->ConnectedTo(&peer) == S_OK) continue;
        result.push_back(pin);
    }
    return result;
}

void breakConnection(IPin* out, IPin* in) {
    in->Disconnect();
    out->Disconnect();
}

std::string lowerExtension(std::string_view path) {
    size_t slash = path.find_last_of("/\\:");
    size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    std::string ext(path.substr(dot));
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::vector<uint8_t> fileHead(std::string_view path, size_t bytes) {
    std::ifstream file{std::string(path), std::ios::binary};
    std::vector<uint8_t> head(bytes);
    file.read(reinterpret_cast<char*>(head.data()), std::streamsize(bytes));
    head.resize(size_t(std::max<std::streamsize>(0, file.gcount())));
    return head;
}

} // namespace

bool FilterGraph::connectThrough(IBaseFilter* middle, IPin* out, IPin* in, int depth) {
    for (auto& middleIn : pinsOf(middle, PinDirection::Input, true)) {
        if (out->Connect(middleIn.get(), nullptr) != S_OK) continue;
        for (auto& middleOut : pinsOf(middle, PinDirection::Output, true))
            if (connectVia(middleOut.get(), in, depth + 1) == S_OK) return true;
        breakConnection(out, middleIn.get());
    }
    return false;
}

HRESULT FilterGraph::connectVia(IPin* out, IPin* in, int depth) {
    if (out->Connect(in, nullptr) == S_OK) return S_OK;
    if (depth >= kMaxDepth) return VFW_E_CANNOT_CONNECT;
    IBaseFilter* from = OwnerOf(out);
    IBaseFilter* to = OwnerOf(in);

    std::vector<ComPtr<IBaseFilter>> present;
    EnumFilters(&present);
    for (auto& f : present) {
        if (sameObject(f.get(), from) || sameObject(f.get(), to) || IsUpstreamOf(f.get(), from))
            continue;
        if (connectThrough(f.get(), out, in, depth)) return S_OK;
    }

    std::vector<MediaType> types;
    out->EnumMediaTypes(&types);
    for (const FilterRegistration& reg :
         FilterMapper::instance().CandidatesForInput(types, MERIT_DO_NOT_USE + 1)) {
        ComPtr<IBaseFilter> f = reg.create();
        if (!f || FAILED(AddFilter(f.get(), reg.friendlyName))) continue;
        if (connectThrough(f.get(), out, in, depth)) return S_OK;
        RemoveFilter(f.get());
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT FilterGraph::Connect(IPin* out, IPin* in) {
    if (!out || !in) return E_POINTER;
    if (state_ != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    if (!contains(OwnerOf(out)) || !contains(OwnerOf(in))) return VFW_E_NOT_IN_GRAPH;
    PinDirection dir;
    out->QueryDirection(&dir);
    if (dir != PinDirection::Output) return VFW_E_INVALID_DIRECTION;
    return connectVia(out, in, 0);
}

HRESULT FilterGraph::renderOutputs(IBaseFilter* filter, int depth) {
    auto outputs = pinsOf(filter, PinDirection::Output, false);
    if (outputs.empty()) return S_OK; // a renderer: the stream ends here
    int rendered = 0, tried = 0;
    for (auto& pin : outputs) {
        ComPtr<IPin> peer;
        if (pin->ConnectedTo(&peer) == S_OK) continue;
        ++tried;
        if (SUCCEEDED(renderPin(pin.get(), depth + 1))) ++rendered;
    }
    if (tried == 0 || rendered == tried) return S_OK;
    return rendered > 0 ? VFW_S_PARTIAL_RENDER : VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::renderThrough(IBaseFilter* middle, IPin* out, int depth) {
    for (auto& middleIn : pinsOf(middle, PinDirection::Input, true)) {
        if (out->Connect(middleIn.get(), nullptr) != S_OK) continue;
        HRESULT hr = renderOutputs(middle, depth);
        if (SUCCEEDED(hr)) return hr;
        breakConnection(out, middleIn.get());
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::renderPin(IPin* out, int depth) {
    if (depth > kMaxDepth) return VFW_E_CANNOT_RENDER;
    IBaseFilter* from = OwnerOf(out);
    std::vector<ComPtr<IBaseFilter>> present;
    EnumFilters(&present);
    // Renderers already in the graph first, then other filters of the graph.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& f : present) {
            bool renderer = pinsOf(f.get(), PinDirection::Output, false).empty();
            if (renderer != (pass == 0)) continue;
            if (sameObject(f.get(), from) || IsUpstreamOf(f.get(), from)) continue;
            HRESULT hr = renderThrough(f.get(), out, depth);
            if (SUCCEEDED(hr)) return hr;
        }
    }
    std::vector<MediaType> types;
    out->EnumMediaTypes(&types);
    for (const FilterRegistration& reg :
         FilterMapper::instance().CandidatesForInput(types, MERIT_DO_NOT_USE + 1)) {
        ComPtr<IBaseFilter> f = reg.create();
        if (!f || FAILED(AddFilter(f.get(), reg.friendlyName))) continue;
        HRESULT hr = renderThrough(f.get(), out, depth);
        if (SUCCEEDED(hr)) return hr;
        RemoveFilter(f.get());
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::Render(IPin* out) {
    if (!out) return E_POINTER;
    if (state_ != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    ComPtr<IPin> peer;
    if (out->ConnectedTo(&peer) == S_OK) return VFW_E_ALREADY_CONNECTED;
    return renderPin(out, 0);
}

HRESULT FilterGraph::AddSourceFilter(std::string_view path, std::string_view name,
                                     ComPtr<IBaseFilter>* filter) {
    if (!filter) return E_POINTER;
    std::vector<uint8_t> head = fileHead(path, 4096);
    auto source = FilterMapper::instance().SourceForFile(lowerExtension(path), head, path);
    ComPtr<IBaseFilter> created;
    HRESULT hr = source ? (source->create ? (created = source->create(), S_OK) : E_FAIL)
                        : FilterMapper::instance().CreateFilter(CLSID_AsyncReader, &created);
    if (FAILED(hr) || !created) return FAILED(hr) ? hr : E_FAIL;
    auto loader = query<IFileSourceFilter>(created);
    if (!loader) return E_NOINTERFACE;
    hr = AddFilter(created.get(), name);
    if (FAILED(hr)) return hr;
    hr = loader->Load(path, nullptr);
    if (FAILED(hr)) {
        RemoveFilter(created.get());
        return hr;
    }
    *filter = created;
    return S_OK;
}

HRESULT FilterGraph::RenderFile(std::string_view path) {
    if (state_ != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    ComPtr<IBaseFilter> source;
    HRESULT hr = AddSourceFilter(path, path, &source);
    if (FAILED(hr)) return hr;
    hr = renderOutputs(source.get(), 0);
    if (pinsOf(source.get(), PinDirection::Output, false).empty()) return VFW_E_CANNOT_RENDER;
    return hr;
}

} // namespace mf
