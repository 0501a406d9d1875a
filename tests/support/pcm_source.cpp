#include "support/pcm_source.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sptest {

PayloadSourcePin::PayloadSourcePin(PayloadSource* owner, MediaType type)
    : OneTypePin(owner, Match::Whole), owner_(owner), type_(std::move(type)) {}

HRESULT PayloadSourcePin::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    return askBuffers(allocator, request, 3, owner_->sampleBytes_);
}

HRESULT PayloadSourcePin::OnThreadStart() {
    owner_->next_ = owner_->first_;
    return DeliverNewSegment(owner_->segmentStart_, owner_->count_ * owner_->sampleDuration_, 1.0);
}

HRESULT PayloadSourcePin::FillBuffer(IMediaSample* sample) {
    int index = owner_->next_++;
    if (index >= owner_->count_) return S_FALSE;
    long bytes = std::min(sample->GetSize(), owner_->sampleBytes_);
    owner_->fill_(index, std::span<uint8_t>(sample->GetPointer(), size_t(bytes)));
    sample->SetActualDataLength(bytes);
    REFERENCE_TIME start = index * owner_->sampleDuration_ - owner_->segmentStart_;
    REFERENCE_TIME stop = start + owner_->sampleDuration_;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(true);
    return S_OK;
}

PayloadSource::PayloadSource(MediaType type, int count, REFERENCE_TIME sampleDuration,
                             long sampleBytes, PayloadFill fill)
    : BaseFilter("Payload Source", CLSID_PayloadSource),
      pin_(std::make_unique<PayloadSourcePin>(this, std::move(type))), count_(count),
      sampleDuration_(sampleDuration), sampleBytes_(sampleBytes), fill_(std::move(fill)) {}

PayloadSource::~PayloadSource() = default;

HRESULT PayloadSource::GetDuration(REFERENCE_TIME* duration) {
    *duration = count_ * sampleDuration_;
    return S_OK;
}

HRESULT PayloadSource::GetCurrentPosition(REFERENCE_TIME* position) {
    *position = segmentStart_;
    return S_OK;
}

HRESULT PayloadSource::SetPositions(REFERENCE_TIME* current, uint32_t flags, REFERENCE_TIME*,
                                    uint32_t) {
    if ((flags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_AbsolutePositioning) return S_OK;
    REFERENCE_TIME target = std::clamp<REFERENCE_TIME>(*current, 0, count_ * sampleDuration_);
    pin_->restart([&] {
        segmentStart_ = target;
        first_ = int(std::min<REFERENCE_TIME>(target / sampleDuration_, count_ - 1));
    });
    return S_OK;
}

PayloadFill pcmSine(uint32_t sampleRate, uint16_t channels, int framesPerSample, double hz,
                    int amplitude) {
    return [=](int index, std::span<uint8_t> bytes) {
        size_t frames = bytes.size() / (2u * channels);
        for (size_t f = 0; f < frames; ++f) {
            double t = double(int64_t(index) * framesPerSample + int64_t(f)) / sampleRate;
            auto value = int16_t(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * t)));
            for (uint16_t c = 0; c < channels; ++c) {
                size_t at = (f * channels + c) * 2;
                bytes[at] = uint8_t(value & 0xFF);
                bytes[at + 1] = uint8_t((value >> 8) & 0xFF);
            }
        }
    };
}

} // namespace sptest
