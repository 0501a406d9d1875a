#include "platform/graph/com.h"

namespace mf {

void Unknown::lastReleased() const noexcept { delete this; }

} // namespace mf
