#include "platform/graph/capture_builder.h"

#include <algorithm>

namespace mf {

namespace {

bool pinOffersMajor(IPin* pin, const GUID& major) {
    MediaType connected;
    if (pin->ConnectionMediaType(&connected) == S_OK) return connected.majortype == major;
    std::vector<MediaType> types;
    pin->EnumMediaTypes(&types);
    return std::any_of(types.begin(), types.end(),
                       [&](const MediaType& mt) { return mt.majortype == major; });
}

bool pinMatches(IPin* pin, PinDirection dir, const GUID* category, const GUID* type,
                bool unconnected) {
    PinDirection pinDir;
    if (FAILED(pin->QueryDirection(&pinDir)) || pinDir != dir) return false;
    if (category && !category->isNull()) {
        GUID pinCategory;
        if (pin->QueryCategory(&pinCategory) != S_OK || pinCategory != *category) return false;
    }
    ComPtr<IPin> peer;
    if (unconnected && pin->ConnectedTo(&peer) == S_OK) return false;
    if (type && !type->isNull() && !pinOffersMajor(pin, *type)) return false;
    return true;
}

ComPtr<IPin> firstFreePin(IBaseFilter* filter, PinDirection dir) {
    std::vector<ComPtr<IPin>> pins;
    filter->EnumPins(&pins);
    for (auto& pin : pins)
        if (pinMatches(pin.get(), dir, nullptr, nullptr, true)) return pin;
    return nullptr;
}

} // namespace

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
    if (!graph) return E_POINTER;
    graph_ = ComPtr<IGraphBuilder>(graph);
    return S_OK;
}

HRESULT CaptureGraphBuilder::GetFiltergraph(ComPtr<IGraphBuilder>* graph) {
    if (!graph) return E_POINTER;
    *graph = graph_;
    return graph_ ? S_OK : E_UNEXPECTED;
}

HRESULT CaptureGraphBuilder::FindPin(Unknown* source, PinDirection dir, const GUID* category,
                                     const GUID* type, bool unconnected, int index,
                                     ComPtr<IPin>* pin) {
    if (!source || !pin) return E_POINTER;
    *pin = nullptr;
    if (auto single = query<IPin>(source)) {
        if (index == 0 && pinMatches(single.get(), dir, category, type, unconnected)) {
            *pin = single;
            return S_OK;
        }
        return E_FAIL;
    }
    auto filter = query<IBaseFilter>(source);
    if (!filter) return E_NOINTERFACE;
    std::vector<ComPtr<IPin>> pins;
    filter->EnumPins(&pins);
    for (auto& candidate : pins) {
        if (!pinMatches(candidate.get(), dir, category, type, unconnected)) continue;
        if (index-- == 0) {
            *pin = candidate;
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT CaptureGraphBuilder::connectOrRender(IPin* out, IBaseFilter* sink) {
    if (!sink) return graph_->Render(out);
    ComPtr<IPin> in = firstFreePin(sink, PinDirection::Input);
    if (!in) return VFW_E_NOT_CONNECTED;
    return graph_->Connect(out, in.get());
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, Unknown* source,
                                          IBaseFilter* intermediate, IBaseFilter* sink) {
    if (!graph_) return E_UNEXPECTED;
    if (!source) return E_POINTER;
    ComPtr<IPin> out;
    if (auto pin = query<IPin>(source))
        out = pin;
    else if (FAILED(FindPin(source, PinDirection::Output, category, type, true, 0, &out)))
        return E_FAIL;

    if (!intermediate) return connectOrRender(out.get(), sink);

    ComPtr<IPin> middleIn = firstFreePin(intermediate, PinDirection::Input);
    if (!middleIn) return E_FAIL;
    HRESULT hr = graph_->Connect(out.get(), middleIn.get());
    if (FAILED(hr)) return hr;
    ComPtr<IPin> middleOut = firstFreePin(intermediate, PinDirection::Output);
    if (!middleOut) return sink ? E_FAIL : S_OK;
    hr = connectOrRender(middleOut.get(), sink);
    if (FAILED(hr)) {
        // Leave nothing half-built behind the source pin.
        middleIn->Disconnect();
        out->Disconnect();
    }
    return hr;
}

} // namespace mf
