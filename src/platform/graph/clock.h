#pragma once
// The default reference clock: the system's monotonic clock in 100 ns units.

#include "platform/graph/interfaces.h"

namespace mf {

class SystemClock final : public IReferenceClock {
public:
    HRESULT GetTime(REFERENCE_TIME* time) override;
    static REFERENCE_TIME now();
};

} // namespace mf
