#include "platform/graph/renderer.h"

#include <algorithm>
#include <chrono>

namespace mf {

RendererInputPin::RendererInputPin(BaseRenderer* filter, std::string name)
    : BaseInputPin(filter, std::move(name)), owner_(filter) {}

HRESULT RendererInputPin::CheckMediaType(const MediaType& type) {
    return owner_->CheckMediaType(type);
}

HRESULT RendererInputPin::SetMediaType(const MediaType& type) {
    HRESULT hr = BasePin::SetMediaType(type);
    return FAILED(hr) ? hr : owner_->SetMediaType(type);
}

HRESULT RendererInputPin::Receive(IMediaSample* sample) {
    HRESULT hr = BaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return owner_->Receive(sample);
}

HRESULT RendererInputPin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return owner_->EndOfStream();
}

HRESULT RendererInputPin::BeginFlush() {
    BaseInputPin::BeginFlush();
    owner_->BeginFlush();
    return S_OK;
}

HRESULT RendererInputPin::EndFlush() {
    owner_->EndFlush();
    return BaseInputPin::EndFlush();
}

HRESULT RendererInputPin::BreakConnect() {
    owner_->SetMediaType(MediaType{});
    return BaseInputPin::BreakConnect();
}

// ---------------------------------------------------------------------------------------------

BaseRenderer::BaseRenderer(std::string name, const GUID& clsid)
    : BaseFilter(std::move(name), clsid), input_(std::make_unique<RendererInputPin>(this, "In")) {}

BaseRenderer::~BaseRenderer() = default;

BasePin* BaseRenderer::GetPin(int n) { return n == 0 ? input_.get() : nullptr; }

HRESULT BaseRenderer::GetState(uint32_t timeoutMs, FilterState* state) {
    if (!state) return E_POINTER;
    std::unique_lock lock(renderMutex_);
    auto paused = [&] { return this->state() == FilterState::Paused; };
    if (paused() && !readyLocked() && input_->IsConnected()) {
        auto limit = std::chrono::milliseconds(timeoutMs == INFINITE_WAIT ? 1000000000u : timeoutMs);
        changed_.wait_for(lock, limit, [&] { return !paused() || readyLocked(); });
    }
    *state = this->state();
    if (paused() && !readyLocked() && input_->IsConnected()) return VFW_S_STATE_INTERMEDIATE;
    return S_OK;
}

HRESULT BaseRenderer::Receive(IMediaSample* sample) {
    if (sample->IsPreroll() == S_OK) return S_OK;
    std::unique_lock lock(renderMutex_);
    if (flushing_) return S_FALSE;
    if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
    if (!waitForRenderTime(lock, sample)) return flushing_ ? S_FALSE : VFW_E_WRONG_STATE;
    cued_ = nullptr;
    HRESULT hr = DoRenderSample(sample);
    return FAILED(hr) ? hr : S_OK;
}

bool BaseRenderer::waitForRenderTime(std::unique_lock<std::mutex>& lock, IMediaSample* sample) {
    for (;;) {
        FilterState s = state();
        if (flushing_ || s == FilterState::Stopped) {
            cued_ = nullptr;
            return false;
        }
        if (s == FilterState::Paused) {
            if (!cued_) {
                cued_ = ComPtr<IMediaSample>(sample);
                OnReceiveFirstSample(sample);
                changed_.notify_all();
            }
            changed_.wait(lock);
            continue;
        }
        REFERENCE_TIME start = 0, stop = 0;
        IReferenceClock* refClock = clock();
        if (!refClock || FAILED(sample->GetTime(&start, &stop))) return true;
        REFERENCE_TIME now = 0;
        refClock->GetTime(&now);
        REFERENCE_TIME due = startTime() + start;
        if (now >= due) return true;
        // Wake at the due time, or earlier on a state change.
        auto wait = std::chrono::microseconds(std::min<REFERENCE_TIME>((due - now) / 10, 100000));
        changed_.wait_for(lock, wait);
    }
}

void BaseRenderer::sendCompleteLocked() {
    if (completeSent_) return;
    completeSent_ = true;
    NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT BaseRenderer::EndOfStream() {
    std::lock_guard lock(renderMutex_);
    if (flushing_) return S_FALSE;
    endOfStream_ = true;
    if (state() == FilterState::Running) sendCompleteLocked();
    changed_.notify_all();
    return S_OK;
}

void BaseRenderer::BeginFlush() {
    std::lock_guard lock(renderMutex_);
    flushing_ = true;
    cued_ = nullptr;
    endOfStream_ = false;
    OnFlush();
    changed_.notify_all();
}

void BaseRenderer::EndFlush() {
    std::lock_guard lock(renderMutex_);
    flushing_ = false;
    endOfStream_ = false;
    completeSent_ = false;
    changed_.notify_all();
}

HRESULT BaseRenderer::onActive() {
    std::lock_guard lock(renderMutex_);
    cued_ = nullptr;
    endOfStream_ = false;
    completeSent_ = false;
    flushing_ = false;
    return S_OK;
}

HRESULT BaseRenderer::onInactive() {
    std::lock_guard lock(renderMutex_);
    cued_ = nullptr;
    changed_.notify_all();
    return S_OK;
}

HRESULT BaseRenderer::onRun(REFERENCE_TIME) {
    std::lock_guard lock(renderMutex_);
    completeSent_ = false;
    if (endOfStream_) sendCompleteLocked();
    changed_.notify_all();
    return S_OK;
}

HRESULT BaseRenderer::onPause() {
    std::lock_guard lock(renderMutex_);
    changed_.notify_all();
    return S_OK;
}

} // namespace mf
