#pragma once
// Test filters around whole frames: a source that delivers a given list of frames (the frames
// of a raw DV file, say) on one output pin, and a sink that keeps a copy of every sample it
// renders. Neither knows libav; the test reads the frames.

#include "platform/graph/base_filter.h"
#include "platform/graph/renderer.h"
#include "support/one_type_pin.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace sptest {

inline constexpr mf::GUID CLSID_FrameListSource =
    mf::guidOf("{5D1E00D1-0000-4000-8000-0000000000D1}");
inline constexpr mf::GUID CLSID_CopyingSink = mf::guidOf("{5D1E00D2-0000-4000-8000-0000000000D2}");

class FrameListSource;

class FrameListSourcePin final : public OneTypePin {
public:
    FrameListSourcePin(FrameListSource* owner, mf::MediaType type);
    mf::HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                                 mf::AllocatorProperties* request) override;

protected:
    mf::HRESULT FillBuffer(mf::IMediaSample* sample) override;
    mf::HRESULT OnThreadStart() override;
    const mf::MediaType& offered() const override { return type_; }

private:
    FrameListSource* owner_;
    mf::MediaType type_;
    size_t next_ = 0; // streaming thread; set from the segment start with each thread
};

// Delivers frame i with the times [i * frameHns, (i + 1) * frameHns), then end of stream.
// After a seek to p the first frame is the one covering p, timed relative to p.
class FrameListSource final : public mf::BaseFilter,
                              public mf::IMediaSeeking,
                              public mf::IAMFilterMiscFlags {
public:
    FrameListSource(mf::MediaType type, std::vector<std::vector<uint8_t>> frames,
                    mf::REFERENCE_TIME frameHns);
    ~FrameListSource() override;

    int GetPinCount() override { return 1; }
    mf::BasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }
    uint32_t GetMiscFlags() override { return mf::AM_FILTER_MISC_FLAGS_IS_SOURCE; }

    mf::HRESULT GetDuration(mf::REFERENCE_TIME* duration) override;
    mf::HRESULT GetCurrentPosition(mf::REFERENCE_TIME* position) override;
    mf::HRESULT GetStopPosition(mf::REFERENCE_TIME* stop) override;
    mf::HRESULT SetPositions(mf::REFERENCE_TIME* current, uint32_t currentFlags,
                             mf::REFERENCE_TIME* stop, uint32_t stopFlags) override;

    FrameListSourcePin* pin() const { return pin_.get(); }
    const std::vector<std::vector<uint8_t>>& frames() const { return frames_; }
    mf::REFERENCE_TIME frameHns() const { return frameHns_; }
    // Written only while the pin's thread is stopped.
    mf::REFERENCE_TIME segmentStart() const { return segmentStart_; }

private:
    std::vector<std::vector<uint8_t>> frames_; // fixed at construction
    mf::REFERENCE_TIME frameHns_;
    mf::REFERENCE_TIME segmentStart_ = 0;
    std::unique_ptr<FrameListSourcePin> pin_;
};

struct CopiedSample {
    std::vector<uint8_t> data;
    mf::REFERENCE_TIME start = 0;
    mf::REFERENCE_TIME stop = 0;
    bool timed = false;
};

// Accepts types matching `accepted` (null GUIDs are wildcards) and keeps a copy of every
// sample rendered, with its times.
class CopyingSink final : public mf::BaseRenderer {
public:
    explicit CopyingSink(mf::MediaType accepted);
    mf::HRESULT CheckMediaType(const mf::MediaType& type) override;
    mf::HRESULT DoRenderSample(mf::IMediaSample* sample) override;

    std::vector<CopiedSample> samples();

private:
    mf::MediaType accepted_;
    std::mutex mutex_;
    std::vector<CopiedSample> samples_; // guarded by mutex_
};

} // namespace sptest
