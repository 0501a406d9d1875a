#include "platform/outside/renderers_registration.h"

#include "platform/graph/filter_mapper.h"
#include "platform/outside/audio_renderer.h"
#include "platform/outside/null_renderer.h"

namespace sp::outside {

namespace {

mf::FilterRegistration nullRendererRegistration() {
    mf::FilterRegistration reg;
    reg.clsid = mf::CLSID_NullRenderer;
    reg.friendlyName = "Null Renderer";
    reg.merit = mf::MERIT_DO_NOT_USE;
    reg.category = mf::CLSID_LegacyAmFilterCategory;
    reg.pins = {{mf::PinDirection::Input, true, {{mf::GUID_NULL, mf::GUID_NULL}}}};
    reg.create = [] { return mf::ComPtr<mf::IBaseFilter>(mf::make<NullRenderer>()); };
    return reg;
}

mf::FilterRegistration soundRendererRegistration(const mf::GUID& category, uint32_t merit) {
    mf::FilterRegistration reg;
    reg.clsid = mf::CLSID_DSoundRender;
    reg.friendlyName = "Default DirectSound Device";
    reg.merit = merit;
    reg.category = category;
    reg.pins = {{mf::PinDirection::Input, true, {{mf::MEDIATYPE_Audio, mf::MEDIASUBTYPE_PCM}}}};
    reg.create = [] { return mf::ComPtr<mf::IBaseFilter>(mf::make<AudioRenderer>()); };
    return reg;
}

} // namespace

void registerOutsideRenderers() {
    auto& mapper = mf::FilterMapper::instance();
    mapper.RegisterFilter(nullRendererRegistration());
    mapper.RegisterFilter(
        soundRendererRegistration(mf::CLSID_AudioRendererCategory, mf::MERIT_DO_NOT_USE));
    mapper.RegisterFilter(
        soundRendererRegistration(mf::CLSID_LegacyAmFilterCategory, mf::MERIT_PREFERRED));
}

} // namespace sp::outside
