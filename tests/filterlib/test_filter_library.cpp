// A filter library as a user would drop it on the install area: its registration entry points
// add and remove one filter in the host's filter mapper. The host resolves the mapper and the
// filter base classes (the host exports its symbols). Its name comes from a library beside it,
// which the host must find without any search path.

#include "filterlib/test_filter_library.h"

#include "platform/graph/base_filter.h"
#include "platform/graph/filter_mapper.h"

extern "C" const char* sp_test_filter_name();

namespace {

class LibraryTestFilter final : public mf::BaseFilter {
public:
    LibraryTestFilter() : BaseFilter(sp_test_filter_name(), sptest::kLibraryTestFilterClsid) {}
    int GetPinCount() override { return 0; }
    mf::BasePin* GetPin(int) override { return nullptr; }
};

} // namespace

extern "C" __attribute__((visibility("default"))) mf::HRESULT DllRegisterServer() {
    mf::FilterRegistration registration;
    registration.clsid = sptest::kLibraryTestFilterClsid;
    registration.friendlyName = sp_test_filter_name();
    registration.merit = mf::MERIT_DO_NOT_USE;
    registration.create = [] { return mf::ComPtr<mf::IBaseFilter>(mf::make<LibraryTestFilter>()); };
    mf::FilterMapper::instance().RegisterFilter(std::move(registration));
    return mf::S_OK;
}

extern "C" __attribute__((visibility("default"))) mf::HRESULT DllUnregisterServer() {
    return mf::FilterMapper::instance().UnregisterFilter(mf::CLSID_LegacyAmFilterCategory,
                                                         sptest::kLibraryTestFilterClsid)
               ? mf::S_OK
               : mf::E_FAIL;
}
