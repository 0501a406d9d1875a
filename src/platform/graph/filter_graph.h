#pragma once
// The filter graph: holds filters under unique names, connects them (directly or through
// decoders found in the graph or the mapper), renders files, changes state, seeks, keeps the
// reference clock, counts end of stream over the renderers and queues events.
//
// Controlling thread: every operation but Notify. Filters call Notify from streaming threads.
// State changes visit filters downstream first, so renderers release blocked streaming
// threads before their sources stop. Run starts at clock time + 10 ms, continuing the stream
// time where a pause left it. A seek pauses a running graph, passes the position to every
// filter offering IMediaSeeking (sources and splitters), resets stream time to the new
// segment and resumes. Stop keeps the position: the next Pause starts from it again.
// EC_COMPLETE is queued once per run (and per seek) when every renderer has ended.

#include "platform/graph/interfaces.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace mf {

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaFilter,
                          public IMediaSeeking,
                          public IMediaEvent,
                          public IMediaEventSink,
                          public IBasicAudio {
public:
    FilterGraph();
    ~FilterGraph() override;

    // IFilterGraph
    HRESULT AddFilter(IBaseFilter* filter, std::string_view name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(std::vector<ComPtr<IBaseFilter>>* filters) override;
    HRESULT FindFilterByName(std::string_view name, ComPtr<IBaseFilter>* filter) override;
    HRESULT ConnectDirect(IPin* out, IPin* in, const MediaType* type) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;
    // IGraphBuilder
    HRESULT Connect(IPin* out, IPin* in) override;
    HRESULT Render(IPin* out) override;
    HRESULT RenderFile(std::string_view path) override;
    HRESULT AddSourceFilter(std::string_view path, std::string_view name,
                            ComPtr<IBaseFilter>* filter) override;
    // IMediaControl and IMediaFilter (Stop, Pause and GetState serve both)
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(uint32_t timeoutMs, FilterState* state) override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(ComPtr<IReferenceClock>* clock) override;
    // IMediaSeeking
    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* position) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop,
                         uint32_t stopFlags) override;
    // IMediaEvent and IMediaEventSink
    HRESULT GetEvent(long* code, intptr_t* param1, intptr_t* param2, uint32_t timeoutMs) override;
    void SetNotify(std::function<void()> onEvent) override;
    HRESULT Notify(long code, intptr_t param1, intptr_t param2) override;
    // IBasicAudio: passed to every renderer that offers it
    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long* volume) override;

    // Intelligent connection depth limit (decoders chained between two pins).
    static constexpr int kMaxDepth = 5;

private:
    struct Entry {
        ComPtr<IBaseFilter> filter;
        std::string name;
    };
    struct Event {
        long code;
        intptr_t param1, param2;
    };

    std::vector<ComPtr<IBaseFilter>> downstreamFirst() const;
    bool contains(IBaseFilter* filter) const;
    std::string uniqueName(std::string_view name) const;
    HRESULT changeState(FilterState target, REFERENCE_TIME tStart);
    REFERENCE_TIME streamTimeNow() const;
    void queueEvent(const Event& event);
    HRESULT seekFilters(REFERENCE_TIME position);

    // intelligent connection (filter_graph_connect.cpp)
    HRESULT connectVia(IPin* out, IPin* in, int depth);
    bool connectThrough(IBaseFilter* middle, IPin* out, IPin* in, int depth);
    HRESULT renderPin(IPin* out, int depth);
    HRESULT renderThrough(IBaseFilter* middle, IPin* out, int depth);
    HRESULT renderOutputs(IBaseFilter* filter, int depth);

    std::vector<Entry> filters_; // controlling thread
    FilterState state_ = FilterState::Stopped;
    ComPtr<IReferenceClock> clock_;
    REFERENCE_TIME tStart_ = 0;
    REFERENCE_TIME pausedStreamTime_ = 0; // stream time reached when paused
    REFERENCE_TIME segmentStart_ = 0;     // position of stream time 0
    long volume_ = 0;

    // guarded by eventMutex_ (Notify comes from streaming threads)
    std::mutex eventMutex_;
    std::condition_variable eventArrived_;
    std::deque<Event> events_;
    std::function<void()> onEvent_;
    int renderersRunning_ = 0; // renderers that have not yet reported EC_COMPLETE
    bool completeQueued_ = false;
};

} // namespace mf
