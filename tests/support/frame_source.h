#pragma once
// Test filters for video frame processing: a source of RGB32 pictures painted by a callback
// (with optional type changes carried by samples, samples without times, chosen start times and
// field flags), and a sink that keeps a copy of every sample it renders.

#include "platform/graph/base_filter.h"
#include "platform/graph/renderer.h"
#include "support/one_type_pin.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace sptest {

// An RGB32 type with a VideoInfo2 block (VideoInfo types: mf::makeRgb32Type).
mf::MediaType makeRgb32Info2Type(int32_t width, int32_t height, mf::REFERENCE_TIME frameDuration,
                                 uint32_t interlaceFlags = 0);

class FrameSource;

class FrameSourcePin final : public OneTypePin {
public:
    explicit FrameSourcePin(FrameSource* owner);
    mf::HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                                 mf::AllocatorProperties* request) override;

protected:
    mf::HRESULT FillBuffer(mf::IMediaSample* sample) override;
    mf::HRESULT OnThreadStart() override;
    const mf::MediaType& offered() const override;

private:
    FrameSource* owner_;
    int next_ = 0;                 // streaming thread
    mf::BITMAPINFOHEADER current_; // streaming thread: the picture being delivered
};

// Delivers `frames` samples, then end of stream; every run from the stopped state starts again
// at frame 0. Frame i starts at i × frameDuration unless `starts` says otherwise.
class FrameSource final : public mf::BaseFilter {
public:
    // Paints frame `index` of a picture described by `header` into the sample's whole buffer.
    using Painter =
        std::function<void(int index, const mf::BITMAPINFOHEADER& header, std::span<uint8_t>)>;

    FrameSource(mf::MediaType type, int frames, mf::REFERENCE_TIME frameDuration, Painter paint);
    ~FrameSource() override;

    int GetPinCount() override { return 1; }
    mf::BasePin* GetPin(int n) override;
    FrameSourcePin* pin() const { return pin_.get(); }

    // Read by the streaming thread; change only while the filter is stopped.
    mf::MediaType type; // offered when connecting
    int frames;
    mf::REFERENCE_TIME frameDuration;
    Painter paint;
    bool timed = true;                        // false: samples carry no times
    std::vector<mf::REFERENCE_TIME> starts;   // start of frame i when not empty
    std::map<int, mf::MediaType> typeChanges; // attached to frame i, in force from it on
    uint32_t typeSpecificFlags = 0;           // field flags set on every sample
    long bufferBytes = 0;                     // 0: room for the largest picture among the types
    // Asked with each timed frame's start and stop, as a decoder asks its mf::IPictureDemand
    // judge: a frame it does not need goes out unpainted, without data. Empty: all needed.
    std::function<bool(mf::REFERENCE_TIME, mf::REFERENCE_TIME)> demand;

private:
    std::unique_ptr<FrameSourcePin> pin_;
};

struct ReceivedSample {
    std::vector<uint8_t> bytes; // the whole buffer
    long actualLength = 0;
    bool timed = false;
    mf::REFERENCE_TIME start = 0, stop = 0;
    std::optional<mf::MediaType> type; // attached to the sample
    uint32_t typeSpecificFlags = 0;
};

// Accepts RGB32 video of any format and keeps every sample it renders.
class FrameSink final : public mf::BaseRenderer {
public:
    FrameSink();
    mf::HRESULT CheckMediaType(const mf::MediaType& type) override;
    mf::HRESULT DoRenderSample(mf::IMediaSample* sample) override;

    std::vector<ReceivedSample> received();
    void clear();

private:
    std::mutex mutex_;
    std::vector<ReceivedSample> received_; // guarded by mutex_
};

} // namespace sptest
