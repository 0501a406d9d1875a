#include "platform/graph/pin_media_type.h"

#include <algorithm>

namespace mf {

bool PinOffersMediaType(const MediaType& pattern, IPin* pin) {
    if (!pin) return false;
    try {
        std::vector<MediaType> offered;
        if (FAILED(pin->EnumMediaTypes(&offered))) return false;
        return std::any_of(offered.begin(), offered.end(),
                           [&](const MediaType& type) { return matchesPartial(pattern, type); });
    } catch (...) {
        return false; // a pin that throws offers nothing usable
    }
}

} // namespace mf
