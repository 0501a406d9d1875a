#pragma once
// Whether an output pin offers a media type of a given kind, before it is connected.
// Called on the controlling (user-interface) thread, like every pin query.

#include "platform/graph/interfaces.h"

namespace mf {

// True when one of the pin's preferred types (IPin::EnumMediaTypes) matches `pattern` on major
// type, subtype and format type, a GUID_NULL field in the pattern matching anything. False for a
// null pin, an enumeration that fails or throws, or no match. The pin is only borrowed.
bool PinOffersMediaType(const MediaType& pattern, IPin* pin);

} // namespace mf
