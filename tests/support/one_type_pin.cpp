#include "support/one_type_pin.h"

#include "platform/graph/mediatype.h"

#include <algorithm>

namespace sptest {

using namespace mf;

OneTypePin::OneTypePin(BaseFilter* owner, Match match)
    : StreamingOutputPin(owner, "Out"), match_(match) {}

HRESULT OneTypePin::CheckMediaType(const MediaType& type) {
    const MediaType& mine = offered();
    bool same = false;
    switch (match_) {
    case Match::Whole:
        same = type == mine;
        break;
    case Match::Pattern:
        same = matchesPartial(mine, type);
        break;
    case Match::MajorSub:
        same = type.majortype == mine.majortype && type.subtype == mine.subtype;
        break;
    case Match::MajorSubFormat:
        same = type.majortype == mine.majortype && type.subtype == mine.subtype &&
               type.formattype == mine.formattype;
        break;
    }
    return same ? S_OK : S_FALSE;
}

HRESULT OneTypePin::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = offered();
    return S_OK;
}

HRESULT OneTypePin::askBuffers(IMemAllocator* allocator, AllocatorProperties* request, long buffers,
                               long bytes) {
    request->cBuffers = std::max(request->cBuffers, buffers);
    request->cbBuffer = std::max(request->cbBuffer, bytes);
    AllocatorProperties actual;
    return allocator->SetProperties(*request, &actual);
}

} // namespace sptest
