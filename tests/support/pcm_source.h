#pragma once
// A timed source with real payloads, for renderers that look at the bytes: `count` samples of
// `sampleDuration` each, `sampleBytes` long, filled by a callback on the streaming thread. Sample
// i covers [i, i + 1) * sampleDuration. After a seek to p the first sample is the one covering p,
// timed relative to p. A helper builds PCM tones for it.

#include "platform/graph/base_filter.h"
#include "support/one_type_pin.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace sptest {

using namespace mf;

inline constexpr GUID CLSID_PayloadSource = guidOf("{5D1E0005-0000-4000-8000-000000000005}");

// Fills the payload of sample `index` (all of `bytes`); streaming thread.
using PayloadFill = std::function<void(int index, std::span<uint8_t> bytes)>;

class PayloadSource;

class PayloadSourcePin final : public OneTypePin {
public:
    PayloadSourcePin(PayloadSource* owner, MediaType type);
    HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadStart() override;
    const MediaType& offered() const override { return type_; }

private:
    PayloadSource* owner_;
    MediaType type_;
};

class PayloadSource final : public BaseFilter, public IMediaSeeking, public IAMFilterMiscFlags {
public:
    PayloadSource(MediaType type, int count, REFERENCE_TIME sampleDuration, long sampleBytes,
                  PayloadFill fill);
    ~PayloadSource() override;

    int GetPinCount() override { return 1; }
    BasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }
    uint32_t GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }
    PayloadSourcePin* pin() const { return pin_.get(); }

    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* position) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override { return GetDuration(stop); }
    HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop,
                         uint32_t stopFlags) override;

private:
    friend class PayloadSourcePin;
    std::unique_ptr<PayloadSourcePin> pin_;
    int count_;
    REFERENCE_TIME sampleDuration_;
    long sampleBytes_;
    PayloadFill fill_;
    // written by SetPositions while no streaming thread runs
    REFERENCE_TIME segmentStart_ = 0;
    int first_ = 0;
    int next_ = 0; // streaming thread; first_ when a streaming thread starts
};

// 16-bit PCM: a sine of `hz` at `amplitude` (0..32767) on every channel, continuous across
// samples of `framesPerSample` frames.
PayloadFill pcmSine(uint32_t sampleRate, uint16_t channels, int framesPerSample, double hz,
                    int amplitude);

} // namespace sptest
