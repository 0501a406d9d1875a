#pragma once
// The two kinds of component that the media data modules are made of.
//
// TGraphComponent owns a filter graph and the capture graph builder bound to it. Activating
// creates a new graph object; deactivating stops it, removes every filter and drops it.
//
// TFilterComponent names one filter by moniker (class id or a mapper moniker). Joining a
// graph creates a fresh instance and adds it under the component's name; leaving removes it
// from its graph and releases it. A component is in at most one graph: joining another one
// leaves the first.
//
// Controlling (user-interface) thread only.

#include "platform/graph/capture_builder.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/filter_mapper.h"

#include <string>

namespace sp {

class TGraphComponent {
public:
    TGraphComponent() = default;
    ~TGraphComponent();
    TGraphComponent(const TGraphComponent&) = delete;
    TGraphComponent& operator=(const TGraphComponent&) = delete;

    void Activate();
    void Deactivate();
    bool Active() const { return bool(graph_); }
    // Stops the graph and removes every filter, leaving it active.
    void ClearGraph();

    mf::FilterGraph* Graph() const { return graph_.get(); }
    mf::ICaptureGraphBuilder2* CaptureBuilder() const { return builder_.get(); }
    // A stand-in for the graph's identity: components compare graphs with it.
    const void* Identity() const { return graph_.get(); }
    // A number that no other graph object of the program run carries (0 while inactive): a
    // graph replaced by deactivating and activating again has a new one, even when the new
    // object happens to sit at the old one's address.
    uint64_t Generation() const { return generation_; }

private:
    uint64_t generation_ = 0;
    mf::ComPtr<mf::FilterGraph> graph_;
    mf::ComPtr<mf::CaptureGraphBuilder> builder_;
};

class TFilterComponent {
public:
    // A filter by class id (in the legacy category), or by moniker.
    TFilterComponent(const mf::GUID& clsid, std::string name);
    TFilterComponent(mf::ComPtr<mf::Moniker> moniker, std::string name);
    ~TFilterComponent();
    TFilterComponent(const TFilterComponent&) = delete;
    TFilterComponent& operator=(const TFilterComponent&) = delete;

    void SetMoniker(mf::ComPtr<mf::Moniker> moniker);
    bool HasMoniker() const { return bool(moniker_) || !clsid_.isNull(); }
    // False when the filter cannot be created or added. A filter set aside is added again
    // instead of a new one.
    bool JoinGraph(mf::FilterGraph* graph);
    void LeaveGraph();
    // Takes the filter out of its graph but keeps the instance, state and all, for the next
    // JoinGraph: a source that has opened and read its file need not do it again.
    void SetAside();
    bool HasSetAside() const { return bool(setAside_); }
    bool InGraph(const mf::FilterGraph* graph) const { return graph && graph_.get() == graph; }
    mf::IBaseFilter* Filter() const { return filter_.get(); }
    const std::string& Name() const { return name_; }

private:
    mf::GUID clsid_;
    mf::ComPtr<mf::Moniker> moniker_;
    std::string name_;
    mf::ComPtr<mf::IBaseFilter> filter_;
    mf::ComPtr<mf::IBaseFilter> setAside_;
    // The graph the filter is in; held so that a graph replaced meanwhile stays valid here.
    mf::ComPtr<mf::FilterGraph> graph_;
};

// The audio renderer category's "Default DirectSound Device", or null when none is registered.
mf::ComPtr<mf::Moniker> DefaultSoundDevice();

// Pin n (0-based, enumeration order) of a filter, or null.
mf::ComPtr<mf::IPin> PinOf(mf::IBaseFilter* filter, int n);

} // namespace sp
