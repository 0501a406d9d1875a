#include "platform/outside/dv_registration.h"

#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/outside/dv_decoder_filter.h"
#include "platform/outside/dv_splitter_filter.h"

namespace sp::outside {

using namespace mf;

namespace {

RegPin pin(PinDirection dir, const GUID& major, const GUID& minor) {
    RegPin p;
    p.dir = dir;
    p.types = {RegPinType{major, minor}};
    return p;
}

FilterRegistration splitterRegistration() {
    FilterRegistration r;
    r.clsid = CLSID_DVSplitter;
    r.friendlyName = "DV Splitter";
    r.merit = MERIT_NORMAL;
    r.category = CLSID_LegacyAmFilterCategory;
    r.pins = {pin(PinDirection::Input, MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd),
              pin(PinDirection::Output, MEDIATYPE_Video, MEDIASUBTYPE_dvsd),
              pin(PinDirection::Output, MEDIATYPE_Audio, MEDIASUBTYPE_PCM)};
    r.create = [] { return ComPtr<IBaseFilter>(make<DvSplitterFilter>()); };
    return r;
}

FilterRegistration decoderRegistration() {
    FilterRegistration r;
    r.clsid = CLSID_DVVideoCodec;
    r.friendlyName = "DV Video Decoder";
    // Just below the general video decoder, which takes dvsd too (the program asks it to): with
    // both registered the general one decodes DV, whichever was registered first.
    r.merit = MERIT_NORMAL - 1;
    r.category = CLSID_LegacyAmFilterCategory;
    r.pins = {pin(PinDirection::Input, MEDIATYPE_Video, MEDIASUBTYPE_dvsd),
              pin(PinDirection::Output, MEDIATYPE_Video, MEDIASUBTYPE_RGB32)};
    r.create = [] { return ComPtr<IBaseFilter>(make<DvDecoderFilter>()); };
    return r;
}

} // namespace

void registerDvFilters() {
    FilterMapper& mapper = FilterMapper::instance();
    mapper.RegisterFilter(splitterRegistration());
    mapper.RegisterFilter(decoderRegistration());
}

} // namespace sp::outside
