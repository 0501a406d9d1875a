#include "support/byte_source.h"

#include <algorithm>
#include <cstring>

namespace sptest {

using namespace mf;

ByteSourcePin::ByteSourcePin(ByteSource* owner, MediaType type)
    : StreamingOutputPin(owner, "Out"), owner_(owner), type_(std::move(type)) {}

HRESULT ByteSourcePin::CheckMediaType(const MediaType& type) {
    return type.majortype == type_.majortype && type.subtype == type_.subtype &&
                   type.formattype == type_.formattype
               ? S_OK
               : S_FALSE;
}

HRESULT ByteSourcePin::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = type_;
    return S_OK;
}

HRESULT ByteSourcePin::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    size_t largest = 1;
    for (const Payload& p : owner_->payloads)
        largest = std::max(largest, p.size());
    request->cBuffers = std::max(request->cBuffers, 2L);
    request->cbBuffer = std::max(request->cbBuffer, long(largest));
    AllocatorProperties actual;
    return allocator->SetProperties(*request, &actual);
}

HRESULT ByteSourcePin::OnThreadStart() {
    next_ = 0;
    return DeliverNewSegment(0, REFERENCE_TIME(owner_->payloads.size()) * owner_->frameDurationHns,
                             1.0);
}

HRESULT ByteSourcePin::FillBuffer(IMediaSample* sample) {
    if (next_ >= owner_->payloads.size()) return S_FALSE;
    const Payload& payload = owner_->payloads[next_];
    long length = std::min(sample->GetSize(), long(payload.size()));
    if (length > 0) std::memcpy(sample->GetPointer(), payload.data(), size_t(length));
    sample->SetActualDataLength(length);
    REFERENCE_TIME start = REFERENCE_TIME(next_) * owner_->frameDurationHns;
    REFERENCE_TIME stop = start + owner_->frameDurationHns;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(true);
    ++next_;
    return S_OK;
}

ByteSource::ByteSource(MediaType type, std::vector<Payload> samples, REFERENCE_TIME duration)
    : BaseFilter("Byte Source", GUID_NULL), payloads(std::move(samples)),
      frameDurationHns(duration), pin_(std::make_unique<ByteSourcePin>(this, std::move(type))) {}

ByteSource::~ByteSource() = default;

BasePin* ByteSource::GetPin(int n) {
    return n == 0 ? pin_.get() : nullptr;
}

} // namespace sptest
