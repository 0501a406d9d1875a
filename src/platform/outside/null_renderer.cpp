#include "platform/outside/null_renderer.h"

#include "platform/graph/guids.h"

namespace sp::outside {

NullRenderer::NullRenderer() : BaseRenderer("Null Renderer", mf::CLSID_NullRenderer) {}

HRESULT NullRenderer::CheckMediaType(const mf::MediaType&) {
    return mf::S_OK;
}

HRESULT NullRenderer::DoRenderSample(mf::IMediaSample*) {
    ++rendered_;
    return mf::S_OK;
}

} // namespace sp::outside
