#include "platform/graph/graph_walk.h"

namespace mf {

IBaseFilter* OwnerOf(IPin* pin) {
    PinInfo info;
    return pin && SUCCEEDED(pin->QueryPinInfo(&info)) ? info.filter : nullptr;
}

std::vector<ComPtr<IPin>> DownstreamPeers(IBaseFilter* filter) {
    std::vector<ComPtr<IPin>> pins, result;
    if (!filter) return result;
    filter->EnumPins(&pins);
    for (auto& pin : pins) {
        PinDirection dir;
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PinDirection::Output &&
            pin->ConnectedTo(&peer) == S_OK)
            result.push_back(peer);
    }
    return result;
}

bool IsUpstreamOf(IBaseFilter* a, IBaseFilter* b) {
    if (!a || !b) return false;
    for (auto& peer : DownstreamPeers(a)) {
        IBaseFilter* next = OwnerOf(peer.get());
        if (sameObject(next, b) || IsUpstreamOf(next, b)) return true;
    }
    return false;
}

} // namespace mf
