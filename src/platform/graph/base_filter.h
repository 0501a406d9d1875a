#pragma once
// Base filter: identity, pins, state changes and the graph it joined.
//
// Locking: each filter has two locks, named after their thread. stateMutex_ guards state and
// connections and is taken by the controlling (user-interface) thread. streamMutex_ guards the
// streaming path (Receive and what it touches). The streaming thread never takes the state lock.
// state() is atomic so the streaming thread can read it without the state lock.
//
// Stop, Pause and Run are written here once. Derived filters only override the hooks
// onActive (stopped → paused), onInactive (→ stopped), onRun and onPause (running → paused).

#include "platform/graph/interfaces.h"
#include "platform/graph/pins.h"

#include <atomic>
#include <mutex>
#include <string>

namespace mf {

class BaseFilter : public IBaseFilter {
public:
    BaseFilter(std::string name, const GUID& clsid);

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(uint32_t timeoutMs, FilterState* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(ComPtr<IReferenceClock>* clock) override;

    HRESULT EnumPins(std::vector<ComPtr<IPin>>* pins) override;
    HRESULT FindPin(std::string_view id, ComPtr<IPin>* pin) override;
    HRESULT QueryFilterInfo(FilterInfo* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, std::string_view name) override;
    HRESULT GetClassID(GUID* clsid) override;

    virtual int GetPinCount() = 0;
    virtual BasePin* GetPin(int n) = 0;

    FilterState state() const { return state_.load(); }
    REFERENCE_TIME startTime() const { return start_.load(); }
    // The clock changes only while the graph is stopped, before streaming threads start.
    IReferenceClock* clock() const { return clock_.get(); }
    IFilterGraph* graph() const { return graph_; }
    const std::string& filterName() const { return name_; }
    // Reports an event (EC_COMPLETE ...) to the graph; any thread.
    HRESULT NotifyEvent(long code, intptr_t param1, intptr_t param2);

protected:
    virtual HRESULT onActive() { return S_OK; }
    virtual HRESULT onInactive() { return S_OK; }
    virtual HRESULT onRun(REFERENCE_TIME /*tStart*/) { return S_OK; }
    virtual HRESULT onPause() { return S_OK; }

    std::recursive_mutex stateMutex_; // user-interface thread: state and connections
    std::mutex streamMutex_;          // streaming thread: the Receive path

private:
    HRESULT activateLocked();

    std::string name_;
    GUID clsid_;
    std::atomic<FilterState> state_{FilterState::Stopped};
    std::atomic<REFERENCE_TIME> start_{0};
    ComPtr<IReferenceClock> clock_;
    IFilterGraph* graph_ = nullptr;       // not owning: the graph owns the filter
    std::atomic<IMediaEventSink*> eventSink_{nullptr}; // the graph's, while joined
};

} // namespace mf
