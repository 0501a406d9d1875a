#include "platform/graph/pins.h"

#include "platform/graph/base_filter.h"
#include "platform/graph/sample.h"

namespace mf {

BasePin::BasePin(BaseFilter* filter, std::string name, PinDirection dir)
    : filter_(filter), name_(std::move(name)), dir_(dir) {}

BasePin::~BasePin() = default;

void BasePin::addRef() const noexcept { filter_->addRef(); }
void BasePin::release() const noexcept { filter_->release(); }

bool BasePin::filterStopped() const { return filter_->state() == FilterState::Stopped; }

HRESULT BasePin::Connect(IPin* receiver, const MediaType* type) {
    if (!receiver) return E_POINTER;
    if (dir_ != PinDirection::Output) return E_UNEXPECTED;
    if (connected_) return VFW_E_ALREADY_CONNECTED;
    if (!filterStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(receiver);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    return AgreeMediaType(receiver, type);
}

HRESULT BasePin::AgreeMediaType(IPin* receiver, const MediaType* pattern) {
    // A fully specified type is tried alone.
    if (pattern && !pattern->majortype.isNull() && !pattern->subtype.isNull() &&
        !pattern->formattype.isNull())
        return AttemptConnection(receiver, *pattern);

    std::vector<MediaType> candidates;
    receiver->EnumMediaTypes(&candidates);
    MediaType own;
    for (int i = 0; GetMediaType(i, &own) == S_OK; ++i) candidates.push_back(own);

    for (const MediaType& mt : candidates) {
        if (pattern && !matchesPartial(*pattern, mt)) continue;
        if (AttemptConnection(receiver, mt) == S_OK) return S_OK;
    }
    return candidates.empty() ? VFW_E_NO_ACCEPTABLE_TYPES : VFW_E_CANNOT_CONNECT;
}

HRESULT BasePin::AttemptConnection(IPin* receiver, const MediaType& type) {
    // A refused type before this one broke the connection it prepared: prepare it again.
    HRESULT hr = CheckConnect(receiver);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    if (CheckMediaType(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    connected_ = ComPtr<IPin>(receiver);
    hr = SetMediaType(type);
    if (SUCCEEDED(hr)) hr = receiver->ReceiveConnection(this, type);
    if (SUCCEEDED(hr)) hr = CompleteConnect(receiver);
    if (SUCCEEDED(hr)) return S_OK;
    if (hr == S_FALSE) hr = E_FAIL;
    receiver->Disconnect();
    BreakConnect();
    connected_ = nullptr;
    mt_ = MediaType{};
    return hr;
}

HRESULT BasePin::ReceiveConnection(IPin* connector, const MediaType& type) {
    if (!connector) return E_POINTER;
    if (connected_) return VFW_E_ALREADY_CONNECTED;
    if (!filterStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (SUCCEEDED(hr) && CheckMediaType(type) != S_OK) hr = VFW_E_TYPE_NOT_ACCEPTED;
    if (SUCCEEDED(hr)) {
        connected_ = ComPtr<IPin>(connector);
        hr = SetMediaType(type);
        if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
    }
    if (SUCCEEDED(hr)) return S_OK;
    BreakConnect();
    connected_ = nullptr;
    mt_ = MediaType{};
    return hr;
}

HRESULT BasePin::Disconnect() {
    if (!filterStopped()) return VFW_E_NOT_STOPPED;
    if (!connected_) return S_FALSE;
    BreakConnect();
    connected_ = nullptr;
    mt_ = MediaType{};
    return S_OK;
}

HRESULT BasePin::ConnectedTo(ComPtr<IPin>* pin) {
    if (!pin) return E_POINTER;
    *pin = connected_;
    return connected_ ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT BasePin::ConnectionMediaType(MediaType* type) {
    if (!type) return E_POINTER;
    if (!connected_) {
        *type = MediaType{};
        return VFW_E_NOT_CONNECTED;
    }
    *type = mt_;
    return S_OK;
}

HRESULT BasePin::QueryPinInfo(PinInfo* info) {
    if (!info) return E_POINTER;
    info->filter = filter_;
    info->name = name_;
    info->dir = dir_;
    return S_OK;
}

HRESULT BasePin::QueryDirection(PinDirection* dir) {
    if (!dir) return E_POINTER;
    *dir = dir_;
    return S_OK;
}

HRESULT BasePin::QueryId(std::string* id) {
    if (!id) return E_POINTER;
    *id = name_;
    return S_OK;
}

HRESULT BasePin::QueryAccept(const MediaType& type) {
    return CheckMediaType(type) == S_OK ? S_OK : S_FALSE;
}

HRESULT BasePin::EnumMediaTypes(std::vector<MediaType>* types) {
    if (!types) return E_POINTER;
    types->clear();
    MediaType mt;
    for (int i = 0; GetMediaType(i, &mt) == S_OK; ++i) types->push_back(mt);
    return S_OK;
}

HRESULT BasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    segmentStart_ = start;
    segmentStop_ = stop;
    segmentRate_ = rate;
    return S_OK;
}

HRESULT BasePin::QueryCategory(GUID* category) {
    if (!category) return E_POINTER;
    if (category_.isNull()) return E_NOTIMPL;
    *category = category_;
    return S_OK;
}

HRESULT BasePin::GetMediaType(int position, MediaType*) {
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT BasePin::SetMediaType(const MediaType& type) {
    mt_ = type;
    return S_OK;
}

HRESULT BasePin::CheckConnect(IPin* peer) {
    PinDirection peerDir;
    if (FAILED(peer->QueryDirection(&peerDir))) return E_FAIL;
    return peerDir == dir_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT BasePin::CompleteConnect(IPin*) { return S_OK; }
HRESULT BasePin::BreakConnect() { return S_OK; }
HRESULT BasePin::Active() { return S_OK; }
HRESULT BasePin::Inactive() { return S_OK; }

// Output pin ----------------------------------------------------------------------------------

BaseOutputPin::BaseOutputPin(BaseFilter* filter, std::string name)
    : BasePin(filter, std::move(name), PinDirection::Output) {}

HRESULT BaseOutputPin::CheckConnect(IPin* peer) {
    HRESULT hr = BasePin::CheckConnect(peer);
    if (FAILED(hr)) return hr;
    inputPin_ = query<IMemInputPin>(peer);
    return inputPin_ ? S_OK : E_NOINTERFACE;
}

HRESULT BaseOutputPin::CompleteConnect(IPin*) {
    if (!inputPin_) return E_UNEXPECTED;
    return DecideAllocator(inputPin_.get(), &allocator_);
}

HRESULT BaseOutputPin::BreakConnect() {
    if (allocator_) allocator_->Decommit();
    allocator_ = nullptr;
    inputPin_ = nullptr;
    return S_OK;
}

HRESULT BaseOutputPin::DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator) {
    AllocatorProperties request;
    pin->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0) request.cbAlign = 1;

    ComPtr<IMemAllocator> candidate;
    if (SUCCEEDED(pin->GetAllocator(&candidate)) && candidate) {
        AllocatorProperties props = request;
        if (SUCCEEDED(DecideBufferSize(candidate.get(), &props)) &&
            SUCCEEDED(pin->NotifyAllocator(candidate.get(), false))) {
            *allocator = candidate;
            return S_OK;
        }
    }
    candidate = ComPtr<IMemAllocator>(make<MemAllocator>());
    AllocatorProperties props = request;
    HRESULT hr = DecideBufferSize(candidate.get(), &props);
    if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(candidate.get(), false);
    if (FAILED(hr)) return hr;
    *allocator = candidate;
    return S_OK;
}

HRESULT BaseOutputPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }

HRESULT BaseOutputPin::Inactive() { return allocator_ ? allocator_->Decommit() : S_OK; }

HRESULT BaseOutputPin::GetDeliveryBuffer(ComPtr<IMediaSample>* sample) {
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->GetBuffer(sample);
}

HRESULT BaseOutputPin::Deliver(IMediaSample* sample) {
    if (!inputPin_) return VFW_E_NOT_CONNECTED;
    return inputPin_->Receive(sample);
}

HRESULT BaseOutputPin::DeliverEndOfStream() {
    return connected_ ? connected_->EndOfStream() : VFW_E_NOT_CONNECTED;
}
HRESULT BaseOutputPin::DeliverBeginFlush() {
    return connected_ ? connected_->BeginFlush() : VFW_E_NOT_CONNECTED;
}
HRESULT BaseOutputPin::DeliverEndFlush() {
    return connected_ ? connected_->EndFlush() : VFW_E_NOT_CONNECTED;
}
HRESULT BaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    NewSegment(start, stop, rate);
    return connected_ ? connected_->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

// Input pin -----------------------------------------------------------------------------------

BaseInputPin::BaseInputPin(BaseFilter* filter, std::string name)
    : BasePin(filter, std::move(name), PinDirection::Input) {}

HRESULT BaseInputPin::GetAllocator(ComPtr<IMemAllocator>* allocator) {
    if (!allocator) return E_POINTER;
    if (!allocator_) allocator_ = ComPtr<IMemAllocator>(make<MemAllocator>());
    *allocator = allocator_;
    return S_OK;
}

HRESULT BaseInputPin::NotifyAllocator(IMemAllocator* allocator, bool readOnly) {
    if (!allocator) return E_POINTER;
    allocator_ = ComPtr<IMemAllocator>(allocator);
    readOnly_ = readOnly;
    return S_OK;
}

HRESULT BaseInputPin::GetAllocatorRequirements(AllocatorProperties*) { return E_NOTIMPL; }

HRESULT BaseInputPin::CheckConnect(IPin* peer) { return BasePin::CheckConnect(peer); }

HRESULT BaseInputPin::BreakConnect() {
    allocator_ = nullptr;
    return S_OK;
}

HRESULT BaseInputPin::Inactive() {
    flushing_ = false;
    return allocator_ ? allocator_->Decommit() : S_OK;
}

HRESULT BaseInputPin::CheckStreaming() {
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    if (filterStopped()) return VFW_E_WRONG_STATE;
    if (flushing_) return S_FALSE;
    return S_OK;
}

HRESULT BaseInputPin::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    MediaType changed;
    if (sample->GetMediaType(&changed) == S_OK) {
        if (CheckMediaType(changed) != S_OK) return VFW_E_INVALIDMEDIATYPE;
        hr = SetMediaType(changed);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT BaseInputPin::BeginFlush() {
    flushing_ = true;
    return S_OK;
}

HRESULT BaseInputPin::EndFlush() {
    flushing_ = false;
    return S_OK;
}

} // namespace mf
