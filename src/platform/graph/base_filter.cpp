#include "platform/graph/base_filter.h"

namespace mf {

BaseFilter::BaseFilter(std::string name, const GUID& clsid) : name_(std::move(name)), clsid_(clsid) {}

HRESULT BaseFilter::activateLocked() {
    for (int i = 0; i < GetPinCount(); ++i) {
        BasePin* pin = GetPin(i);
        if (!pin->IsConnected()) continue;
        HRESULT hr = pin->Active();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT BaseFilter::Stop() {
    std::lock_guard lock(stateMutex_);
    if (state_ == FilterState::Stopped) return S_OK;
    // Pins first: decommitting allocators and ending threads releases anyone blocked in them.
    HRESULT result = S_OK;
    for (int i = 0; i < GetPinCount(); ++i) {
        BasePin* pin = GetPin(i);
        if (!pin->IsConnected()) continue;
        HRESULT hr = pin->Inactive();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    state_ = FilterState::Stopped;
    HRESULT hr = onInactive();
    return FAILED(result) ? result : hr;
}

HRESULT BaseFilter::Pause() {
    std::lock_guard lock(stateMutex_);
    if (state_ == FilterState::Paused) return S_OK;
    if (state_ == FilterState::Stopped) {
        HRESULT hr = onActive();
        if (FAILED(hr)) return hr;
        state_ = FilterState::Paused; // before the pins start their threads
        hr = activateLocked();
        if (FAILED(hr)) {
            state_ = FilterState::Stopped;
            return hr;
        }
        return S_OK;
    }
    state_ = FilterState::Paused;
    return onPause();
}

HRESULT BaseFilter::Run(REFERENCE_TIME tStart) {
    std::lock_guard lock(stateMutex_);
    if (state_ == FilterState::Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    start_ = tStart;
    state_ = FilterState::Running;
    return onRun(tStart);
}

HRESULT BaseFilter::GetState(uint32_t, FilterState* state) {
    if (!state) return E_POINTER;
    *state = state_;
    return S_OK;
}

HRESULT BaseFilter::SetSyncSource(IReferenceClock* clock) {
    std::lock_guard lock(stateMutex_);
    clock_ = ComPtr<IReferenceClock>(clock);
    return S_OK;
}

HRESULT BaseFilter::GetSyncSource(ComPtr<IReferenceClock>* clock) {
    if (!clock) return E_POINTER;
    std::lock_guard lock(stateMutex_);
    *clock = clock_;
    return S_OK;
}

HRESULT BaseFilter::EnumPins(std::vector<ComPtr<IPin>>* pins) {
    if (!pins) return E_POINTER;
    pins->clear();
    for (int i = 0; i < GetPinCount(); ++i) pins->push_back(ComPtr<IPin>(GetPin(i)));
    return S_OK;
}

HRESULT BaseFilter::FindPin(std::string_view id, ComPtr<IPin>* pin) {
    if (!pin) return E_POINTER;
    for (int i = 0; i < GetPinCount(); ++i) {
        if (GetPin(i)->name() == id) {
            *pin = ComPtr<IPin>(GetPin(i));
            return S_OK;
        }
    }
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT BaseFilter::QueryFilterInfo(FilterInfo* info) {
    if (!info) return E_POINTER;
    std::lock_guard lock(stateMutex_);
    info->name = name_;
    info->graph = graph_;
    return S_OK;
}

HRESULT BaseFilter::JoinFilterGraph(IFilterGraph* graph, std::string_view name) {
    std::lock_guard lock(stateMutex_);
    graph_ = graph;
    eventSink_ = graph ? dynamic_cast<IMediaEventSink*>(graph) : nullptr;
    if (graph) name_ = std::string(name);
    return S_OK;
}

HRESULT BaseFilter::GetClassID(GUID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT BaseFilter::NotifyEvent(long code, intptr_t param1, intptr_t param2) {
    IMediaEventSink* sink = eventSink_;
    return sink ? sink->Notify(code, param1, param2) : E_NOTIMPL;
}

} // namespace mf
