#pragma once
// Walks along the connections of a graph: the filter owning a pin, the pins downstream of a
// filter, and whether one filter feeds another. Controlling thread, like every pin query; the
// filters and pins passed in are only borrowed.

#include "platform/graph/interfaces.h"

#include <vector>

namespace mf {

// The filter owning `pin`; null for a null pin or a pin that cannot say. The pointer is not
// counted: it lives as long as the pin's owner holds the pin.
IBaseFilter* OwnerOf(IPin* pin);

// The input pins that the connected output pins of `filter` lead to, in pin order.
std::vector<ComPtr<IPin>> DownstreamPeers(IBaseFilter* filter);

// True when `a` leads to `b` through connected output pins (one or more filters deep). False
// when either is null, and for a filter and itself unless the graph loops back.
bool IsUpstreamOf(IBaseFilter* a, IBaseFilter* b);

} // namespace mf
