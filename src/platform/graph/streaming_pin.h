#pragma once
// Output pin with its own streaming thread, for sources and splitters.
//
// The thread starts when the filter leaves the stopped state and ends when it returns to it.
// It loops: take a buffer from the allocator, FillBuffer, deliver. FillBuffer answers S_OK to
// deliver the sample, S_FALSE at end of stream (end of stream goes downstream and the thread
// ends), or a failure (end of stream downstream, EC_ERRORABORT to the graph, thread ends).
// FillBuffer must return promptly once stopToken() is signalled (use it in its waits).
//
// Seeking: the owner calls restart(before), which flushes downstream, ends the thread, runs
// `before` (e.g. move the demuxer), ends the flush and starts a new thread, whose first act is
// OnThreadStart (deliver NewSegment there). Nothing restarts while the filter is stopped.

#include "platform/graph/pins.h"

#include <functional>
#include <stop_token>
#include <thread>

namespace mf {

class StreamingOutputPin : public BaseOutputPin {
public:
    StreamingOutputPin(BaseFilter* filter, std::string name);
    ~StreamingOutputPin() override;

    HRESULT Active() override;
    HRESULT Inactive() override;

    // Controlling thread: used by seeking. A splitter with several pins calls
    // suspendForSeek on each, moves its demuxer, then resumeAfterSeek on each.
    void restart(const std::function<void()>& before);
    bool suspendForSeek(); // true when a thread was running
    void resumeAfterSeek(bool wasRunning);
    bool isStreaming() const { return thread_.joinable(); }

protected:
    // Streaming thread.
    virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
    virtual HRESULT OnThreadStart() { return S_OK; }
    virtual void OnThreadStop() {}
    // After each delivery, with downstream's answer: S_OK means the sample was taken (a sample
    // refused while downstream flushes is answered S_FALSE and may be sent again later).
    virtual void OnDelivered(HRESULT) {}
    std::stop_token stopToken() const { return token_; }

private:
    void startThread();
    void endThread();
    void threadMain(std::stop_token token);

    std::jthread thread_;   // controlling thread starts and joins it
    std::stop_token token_; // streaming thread only: its own thread's token
};

} // namespace mf
