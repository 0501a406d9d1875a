// The generic builder (the platform renders the file) and the DV sub-builder.

#include "media/capture_devices.h"

#include "filters/notifier.h"
#include "platform/graph/guids.h"

namespace sp {

using namespace mf;

namespace {

bool hasStreamInput(IBaseFilter* filter) {
    std::vector<ComPtr<IPin>> pins;
    filter->EnumPins(&pins);
    for (auto& pin : pins) {
        PinDirection dir;
        MediaType mt;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PinDirection::Input &&
            pin->ConnectionMediaType(&mt) == S_OK &&
            (mt.majortype == MEDIATYPE_Video || mt.majortype == MEDIATYPE_Audio ||
             mt.majortype == MEDIATYPE_Interleaved))
            return true;
    }
    return false;
}

bool hasConnectedOutput(IBaseFilter* filter) {
    std::vector<ComPtr<IPin>> pins;
    filter->EnumPins(&pins);
    for (auto& pin : pins) {
        PinDirection dir;
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PinDirection::Output &&
            pin->ConnectedTo(&peer) == S_OK)
            return true;
    }
    return false;
}

void detachRenderer(TFilterComponent* renderer) {
    if (!renderer || !renderer->Filter()) return;
    if (auto in = PinOf(renderer->Filter(), 0)) {
        ComPtr<IPin> feeder;
        if (in->ConnectedTo(&feeder) == S_OK) {
            feeder->Disconnect();
            in->Disconnect();
        }
    }
    renderer->LeaveGraph();
}

} // namespace

// Generic builder -------------------------------------------------------------------------------

TFileUnknownCaptureDevice::TFileUnknownCaptureDevice(const std::string& path,
                                                     const TBuilderEnvironment& env)
    : TCaptureDevice(env) {
    FileName = path;
    DisplayName = FileNameOnly(path);
    DiscoverStreams();
}

TFileUnknownCaptureDevice::~TFileUnknownCaptureDevice() {
    SubDevices.Clear();
    RemoveFromGraph();
}

void TFileUnknownCaptureDevice::KeepOnlySourceAndSplitter(FilterGraph* graph) {
    std::vector<ComPtr<IBaseFilter>> filters;
    graph->EnumFilters(&filters);
    for (auto& f : filters)
        if (hasStreamInput(f.get())) graph->RemoveFilter(f.get()); // decoders, converters
    graph->EnumFilters(&filters);
    for (auto& f : filters)
        if (!hasConnectedOutput(f.get())) {
            OutputFilter = f;
            return;
        }
}

bool TFileUnknownCaptureDevice::AddToGraph(TGraphComponent& graph) {
    if (InGraph(graph)) return true;
    // It serves one graph at a time: asked for another one, it leaves the first, as the
    // builders made of filter components do (a DV sub-builder asks this of its parent).
    if (OutputFilter) RemoveFromGraph();
    FilterGraph* g = graph.Graph();
    if (!g) return false; // an inactive graph has nothing to render into
    g->Stop();
    EnterGraph(graph);
    // The platform renders into these rather than adding renderers of its own.
    if (env_.PreviewRenderer) env_.PreviewRenderer->JoinGraph(g);
    if (env_.SharedAudioRender) env_.SharedAudioRender->JoinGraph(g);
    HRESULT hr = g->RenderFile(FileName);
    detachRenderer(env_.PreviewRenderer);
    detachRenderer(env_.SharedAudioRender);
    if (hr != S_OK) { // a partial render is a failure here
        RemoveFromGraph();
        return false;
    }
    KeepOnlySourceAndSplitter(g);
    return bool(OutputFilter);
}

void TFileUnknownCaptureDevice::RemoveFromGraph() {
    // A graph object replaced since holds none of this builder's filters.
    if (SameGraphObject()) {
        FilterGraph* g = FilterGraphRef->Graph();
        std::vector<ComPtr<IBaseFilter>> filters;
        g->EnumFilters(&filters);
        for (auto& f : filters)
            g->RemoveFilter(f.get());
    }
    OutputFilter = nullptr;
    FilterGraphRef = nullptr;
}

// DV sub-builder ------------------------------------------------------------------------------

TDVCaptureDevice::TDVCaptureDevice(TCaptureDevice* parent, int n, const TBuilderEnvironment& env)
    : TCaptureDevice(env), Parent(parent), notifier_(make<TNotifier>()),
      DVsplitter(CLSID_DVSplitter, "DV Splitter") {
    StreamNumber = n;
    FileName = parent->FileName;
    DisplayName = parent->DisplayName + (n > 1 ? " #" + std::to_string(n) : "");
    DiscoverStreams();
}

TDVCaptureDevice::~TDVCaptureDevice() {
    RemoveFromGraph();
}

bool TDVCaptureDevice::AddToGraph(TGraphComponent& graph) {
    if (InGraph(graph)) return true;
    if (!graph.Active()) return false;
    EnterGraph(graph);
    auto wire = [&] {
        if (!Parent->AddToGraph(graph) || !Parent->OutputFilter) return false;
        ICaptureGraphBuilder2* builder = graph.CaptureBuilder();
        InterleavedPin = nullptr;
        for (const GUID* category : {&PIN_CATEGORY_CAPTURE, static_cast<const GUID*>(nullptr)})
            if (!InterleavedPin)
                builder->FindPin(Parent->OutputFilter.get(), PinDirection::Output, category,
                                 &MEDIATYPE_Interleaved, true, StreamNumber - 1, &InterleavedPin);
        if (!InterleavedPin) return false;
        if (FAILED(graph.Graph()->AddFilter(notifier_.get(), "DV Notifier"))) return false;
        if (!DVsplitter.JoinGraph(graph.Graph())) return false;
        if (builder->RenderStream(nullptr, nullptr, InterleavedPin.get(), notifier_.get(),
                                  DVsplitter.Filter()) != S_OK)
            return false;
        OutputFilter = ComPtr<IBaseFilter>(DVsplitter.Filter());
        return true;
    };
    if (wire()) return true;
    RemoveFromGraph();
    return false;
}

void TDVCaptureDevice::RemoveFromGraph() {
    if (SameGraphObject()) FilterGraphRef->Graph()->RemoveFilter(notifier_.get());
    DVsplitter.LeaveGraph();
    if (FilterGraphRef) Parent->RemoveFromGraph();
    InterleavedPin = nullptr;
    FilterGraphRef = nullptr;
    OutputFilter = nullptr;
}

} // namespace sp
