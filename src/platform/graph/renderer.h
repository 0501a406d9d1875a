#pragma once
// Base renderer: one input pin; presents each sample when the reference clock reaches its
// start time (at once without a clock).
//
// Paused: the first sample that arrives is "cued": OnReceiveFirstSample shows it and the
// streaming thread is held in Receive until the filter runs, stops or flushes. GetState answers
// VFW_S_STATE_INTERMEDIATE while paused with nothing cued and no end of stream.
// Running: Receive waits until the sample is due, then DoRenderSample. End of stream while
// running (or on the next Run) reports EC_COMPLETE to the graph once per run and per flush.

#include "platform/graph/base_filter.h"

#include <condition_variable>
#include <memory>

namespace mf {

class BaseRenderer;

class RendererInputPin : public BaseInputPin {
public:
    RendererInputPin(BaseRenderer* filter, std::string name);
    HRESULT CheckMediaType(const MediaType& type) override;
    HRESULT SetMediaType(const MediaType& type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT BreakConnect() override;

private:
    BaseRenderer* owner_;
};

class BaseRenderer : public BaseFilter, public IAMFilterMiscFlags {
public:
    BaseRenderer(std::string name, const GUID& clsid);
    ~BaseRenderer() override;

    int GetPinCount() override { return 1; }
    BasePin* GetPin(int n) override;
    uint32_t GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }
    HRESULT GetState(uint32_t timeoutMs, FilterState* state) override;

    RendererInputPin* input() const { return input_.get(); }

    // Hooks.
    virtual HRESULT CheckMediaType(const MediaType& type) = 0;
    virtual HRESULT SetMediaType(const MediaType&) { return S_OK; }
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0; // streaming thread
    virtual void OnReceiveFirstSample(IMediaSample*) {}       // streaming thread, paused
    virtual void OnFlush() {}                                 // any thread

    // Streaming thread, through the pin.
    HRESULT Receive(IMediaSample* sample);
    HRESULT EndOfStream();
    void BeginFlush();
    void EndFlush();

protected:
    HRESULT onActive() override;
    HRESULT onInactive() override;
    HRESULT onRun(REFERENCE_TIME tStart) override;
    HRESULT onPause() override;

private:
    // Waits until the sample may be rendered; false when the wait was abandoned.
    bool waitForRenderTime(std::unique_lock<std::mutex>& lock, IMediaSample* sample);
    bool readyLocked() const { return cued_ || endOfStream_; }
    void sendCompleteLocked();

    std::unique_ptr<RendererInputPin> input_;

    // guarded by renderMutex_: the handoff between the streaming thread and state changes
    std::mutex renderMutex_;
    std::condition_variable changed_;
    ComPtr<IMediaSample> cued_;
    bool endOfStream_ = false;
    bool completeSent_ = false;
    bool flushing_ = false;
};

} // namespace mf
