#include "platform/graph/transform_filter.h"

namespace mf {

// Input pin -----------------------------------------------------------------------------------

TransformInputPin::TransformInputPin(TransformFilter* filter, std::string name)
    : BaseInputPin(filter, std::move(name)), owner_(filter) {}

HRESULT TransformInputPin::CheckMediaType(const MediaType& type) {
    HRESULT hr = owner_->CheckInputType(type);
    if (hr != S_OK) return hr;
    // While the output is connected, a new input type must still suit the output type.
    if (owner_->output_ && owner_->output_->IsConnected() && IsConnected())
        return owner_->CheckTransform(type, owner_->output_->CurrentMediaType());
    return S_OK;
}

HRESULT TransformInputPin::SetMediaType(const MediaType& type) {
    HRESULT hr = BasePin::SetMediaType(type);
    return FAILED(hr) ? hr : owner_->SetMediaType(PinDirection::Input, type);
}

HRESULT TransformInputPin::CompleteConnect(IPin* peer) {
    HRESULT hr = BaseInputPin::CompleteConnect(peer);
    if (FAILED(hr)) return hr;
    // The output may have been connected for an earlier input type: renegotiate it.
    TransformOutputPin* out = owner_->output_.get();
    if (out->IsConnected() && owner_->CheckTransform(mt_, out->CurrentMediaType()) != S_OK) {
        if (IFilterGraph* graph = owner_->graph()) return graph->Reconnect(out);
        return VFW_E_NOT_IN_GRAPH;
    }
    return S_OK;
}

HRESULT TransformInputPin::BreakConnect() {
    owner_->SetMediaType(PinDirection::Input, MediaType{});
    return BaseInputPin::BreakConnect();
}

HRESULT TransformInputPin::Receive(IMediaSample* sample) {
    std::lock_guard lock(owner_->streamMutex_);
    HRESULT hr = BaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return owner_->Receive(sample);
}

HRESULT TransformInputPin::EndOfStream() {
    std::lock_guard lock(owner_->streamMutex_);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return owner_->EndOfStream();
}

HRESULT TransformInputPin::BeginFlush() {
    // Not under the stream lock: a Receive may be blocked downstream until the flush reaches it.
    BaseInputPin::BeginFlush();
    return owner_->BeginFlush();
}

HRESULT TransformInputPin::EndFlush() {
    std::lock_guard lock(owner_->streamMutex_);
    BaseInputPin::EndFlush();
    return owner_->EndFlush();
}

HRESULT TransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    BasePin::NewSegment(start, stop, rate);
    return owner_->NewSegment(start, stop, rate);
}

// Output pin ----------------------------------------------------------------------------------

TransformOutputPin::TransformOutputPin(TransformFilter* filter, std::string name)
    : BaseOutputPin(filter, std::move(name)), owner_(filter) {}

HRESULT TransformOutputPin::CheckConnect(IPin* peer) {
    if (!owner_->input_->IsConnected()) return VFW_E_NOT_CONNECTED;
    return BaseOutputPin::CheckConnect(peer);
}

HRESULT TransformOutputPin::CheckMediaType(const MediaType& type) {
    if (!owner_->input_->IsConnected()) return VFW_E_NOT_CONNECTED;
    return owner_->CheckTransform(owner_->input_->CurrentMediaType(), type);
}

HRESULT TransformOutputPin::GetMediaType(int position, MediaType* type) {
    if (!owner_->input_->IsConnected()) return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
    return owner_->GetMediaType(position, type);
}

HRESULT TransformOutputPin::SetMediaType(const MediaType& type) {
    HRESULT hr = BasePin::SetMediaType(type);
    return FAILED(hr) ? hr : owner_->SetMediaType(PinDirection::Output, type);
}

HRESULT TransformOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                             AllocatorProperties* request) {
    return owner_->DecideBufferSize(allocator, request);
}

// Filter --------------------------------------------------------------------------------------

TransformFilter::TransformFilter(std::string name, const GUID& clsid)
    : BaseFilter(std::move(name), clsid),
      input_(std::make_unique<TransformInputPin>(this, "XForm In")),
      output_(std::make_unique<TransformOutputPin>(this, "XForm Out")) {}

TransformFilter::~TransformFilter() = default;

BasePin* TransformFilter::GetPin(int n) {
    if (n == 0) return input_.get();
    if (n == 1) return output_.get();
    return nullptr;
}

HRESULT TransformFilter::SetMediaType(PinDirection, const MediaType&) { return S_OK; }

HRESULT TransformFilter::Transform(IMediaSample*, IMediaSample*) { return E_UNEXPECTED; }

HRESULT TransformFilter::onActive() {
    sampleSkipped_ = false;
    aborted_ = false;
    if (!input_->IsConnected()) return S_OK;
    HRESULT hr = StartStreaming();
    streaming_ = SUCCEEDED(hr);
    return hr;
}

HRESULT TransformFilter::onInactive() {
    // Waits for a Receive in progress; pins are already inactive so none can start.
    std::lock_guard lock(streamMutex_);
    if (!streaming_) return S_OK;
    streaming_ = false;
    return StopStreaming();
}

HRESULT TransformFilter::InitializeOutputSample(IMediaSample* in, ComPtr<IMediaSample>* out) {
    HRESULT hr = output_->GetDeliveryBuffer(out);
    if (FAILED(hr)) return hr;
    IMediaSample* o = out->get();
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT timeHr = in->GetTime(&start, &stop);
    if (timeHr == S_OK)
        o->SetTime(&start, &stop);
    else if (timeHr == VFW_S_NO_STOP_TIME)
        o->SetTime(&start, nullptr);
    o->SetSyncPoint(in->IsSyncPoint() == S_OK);
    o->SetPreroll(in->IsPreroll() == S_OK);
    o->SetDiscontinuity(in->IsDiscontinuity() == S_OK || sampleSkipped_);
    sampleSkipped_ = false;
    return S_OK;
}

void TransformFilter::abortStream(HRESULT hr) {
    if (aborted_) return;
    aborted_ = true;
    output_->DeliverEndOfStream();
    NotifyEvent(EC_ERRORABORT, hr, 0);
}

HRESULT TransformFilter::Receive(IMediaSample* sample) {
    if (aborted_) return S_FALSE;
    ComPtr<IMediaSample> out;
    HRESULT hr = InitializeOutputSample(sample, &out);
    if (FAILED(hr)) return hr;
    hr = Transform(sample, out.get());
    if (hr == S_FALSE) { // dropped on purpose
        sampleSkipped_ = true;
        return S_OK;
    }
    if (FAILED(hr)) {
        abortStream(hr);
        return hr;
    }
    return output_->Deliver(out.get());
}

HRESULT TransformFilter::EndOfStream() {
    return output_->IsConnected() ? output_->DeliverEndOfStream() : S_OK;
}
HRESULT TransformFilter::BeginFlush() {
    return output_->IsConnected() ? output_->DeliverBeginFlush() : S_OK;
}
HRESULT TransformFilter::EndFlush() {
    aborted_ = false;
    return output_->IsConnected() ? output_->DeliverEndFlush() : S_OK;
}
HRESULT TransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return output_->IsConnected() ? output_->DeliverNewSegment(start, stop, rate) : S_OK;
}

} // namespace mf
