#pragma once
// What the test filter library registers (its tests check for it).

#include "platform/graph/guid.h"

namespace sptest {

inline constexpr mf::GUID kLibraryTestFilterClsid =
    mf::guidOf("{6A1C0F52-93D4-4E7B-8C21-5D0E7A9B3F14}");
inline constexpr const char* kLibraryTestFilterName = "Library Test Filter";

} // namespace sptest
