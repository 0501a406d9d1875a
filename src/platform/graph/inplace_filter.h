#pragma once
// In-place transform filter base: the sample that arrives is modified (or only inspected) and
// the same sample is passed on, so no picture is copied. Output types default to the input's
// connected type; a derived filter overrides the same hooks as for TransformFilter, with
// Transform(sample) instead of Transform(in, out). S_FALSE from Transform drops the sample.

#include "platform/graph/transform_filter.h"

namespace mf {

class TransInPlaceFilter : public TransformFilter {
public:
    TransInPlaceFilter(std::string name, const GUID& clsid);

    using TransformFilter::Transform;
    virtual HRESULT Transform(IMediaSample* sample) = 0;

    // Defaults: offer the input's type, accept an output type equal to the input's, and ask for
    // the input allocator's buffer size.
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT CheckTransform(const MediaType& in, const MediaType& out) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) override;

    HRESULT Receive(IMediaSample* sample) override;
};

} // namespace mf
