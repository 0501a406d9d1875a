#include "media/graph_components.h"

#include "platform/graph/guids.h"

#include <atomic>

namespace sp {

using namespace mf;

namespace {
std::atomic<uint64_t> lastGeneration{0};
}

TGraphComponent::~TGraphComponent() {
    Deactivate();
}

void TGraphComponent::Activate() {
    if (graph_) return;
    generation_ = ++lastGeneration;
    graph_ = make<FilterGraph>();
    builder_ = make<CaptureGraphBuilder>();
    builder_->SetFiltergraph(graph_.get());
}

void TGraphComponent::ClearGraph() {
    if (!graph_) return;
    graph_->Stop();
    std::vector<ComPtr<IBaseFilter>> filters;
    graph_->EnumFilters(&filters);
    for (auto& f : filters)
        graph_->RemoveFilter(f.get());
}

void TGraphComponent::Deactivate() {
    if (!graph_) return;
    ClearGraph();
    builder_ = nullptr;
    graph_ = nullptr;
    generation_ = 0;
}

TFilterComponent::TFilterComponent(const GUID& clsid, std::string name)
    : clsid_(clsid), name_(std::move(name)) {}

TFilterComponent::TFilterComponent(ComPtr<Moniker> moniker, std::string name)
    : moniker_(std::move(moniker)), name_(std::move(name)) {}

TFilterComponent::~TFilterComponent() {
    LeaveGraph();
}

void TFilterComponent::SetMoniker(ComPtr<Moniker> moniker) {
    LeaveGraph();
    moniker_ = std::move(moniker);
    clsid_ = GUID_NULL;
}

bool TFilterComponent::JoinGraph(FilterGraph* graph) {
    if (!graph) return false;
    if (graph_.get() == graph) return true;
    ComPtr<IBaseFilter> created = std::move(setAside_);
    LeaveGraph();
    HRESULT hr = S_OK;
    if (!created)
        hr = moniker_ ? moniker_->BindToObject(&created)
                      : FilterMapper::instance().CreateFilter(clsid_, &created);
    if (FAILED(hr) || !created) return false;
    if (FAILED(graph->AddFilter(created.get(), name_))) return false;
    filter_ = created;
    graph_ = ComPtr<FilterGraph>(graph);
    return true;
}

void TFilterComponent::LeaveGraph() {
    if (graph_ && filter_) graph_->RemoveFilter(filter_.get());
    graph_ = nullptr;
    filter_ = nullptr;
    setAside_ = nullptr;
}

void TFilterComponent::SetAside() {
    ComPtr<IBaseFilter> kept = filter_;
    LeaveGraph();
    setAside_ = std::move(kept);
}

ComPtr<Moniker> DefaultSoundDevice() {
    for (auto& m : FilterMapper::instance().EnumCategory(CLSID_AudioRendererCategory))
        if (m->friendlyName() == "Default DirectSound Device") return m;
    return nullptr;
}

ComPtr<IPin> PinOf(IBaseFilter* filter, int n) {
    if (!filter) return nullptr;
    std::vector<ComPtr<IPin>> pins;
    filter->EnumPins(&pins);
    return n >= 0 && size_t(n) < pins.size() ? pins[size_t(n)] : nullptr;
}

} // namespace sp
