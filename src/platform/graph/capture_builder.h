#pragma once
// The capture graph builder over a filter graph: RenderStream and FindPin.
//
// FindPin(source, direction, category, type, unconnected, index): among the pins of `source`
// (a filter, or a pin standing for itself) with that direction, carrying that category (when
// given; pins without a category never match one), offering that major type (when given; a
// connected pin is judged by its connection type) and unconnected when asked, the index-th in
// enumeration order; E_FAIL when there is none.
// RenderStream(category, type, source, intermediate, sink): the source pin (or the first
// matching unconnected output of a source filter) is connected through `intermediate` (when
// given) into `sink` (when given) with intelligent connection, or rendered when there is no
// sink. S_OK only when the whole path was built.

#include "platform/graph/interfaces.h"

namespace mf {

class CaptureGraphBuilder final : public ICaptureGraphBuilder2 {
public:
    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT GetFiltergraph(ComPtr<IGraphBuilder>* graph) override;
    HRESULT RenderStream(const GUID* category, const GUID* type, Unknown* source,
                         IBaseFilter* intermediate, IBaseFilter* sink) override;
    HRESULT FindPin(Unknown* source, PinDirection dir, const GUID* category, const GUID* type,
                    bool unconnected, int index, ComPtr<IPin>* pin) override;

private:
    HRESULT connectOrRender(IPin* out, IBaseFilter* sink);

    ComPtr<IGraphBuilder> graph_;
};

} // namespace mf
