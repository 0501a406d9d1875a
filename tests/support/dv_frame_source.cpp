#include "support/dv_frame_source.h"

#include "platform/graph/guids.h"
#include "platform/graph/mediatype.h"

#include <algorithm>
#include <cstring>

namespace sptest {

using namespace mf;

FrameListSourcePin::FrameListSourcePin(FrameListSource* owner, MediaType type)
    : OneTypePin(owner, Match::Pattern), owner_(owner), type_(std::move(type)) {}

HRESULT FrameListSourcePin::DecideBufferSize(IMemAllocator* allocator,
                                             AllocatorProperties* request) {
    long largest = 1;
    for (const auto& f : owner_->frames())
        largest = std::max(largest, long(f.size()));
    return askBuffers(allocator, request, 3, largest);
}

HRESULT FrameListSourcePin::OnThreadStart() {
    next_ = size_t(owner_->segmentStart() / owner_->frameHns());
    const REFERENCE_TIME total = REFERENCE_TIME(owner_->frames().size()) * owner_->frameHns();
    return DeliverNewSegment(owner_->segmentStart(), total, 1.0);
}

HRESULT FrameListSourcePin::FillBuffer(IMediaSample* sample) {
    if (next_ >= owner_->frames().size()) return S_FALSE;
    const auto& frame = owner_->frames()[next_];
    const long length = std::min(long(frame.size()), sample->GetSize());
    std::memcpy(sample->GetPointer(), frame.data(), size_t(length));
    sample->SetActualDataLength(length);
    REFERENCE_TIME start = REFERENCE_TIME(next_) * owner_->frameHns() - owner_->segmentStart();
    REFERENCE_TIME stop = start + owner_->frameHns();
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(true);
    ++next_;
    return S_OK;
}

FrameListSource::FrameListSource(MediaType type, std::vector<std::vector<uint8_t>> frames,
                                 REFERENCE_TIME frameHns)
    : BaseFilter("Frame List Source", CLSID_FrameListSource), frames_(std::move(frames)),
      frameHns_(frameHns), pin_(std::make_unique<FrameListSourcePin>(this, std::move(type))) {}

FrameListSource::~FrameListSource() = default;

HRESULT FrameListSource::GetDuration(REFERENCE_TIME* duration) {
    *duration = REFERENCE_TIME(frames_.size()) * frameHns_;
    return S_OK;
}

HRESULT FrameListSource::GetCurrentPosition(REFERENCE_TIME* position) {
    *position = segmentStart_;
    return S_OK;
}

HRESULT FrameListSource::GetStopPosition(REFERENCE_TIME* stop) {
    return GetDuration(stop);
}

HRESULT FrameListSource::SetPositions(REFERENCE_TIME* current, uint32_t flags, REFERENCE_TIME*,
                                      uint32_t) {
    if ((flags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_AbsolutePositioning) return S_OK;
    const REFERENCE_TIME last = REFERENCE_TIME(frames_.size() - 1) * frameHns_;
    const REFERENCE_TIME target = std::clamp<REFERENCE_TIME>(*current, 0, last);
    pin_->restart([&] { segmentStart_ = target; });
    return S_OK;
}

CopyingSink::CopyingSink(MediaType accepted)
    : BaseRenderer("Copying Sink", CLSID_CopyingSink), accepted_(std::move(accepted)) {}

HRESULT CopyingSink::CheckMediaType(const MediaType& type) {
    return matchesPartial(accepted_, type) ? S_OK : S_FALSE;
}

HRESULT CopyingSink::DoRenderSample(IMediaSample* sample) {
    CopiedSample copy;
    const uint8_t* data = sample->GetPointer();
    copy.data.assign(data, data + std::max(0L, sample->GetActualDataLength()));
    copy.timed = SUCCEEDED(sample->GetTime(&copy.start, &copy.stop));
    std::lock_guard lock(mutex_);
    samples_.push_back(std::move(copy));
    return S_OK;
}

std::vector<CopiedSample> CopyingSink::samples() {
    std::lock_guard lock(mutex_);
    return samples_;
}

} // namespace sptest
