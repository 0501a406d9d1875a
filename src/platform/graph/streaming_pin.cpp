#include "platform/graph/streaming_pin.h"

#include "platform/graph/base_filter.h"

#include <pthread.h>

namespace mf {

StreamingOutputPin::StreamingOutputPin(BaseFilter* filter, std::string name)
    : BaseOutputPin(filter, std::move(name)) {}

StreamingOutputPin::~StreamingOutputPin() {
    endThread();
}

HRESULT StreamingOutputPin::Active() {
    HRESULT hr = BaseOutputPin::Active();
    if (FAILED(hr)) return hr;
    startThread();
    return S_OK;
}

HRESULT StreamingOutputPin::Inactive() {
    thread_.request_stop();
    HRESULT hr = BaseOutputPin::Inactive(); // releases a thread waiting for a buffer
    endThread();
    return hr;
}

void StreamingOutputPin::restart(const std::function<void()>& before) {
    bool wasRunning = suspendForSeek();
    if (before) before();
    resumeAfterSeek(wasRunning);
}

bool StreamingOutputPin::suspendForSeek() {
    if (!thread_.joinable()) return false;
    thread_.request_stop();
    DeliverBeginFlush(); // releases a thread blocked downstream
    endThread();
    return true;
}

void StreamingOutputPin::resumeAfterSeek(bool wasRunning) {
    if (!wasRunning) return;
    DeliverEndFlush();
    if (filter_->state() != FilterState::Stopped) startThread();
}

void StreamingOutputPin::startThread() {
    if (thread_.joinable() || !IsConnected()) return;
    thread_ = std::jthread([this](std::stop_token token) { threadMain(token); });
    std::string threadName = "sp:" + name_.substr(0, 12);
    pthread_setname_np(thread_.native_handle(), threadName.c_str());
}

void StreamingOutputPin::endThread() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
    thread_ = std::jthread();
}

void StreamingOutputPin::threadMain(std::stop_token token) {
    // Taken from the argument: thread_ may not hold this thread yet when it starts running.
    token_ = token;
    HRESULT hr = OnThreadStart();
    while (SUCCEEDED(hr) && !token.stop_requested()) {
        ComPtr<IMediaSample> sample;
        if (FAILED(GetDeliveryBuffer(&sample))) break; // decommitted: we are stopping
        hr = FillBuffer(sample.get());
        if (token.stop_requested()) break;
        if (hr == S_OK) {
            HRESULT delivered = Deliver(sample.get());
            OnDelivered(delivered);
            if (FAILED(delivered)) break; // downstream stopped or failed
            continue;
        }
        DeliverEndOfStream();
        if (FAILED(hr)) filter_->NotifyEvent(EC_ERRORABORT, hr, 0);
        break;
    }
    OnThreadStop();
}

} // namespace mf
