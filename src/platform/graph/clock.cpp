#include "platform/graph/clock.h"

#include <chrono>

namespace mf {

REFERENCE_TIME SystemClock::now() {
    using namespace std::chrono;
    return duration_cast<duration<int64_t, std::ratio<1, 10'000'000>>>(
               steady_clock::now().time_since_epoch())
        .count();
}

HRESULT SystemClock::GetTime(REFERENCE_TIME* time) {
    if (!time) return E_POINTER;
    *time = now();
    return S_OK;
}

} // namespace mf
