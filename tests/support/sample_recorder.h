#pragma once
// A renderer that keeps a record of every sample it renders: its times, the segment in force,
// and (unless told otherwise) its bytes. It accepts one major type and subtype (PCM sound or
// RGB32 pictures, say), so that intelligent connection puts the right decoder in front of it.
//
// Threads: DoRenderSample runs on the upstream streaming thread; the accessors on any thread.

#include "platform/graph/renderer.h"

#include <mutex>
#include <vector>

namespace sptest {

struct RecordedSample {
    bool timed = false;
    mf::REFERENCE_TIME start = 0, stop = 0; // relative to segmentStart
    mf::REFERENCE_TIME segmentStart = 0;    // the position of stream time 0
    long length = 0;                        // actual data length in bytes
    bool discontinuity = false;
    std::vector<uint8_t> bytes; // empty unless keepBytes
};

class SampleRecorder final : public mf::BaseRenderer {
public:
    SampleRecorder(const mf::GUID& major, const mf::GUID& subtype, bool keepBytes = true);
    mf::HRESULT CheckMediaType(const mf::MediaType& type) override;
    mf::HRESULT DoRenderSample(mf::IMediaSample* sample) override;

    std::vector<RecordedSample> samples();
    void clear();
    mf::MediaType connectedType();

private:
    const mf::GUID major_, subtype_;
    const bool keepBytes_;
    std::mutex mutex_;
    std::vector<RecordedSample> samples_; // guarded by mutex_
};

} // namespace sptest
