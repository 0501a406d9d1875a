#include "support/byte_source.h"

#include <algorithm>
#include <cstring>

namespace sptest {

using namespace mf;

ByteSourcePin::ByteSourcePin(ByteSource* owner, MediaType type)
    : OneTypePin(owner, Match::MajorSubFormat), owner_(owner), type_(std::move(type)) {}

HRESULT ByteSourcePin::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    size_t largest = 1;
    for (const Payload& p : owner_->payloads)
        largest = std::max(largest, p.size());
    return askBuffers(allocator, request, 2, long(largest));
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
