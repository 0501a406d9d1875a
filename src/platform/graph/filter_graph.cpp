#include "platform/graph/filter_graph.h"

#include "platform/graph/clock.h"
#include "platform/graph/filter_mapper.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

namespace mf {

namespace {
constexpr REFERENCE_TIME kRunOffset = 100000; // 10 ms for every filter to start

bool isRenderer(IBaseFilter* filter) {
    auto flags = query<IAMFilterMiscFlags>(filter);
    return flags && (flags->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_RENDERER);
}

bool hasConnectedInput(IBaseFilter* filter) {
    std::vector<ComPtr<IPin>> pins;
    filter->EnumPins(&pins);
    for (auto& pin : pins) {
        PinDirection dir;
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PinDirection::Input &&
            pin->ConnectedTo(&peer) == S_OK)
            return true;
    }
    return false;
}
} // namespace

FilterGraph::FilterGraph() { SetDefaultSyncSource(); }

FilterGraph::~FilterGraph() {
    Stop();
    while (!filters_.empty()) RemoveFilter(filters_.back().filter.get());
}

// Membership ----------------------------------------------------------------------------------

bool FilterGraph::contains(IBaseFilter* filter) const {
    return std::any_of(filters_.begin(), filters_.end(),
                       [&](const Entry& e) { return sameObject(e.filter.get(), filter); });
}

std::string FilterGraph::uniqueName(std::string_view name) const {
    auto taken = [&](const std::string& n) {
        return std::any_of(filters_.begin(), filters_.end(),
                           [&](const Entry& e) { return e.name == n; });
    };
    std::string candidate(name);
    for (int i = 1; taken(candidate); ++i) candidate = std::string(name) + " " + std::to_string(i);
    return candidate;
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, std::string_view name) {
    if (!filter) return E_POINTER;
    if (contains(filter)) return E_INVALIDARG; // already a member
    std::string unique = uniqueName(name.empty() ? "Filter" : name);
    HRESULT hr = filter->JoinFilterGraph(this, unique);
    if (FAILED(hr)) return hr;
    filter->SetSyncSource(clock_.get());
    filters_.push_back({ComPtr<IBaseFilter>(filter), unique});
    if (state_ != FilterState::Stopped) {
        // A filter joining a running graph takes the graph's state.
        if (state_ == FilterState::Running)
            filter->Run(tStart_);
        else
            filter->Pause();
    }
    return unique == name ? S_OK : VFW_S_DUPLICATE_NAME;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    auto it = std::find_if(filters_.begin(), filters_.end(),
                           [&](const Entry& e) { return sameObject(e.filter.get(), filter); });
    if (it == filters_.end()) return VFW_E_NOT_FOUND;
    ComPtr<IBaseFilter> keep = it->filter;
    // A filter cannot leave a running graph alone: a renderer downstream may hold the thread
    // the filter waits for. The whole graph stops first.
    if (state_ != FilterState::Stopped) Stop();
    keep->Stop();
    // Disconnecting one pin may change the filter's pin set (a splitter drops its outputs
    // when its input goes), so look again after each disconnection.
    for (;;) {
        ComPtr<IPin> pin, peer;
        {
            std::vector<ComPtr<IPin>> pins;
            keep->EnumPins(&pins);
            for (auto& candidate : pins)
                if (candidate->ConnectedTo(&peer) == S_OK) {
                    pin = candidate;
                    break;
                }
        }
        if (!pin) break;
        peer->Disconnect();
        pin->Disconnect();
    }
    keep->JoinFilterGraph(nullptr, {});
    filters_.erase(it);
    return S_OK;
}

HRESULT FilterGraph::EnumFilters(std::vector<ComPtr<IBaseFilter>>* filters) {
    if (!filters) return E_POINTER;
    filters->clear();
    for (const Entry& e : filters_) filters->push_back(e.filter);
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(std::string_view name, ComPtr<IBaseFilter>* filter) {
    if (!filter) return E_POINTER;
    for (const Entry& e : filters_)
        if (e.name == name) {
            *filter = e.filter;
            return S_OK;
        }
    *filter = nullptr;
    return VFW_E_NOT_FOUND;
}

// Connections ---------------------------------------------------------------------------------

HRESULT FilterGraph::ConnectDirect(IPin* out, IPin* in, const MediaType* type) {
    if (!out || !in) return E_POINTER;
    PinInfo outInfo, inInfo;
    out->QueryPinInfo(&outInfo);
    in->QueryPinInfo(&inInfo);
    if (!contains(outInfo.filter) || !contains(inInfo.filter)) return VFW_E_NOT_IN_GRAPH;
    if (state_ != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    return out->Connect(in, type);
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    return pin->Disconnect();
}

HRESULT FilterGraph::Reconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    ComPtr<IPin> peer;
    if (pin->ConnectedTo(&peer) != S_OK) return VFW_E_NOT_CONNECTED;
    FilterState previous = state_;
    if (previous != FilterState::Stopped) Stop();
    PinDirection dir;
    pin->QueryDirection(&dir);
    IPin* out = dir == PinDirection::Output ? pin : peer.get();
    IPin* in = dir == PinDirection::Output ? peer.get() : pin;
    out->Disconnect();
    in->Disconnect();
    HRESULT hr = out->Connect(in, nullptr);
    if (previous == FilterState::Running)
        Run();
    else if (previous == FilterState::Paused)
        Pause();
    return hr;
}

// State ---------------------------------------------------------------------------------------

std::vector<ComPtr<IBaseFilter>> FilterGraph::downstreamFirst() const {
    // Depth-first from each filter along its connected outputs; a filter is placed after
    // everything downstream of it has been placed.
    std::vector<ComPtr<IBaseFilter>> order;
    std::set<const void*> placed;
    std::function<void(IBaseFilter*)> visit = [&](IBaseFilter* f) {
        const void* key = dynamic_cast<const void*>(f);
        if (!placed.insert(key).second) return;
        std::vector<ComPtr<IPin>> pins;
        f->EnumPins(&pins);
        for (auto& pin : pins) {
            PinDirection dir;
            ComPtr<IPin> peer;
            PinInfo info;
            if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PinDirection::Output &&
                pin->ConnectedTo(&peer) == S_OK && SUCCEEDED(peer->QueryPinInfo(&info)) &&
                info.filter)
                visit(info.filter);
        }
        order.push_back(ComPtr<IBaseFilter>(f));
    };
    for (const Entry& e : filters_) visit(e.filter.get());
    return order;
}

HRESULT FilterGraph::changeState(FilterState target, REFERENCE_TIME tStart) {
    HRESULT result = S_OK;
    for (auto& filter : downstreamFirst()) {
        HRESULT hr = target == FilterState::Stopped  ? filter->Stop()
                     : target == FilterState::Paused ? filter->Pause()
                                                     : filter->Run(tStart);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

REFERENCE_TIME FilterGraph::streamTimeNow() const {
    if (state_ != FilterState::Running) return pausedStreamTime_;
    if (!clock_) return pausedStreamTime_;
    REFERENCE_TIME now = 0;
    clock_->GetTime(&now);
    return std::max<REFERENCE_TIME>(0, now - tStart_);
}

HRESULT FilterGraph::Run() {
    if (state_ == FilterState::Running) return S_OK;
    if (state_ == FilterState::Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    REFERENCE_TIME now = 0;
    if (clock_) clock_->GetTime(&now);
    return Run(now + kRunOffset - pausedStreamTime_);
}

HRESULT FilterGraph::Run(REFERENCE_TIME tStart) {
    {
        std::lock_guard lock(eventMutex_);
        renderersRunning_ = 0;
        for (const Entry& e : filters_)
            if (isRenderer(e.filter.get()) && hasConnectedInput(e.filter.get()))
                ++renderersRunning_;
        completeQueued_ = false;
    }
    tStart_ = tStart;
    state_ = FilterState::Running;
    return changeState(FilterState::Running, tStart);
}

HRESULT FilterGraph::Pause() {
    if (state_ == FilterState::Running) pausedStreamTime_ = streamTimeNow();
    state_ = FilterState::Paused;
    return changeState(FilterState::Paused, 0);
}

HRESULT FilterGraph::Stop() {
    if (state_ == FilterState::Stopped) return S_OK;
    REFERENCE_TIME position = 0;
    GetCurrentPosition(&position);
    state_ = FilterState::Stopped;
    HRESULT hr = changeState(FilterState::Stopped, 0);
    pausedStreamTime_ = 0;
    // Sources start again from where the graph stopped.
    seekFilters(position);
    segmentStart_ = position;
    return hr;
}

HRESULT FilterGraph::GetState(uint32_t timeoutMs, FilterState* state) {
    if (!state) return E_POINTER;
    *state = state_;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    HRESULT result = S_OK;
    for (const Entry& e : filters_) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        uint32_t wait = timeoutMs == INFINITE_WAIT ? INFINITE_WAIT
                                                   : uint32_t(std::max<int64_t>(0, left.count()));
        FilterState filterState;
        HRESULT hr = e.filter->GetState(wait, &filterState);
        if (hr == VFW_S_STATE_INTERMEDIATE || FAILED(hr)) return hr;
        if (hr == VFW_S_CANT_CUE) result = hr;
    }
    return result;
}

HRESULT FilterGraph::SetSyncSource(IReferenceClock* clock) {
    if (state_ != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    clock_ = ComPtr<IReferenceClock>(clock);
    for (const Entry& e : filters_) e.filter->SetSyncSource(clock);
    return S_OK;
}

HRESULT FilterGraph::GetSyncSource(ComPtr<IReferenceClock>* clock) {
    if (!clock) return E_POINTER;
    *clock = clock_;
    return clock_ ? S_OK : S_FALSE;
}

HRESULT FilterGraph::SetDefaultSyncSource() {
    return SetSyncSource(make<SystemClock>().get());
}

// Seeking -------------------------------------------------------------------------------------

HRESULT FilterGraph::seekFilters(REFERENCE_TIME position) {
    HRESULT result = E_NOTIMPL;
    for (const Entry& e : filters_) {
        auto seeking = query<IMediaSeeking>(e.filter);
        if (!seeking) continue;
        REFERENCE_TIME p = position;
        HRESULT hr = seeking->SetPositions(&p, AM_SEEKING_AbsolutePositioning, nullptr,
                                           AM_SEEKING_NoPositioning);
        if (result == E_NOTIMPL || FAILED(hr)) result = hr;
    }
    return result;
}

HRESULT FilterGraph::SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME*,
                                  uint32_t) {
    if ((currentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_NoPositioning) return S_OK;
    if (!current) return E_POINTER;
    REFERENCE_TIME target = *current;
    if ((currentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_RelativePositioning) {
        REFERENCE_TIME now = 0;
        GetCurrentPosition(&now);
        target += now;
    }
    bool wasRunning = state_ == FilterState::Running;
    if (wasRunning) Pause();
    {
        std::lock_guard lock(eventMutex_);
        completeQueued_ = false;
    }
    HRESULT hr = seekFilters(target);
    segmentStart_ = target;
    pausedStreamTime_ = 0;
    if (wasRunning) Run();
    return hr == E_NOTIMPL ? E_NOTIMPL : hr;
}

HRESULT FilterGraph::GetDuration(REFERENCE_TIME* duration) {
    if (!duration) return E_POINTER;
    HRESULT result = E_NOTIMPL;
    *duration = 0;
    for (const Entry& e : filters_) {
        auto seeking = query<IMediaSeeking>(e.filter);
        REFERENCE_TIME d = 0;
        if (seeking && SUCCEEDED(seeking->GetDuration(&d))) {
            *duration = std::max(*duration, d);
            result = S_OK;
        }
    }
    return result;
}

HRESULT FilterGraph::GetCurrentPosition(REFERENCE_TIME* position) {
    if (!position) return E_POINTER;
    REFERENCE_TIME p = segmentStart_ + streamTimeNow();
    REFERENCE_TIME duration = 0;
    if (SUCCEEDED(GetDuration(&duration)) && duration > 0) p = std::min(p, duration);
    *position = p;
    return S_OK;
}

HRESULT FilterGraph::GetStopPosition(REFERENCE_TIME* stop) { return GetDuration(stop); }

// Events --------------------------------------------------------------------------------------

void FilterGraph::queueEvent(const Event& event) {
    std::function<void()> notify;
    {
        std::lock_guard lock(eventMutex_);
        events_.push_back(event);
        notify = onEvent_;
        eventArrived_.notify_all();
    }
    if (notify) notify();
}

HRESULT FilterGraph::Notify(long code, intptr_t param1, intptr_t param2) {
    if (code != EC_COMPLETE) {
        queueEvent({code, param1, param2});
        return S_OK;
    }
    {
        std::lock_guard lock(eventMutex_);
        if (renderersRunning_ > 0) --renderersRunning_;
        if (renderersRunning_ > 0 || completeQueued_) return S_OK;
        completeQueued_ = true;
    }
    queueEvent({EC_COMPLETE, S_OK, 0});
    return S_OK;
}

HRESULT FilterGraph::GetEvent(long* code, intptr_t* param1, intptr_t* param2, uint32_t timeoutMs) {
    if (!code) return E_POINTER;
    std::unique_lock lock(eventMutex_);
    if (timeoutMs != INFINITE_WAIT)
        eventArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return !events_.empty(); });
    else
        eventArrived_.wait(lock, [&] { return !events_.empty(); });
    if (events_.empty()) return E_ABORT;
    Event e = events_.front();
    events_.pop_front();
    *code = e.code;
    if (param1) *param1 = e.param1;
    if (param2) *param2 = e.param2;
    return S_OK;
}

void FilterGraph::SetNotify(std::function<void()> onEvent) {
    std::lock_guard lock(eventMutex_);
    onEvent_ = std::move(onEvent);
}

// Volume --------------------------------------------------------------------------------------

HRESULT FilterGraph::put_Volume(long volume) {
    if (volume < -10000 || volume > 0) return E_INVALIDARG;
    volume_ = volume;
    HRESULT result = E_NOTIMPL;
    for (const Entry& e : filters_)
        if (auto audio = query<IBasicAudio>(e.filter)) result = audio->put_Volume(volume);
    return result;
}

HRESULT FilterGraph::get_Volume(long* volume) {
    if (!volume) return E_POINTER;
    *volume = volume_;
    return S_OK;
}

} // namespace mf
