#pragma once
// Small synthetic filters that drive the framework in tests: a timed source with seeking, a
// converter that "decodes" a test type to RGB32, a pass-through in-place filter, and a sink
// that accepts one kind of type and records what it renders.

#include "platform/graph/base_filter.h"
#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/graph/inplace_filter.h"
#include "platform/graph/renderer.h"
#include "platform/graph/transform_filter.h"
#include "support/one_type_pin.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace sptest {

using namespace mf;

// A compressed test type the converter turns into RGB32.
inline constexpr GUID MEDIASUBTYPE_TestCompressed = fourCCGuid(makeFourCC('T', 'S', 'T', 'C'));
inline constexpr GUID CLSID_TestSource = guidOf("{5D1E0001-0000-4000-8000-000000000001}");
inline constexpr GUID CLSID_TestConverter = guidOf("{5D1E0002-0000-4000-8000-000000000002}");
inline constexpr GUID CLSID_TestPassThrough = guidOf("{5D1E0003-0000-4000-8000-000000000003}");
inline constexpr GUID CLSID_TestSink = guidOf("{5D1E0004-0000-4000-8000-000000000004}");

MediaType testCompressedType(int width, int height, REFERENCE_TIME frameDuration);

class TimedSource;

class TimedSourcePin final : public OneTypePin {
public:
    TimedSourcePin(TimedSource* owner, MediaType type);
    HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadStart() override;
    const MediaType& offered() const override { return type_; }

private:
    TimedSource* owner_;
    MediaType type_;
};

// Delivers `frames` frames of `frameDuration`; the first 4 bytes of each sample hold the frame
// index. After a seek to p the first frame is the one covering p, timed relative to p.
class TimedSource final : public BaseFilter, public IMediaSeeking, public IAMFilterMiscFlags {
public:
    TimedSource(MediaType type, int frames, REFERENCE_TIME frameDuration);
    ~TimedSource() override;

    int GetPinCount() override { return 1; }
    BasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }
    uint32_t GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }

    HRESULT GetDuration(REFERENCE_TIME* duration) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* position) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop,
                         uint32_t stopFlags) override;

    TimedSourcePin* pin() const { return pin_.get(); }
    int frames() const { return frames_; }
    REFERENCE_TIME frameDuration() const { return frameDuration_; }
    // streaming thread
    int takeNextFrame() { return nextFrame_++; }
    REFERENCE_TIME segmentStart() const { return segmentStart_; }

private:
    std::unique_ptr<TimedSourcePin> pin_;
    int frames_;
    REFERENCE_TIME frameDuration_;
    REFERENCE_TIME segmentStart_ = 0; // written with the thread stopped
    int nextFrame_ = 0;               // streaming thread, reset with the thread stopped
};

// Turns MEDIASUBTYPE_TestCompressed into RGB32 of the same size, copying the frame index.
class TestConverter final : public TransformFilter {
public:
    TestConverter();
    HRESULT CheckInputType(const MediaType& type) override;
    HRESULT CheckTransform(const MediaType& in, const MediaType& out) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    std::atomic<int> startCount{0};
    HRESULT StartStreaming() override {
        ++startCount;
        return S_OK;
    }
};

// Passes every sample on untouched and counts them.
class PassThrough final : public TransInPlaceFilter {
public:
    PassThrough();
    HRESULT CheckInputType(const MediaType&) override { return S_OK; }
    HRESULT Transform(IMediaSample*) override;
    std::atomic<int> samples{0};
    std::atomic<bool> holdSamples{false}; // keeps each sample here until cleared
};

struct RenderedFrame {
    int index;
    REFERENCE_TIME start;
    REFERENCE_TIME wallClock;  // SystemClock::now() when rendered
    REFERENCE_TIME streamTime; // reference clock minus the run's start time, when rendered
};

// Accepts types matching `accepted` (null GUIDs are wildcards) and records rendered frames.
class TestSink final : public BaseRenderer, public IBasicAudio {
public:
    explicit TestSink(MediaType accepted);
    HRESULT CheckMediaType(const MediaType& type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
    void OnReceiveFirstSample(IMediaSample* sample) override;
    HRESULT put_Volume(long volume) override {
        volume_ = volume;
        return S_OK;
    }
    HRESULT get_Volume(long* volume) override {
        *volume = volume_;
        return S_OK;
    }

    std::vector<RenderedFrame> rendered();
    int cuedIndex() const { return cuedIndex_; }
    void clear();
    long volume() const { return volume_; }

private:
    MediaType accepted_;
    std::mutex mutex_;
    std::vector<RenderedFrame> rendered_; // guarded by mutex_
    std::atomic<int> cuedIndex_{-1};
    std::atomic<long> volume_{0};
};

int frameIndexOf(IMediaSample* sample);

// Registers the converter in the mapper for the lifetime of the object.
// The registration of a filter named `name` under `clsid`, with the given merit and pins, whose
// instances come from `create` (legacy category, no extensions).
FilterRegistration describeFilter(const GUID& clsid, std::string name, uint32_t merit,
                                  std::vector<RegPin> pins,
                                  std::function<ComPtr<IBaseFilter>()> create);

ScopedFilterRegistration registerTestConverter(uint32_t merit = MERIT_NORMAL);

} // namespace sptest
