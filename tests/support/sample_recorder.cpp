#include "support/sample_recorder.h"

#include "platform/graph/guids.h"

namespace sptest {

using namespace mf;

SampleRecorder::SampleRecorder(const GUID& major, const GUID& subtype, bool keepBytes)
    : BaseRenderer("sample recorder", GUID_NULL), major_(major), subtype_(subtype),
      keepBytes_(keepBytes) {}

HRESULT SampleRecorder::CheckMediaType(const MediaType& type) {
    return type.majortype == major_ && type.subtype == subtype_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SampleRecorder::DoRenderSample(IMediaSample* sample) {
    RecordedSample r;
    r.timed = SUCCEEDED(sample->GetTime(&r.start, &r.stop));
    r.segmentStart = input()->segmentStart();
    r.length = sample->GetActualDataLength();
    r.discontinuity = sample->IsDiscontinuity() == S_OK;
    if (keepBytes_ && r.length > 0)
        r.bytes.assign(sample->GetPointer(), sample->GetPointer() + r.length);
    std::lock_guard lock(mutex_);
    samples_.push_back(std::move(r));
    return S_OK;
}

std::vector<RecordedSample> SampleRecorder::samples() {
    std::lock_guard lock(mutex_);
    return samples_;
}

void SampleRecorder::clear() {
    std::lock_guard lock(mutex_);
    samples_.clear();
}

MediaType SampleRecorder::connectedType() {
    MediaType mt;
    input()->ConnectionMediaType(&mt);
    return mt;
}

} // namespace sptest
