#include "media/describe/pinmediatype.h"

#include <algorithm>

namespace sp {

bool PinOffersMediaType(const mf::MediaType& pattern, mf::IPin* pin) {
    if (!pin) return false;
    try {
        std::vector<mf::MediaType> offered;
        if (mf::FAILED(pin->EnumMediaTypes(&offered))) return false;
        return std::any_of(offered.begin(), offered.end(), [&](const mf::MediaType& type) {
            return mf::matchesPartial(pattern, type);
        });
    } catch (...) {
        return false; // a pin that throws offers nothing usable
    }
}

} // namespace sp
