#include "filters/media_forcer.h"

namespace sp {

using namespace mf;

namespace {

bool Matches(const GUID& accepted, const GUID& offered) {
    return accepted == GUID_NULL || accepted == offered;
}

} // namespace

TMediaForcer::TMediaForcer() : TransformFilter(kMediaForcerName, CLSID_MediaForcer) {}

void TMediaForcer::SetAcceptedType(const GUID& major, const GUID& sub, const GUID& format) {
    ForceMajor = major;
    ForceSub = sub;
    ForceFormat = format;
}

HRESULT TMediaForcer::CheckInputType(const MediaType& type) {
    return Matches(ForceMajor, type.majortype) && Matches(ForceSub, type.subtype) &&
                   Matches(ForceFormat, type.formattype)
               ? S_OK
               : E_FAIL;
}

HRESULT TMediaForcer::CheckTransform(const MediaType&, const MediaType&) {
    return E_NOTIMPL;
}

HRESULT TMediaForcer::DecideBufferSize(IMemAllocator*, AllocatorProperties*) {
    return E_NOTIMPL;
}

HRESULT TMediaForcer::GetMediaType(int, MediaType*) {
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT TMediaForcer::Transform(IMediaSample*, IMediaSample*) {
    return S_FALSE;
}

} // namespace sp
