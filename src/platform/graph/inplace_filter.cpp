#include "platform/graph/inplace_filter.h"

#include <algorithm>

namespace mf {

TransInPlaceFilter::TransInPlaceFilter(std::string name, const GUID& clsid)
    : TransformFilter(std::move(name), clsid) {}

HRESULT TransInPlaceFilter::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0 || !input()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
    if (!type) return E_POINTER;
    *type = input()->CurrentMediaType();
    return S_OK;
}

HRESULT TransInPlaceFilter::CheckTransform(const MediaType& in, const MediaType& out) {
    return in.majortype == out.majortype && in.subtype == out.subtype ? S_OK
                                                                      : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator,
                                             AllocatorProperties* request) {
    AllocatorProperties upstream;
    if (IMemAllocator* in = input()->PeekAllocator()) in->GetProperties(&upstream);
    request->cBuffers = std::max({request->cBuffers, upstream.cBuffers, 1L});
    request->cbBuffer = std::max({request->cbBuffer, upstream.cbBuffer, 1L});
    request->cbAlign = std::max(request->cbAlign, 1L);
    AllocatorProperties actual;
    return allocator->SetProperties(*request, &actual);
}

HRESULT TransInPlaceFilter::Receive(IMediaSample* sample) {
    if (aborted_) return S_FALSE;
    HRESULT hr = Transform(sample);
    if (hr == S_FALSE) {
        sampleSkipped_ = true;
        return S_OK;
    }
    if (FAILED(hr)) {
        abortStream(hr);
        return hr;
    }
    if (sampleSkipped_) {
        sample->SetDiscontinuity(true);
        sampleSkipped_ = false;
    }
    return output()->IsConnected() ? output()->Deliver(sample) : S_OK;
}

} // namespace mf
